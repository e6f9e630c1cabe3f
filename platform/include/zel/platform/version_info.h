#pragma once
// Texts of a program file's version resource (GetFileVersionInfoSizeA,
// GetFileVersionInfoA into a zero-filled block, VerQueryValueA).

#include <zel/platform/library.h> // ZEL_SYSTEM_API

#include <cstddef>

namespace zel::platform {

// Copies the text at `query` (for instance "\StringFileInfo\041104b0\FileVersion") of
// `file`'s version resource into `buffer` (`capacity` bytes, always zero-terminated, cut
// when longer). False, with `buffer` untouched, when the file has no version resource,
// the block cannot be had or the query finds nothing.
ZEL_SYSTEM_API bool readVersionText(const char* file, const char* query, char* buffer, std::size_t capacity);

} // namespace zel::platform
