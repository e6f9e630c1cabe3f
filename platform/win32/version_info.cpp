// A program file's version texts over the version library.
#include <zel/platform/version_info.h>

#include <windows.h>

#include <cstring>
#include <memory>
#include <new>

namespace zel::platform {

bool readVersionText(const char* file, const char* query, char* buffer, std::size_t capacity) {
    if (file == nullptr || query == nullptr || buffer == nullptr || capacity == 0) return false;
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeA(file, &ignored);
    if (size == 0) return false;
    const std::unique_ptr<unsigned char[]> block(new (std::nothrow) unsigned char[size]());
    if (!block) return false;
    if (!GetFileVersionInfoA(file, 0, size, block.get())) return false;
    void* text = nullptr;
    UINT length = 0;
    if (!VerQueryValueA(block.get(), query, &text, &length) || text == nullptr) return false;
    // The length counts characters with the terminator; trust neither it nor the
    // terminator beyond the block's end.
    const auto* begin = static_cast<const char*>(text);
    const auto* end = reinterpret_cast<const char*>(block.get()) + size;
    if (begin < reinterpret_cast<const char*>(block.get()) || begin >= end) return false;
    std::size_t n = 0;
    while (begin + n < end && begin[n] != '\0' && n + 1 < capacity) ++n;
    std::memcpy(buffer, begin, n);
    buffer[n] = '\0';
    return true;
}

} // namespace zel::platform
