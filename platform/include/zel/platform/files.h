#pragma once
// Plain files of the program's own: the short file a download leaves in the current
// directory, read once and deleted. Each call opens and closes its own handle.

#include <zel/platform/library.h> // ZEL_SYSTEM_API

#include <cstddef>

namespace zel::platform {

// CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, ...), then one
// ReadFile of up to `capacity` bytes into `buffer`, then CloseHandle. False when the file
// cannot be opened; `count` is the number of bytes read (0 when the read fails).
ZEL_SYSTEM_API bool readFileHead(const char* path, unsigned char* buffer, std::size_t capacity, std::size_t& count);

// DeleteFileA.
ZEL_SYSTEM_API bool deleteFile(const char* path);

} // namespace zel::platform
