#pragma once
// The program's own version texts, from the "041104b0" block of ZelSATA.exe's version
// resource.

#include <cstddef>

namespace zel::update {

inline constexpr const char* kOwnProgramFile = "ZelSATA.exe";

// The text of `name` ("FileVersion", "ProductName", "LegalCopyright") into `buffer`;
// false, with the buffer untouched, when the resource cannot be read.
bool ReadOwnVersionText(const char* name, char* buffer, std::size_t capacity);

} // namespace zel::update
