// Libraries of the program loaded at run time: LoadLibraryA / GetProcAddress / FreeLibrary.
#include <zel/platform/library.h>

#include <windows.h>

#include <cstring>

namespace zel::platform {

Library Library::load(const char* path) {
    if (path == nullptr) return {};
    return Library(LoadLibraryA(path));
}


void* Library::symbol(const char* name) const {
    if (handle_ == nullptr || name == nullptr) return nullptr;
    // Windows code and data pointers share one address space; callers cast back to the
    // export's function type.
    return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(handle_), name));
}

void Library::reset() {
    if (handle_ != nullptr) FreeLibrary(static_cast<HMODULE>(handle_));
    handle_ = nullptr;
}

std::size_t programDirectory(char* buffer, std::size_t capacity) {
    char path[MAX_PATH * 4];
    const DWORD n = GetModuleFileNameA(nullptr, path, sizeof path);
    if (n == 0 || n >= sizeof path) return 0; // failed, or the name was cut short
    const char* slash = std::strrchr(path, '\\');
    if (slash == nullptr) return 0;
    const std::size_t length = static_cast<std::size_t>(slash - path) + 1;
    if (buffer == nullptr || length + 1 > capacity) return 0;
    std::memcpy(buffer, path, length);
    buffer[length] = '\0';
    return length;
}

} // namespace zel::platform
