// Native stand-in for LoadLibraryA / GetProcAddress / FreeLibrary.
#include <zel/platform/library.h>

#include <dlfcn.h>
#include <strings.h>
#include <unistd.h>

#include <cstring>
#include <string>

namespace zel::platform {

Library Library::load(const char* path) {
    if (path == nullptr) return {};
    std::string name(path);
    // The Windows file names of the program's libraries name the shared objects built here.
    constexpr const char* kDll = ".dll";
    if (name.size() > 4 && strcasecmp(name.c_str() + name.size() - 4, kDll) == 0)
        name.replace(name.size() - 4, 4, ".so");
    return Library(dlopen(name.c_str(), RTLD_NOW | RTLD_LOCAL));
}

Library& Library::operator=(Library&& other) noexcept {
    if (this != &other) {
        reset();
        handle_ = other.handle_;
        other.handle_ = nullptr;
    }
    return *this;
}

void* Library::symbol(const char* name) const {
    return handle_ != nullptr ? dlsym(handle_, name) : nullptr;
}

void Library::reset() {
    if (handle_ != nullptr) dlclose(handle_);
    handle_ = nullptr;
}

std::size_t programDirectory(char* buffer, std::size_t capacity) {
    char path[4096];
    const ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
    if (n <= 0) return 0;
    path[n] = '\0';
    char* slash = std::strrchr(path, '/');
    if (slash == nullptr) return 0;
    const std::size_t length = static_cast<std::size_t>(slash - path) + 1;
    if (length + 1 > capacity) return 0;
    std::memcpy(buffer, path, length);
    buffer[length] = '\0';
    return length;
}

} // namespace zel::platform
