#pragma once
// The update description file "version.csv": this product's record gives the published
// version and the address of the home page. Pure logic on the bytes that were read.

#include <cstddef>
#include <string>
#include <string_view>

namespace zel::update {

// Only this many bytes of the file are examined.
inline constexpr std::size_t kVersionFileLimit = 4096;
// The longest home-page address the program keeps (its buffer holds 128 bytes).
inline constexpr std::size_t kMaxHomeLength = 127;

struct PublishedVersion {
    char version[4] = {}; // exactly four characters, whatever they are
    std::string home;     // from "http" up to the CR LF that ends the record
};

// Finds the first "SATA01," record: the four characters after the tag are the
// version, the address runs from the first "http" after the tag to the next CR LF.
// False when the tag, the address or its CR LF is missing, or the address is longer
// than the program keeps (refused rather than cut).
bool ParseVersionFile(const unsigned char* bytes, std::size_t count, PublishedVersion& published);

// Whether the stored published version (first four bytes) differs from the program's
// own version string (first four bytes, its terminator taking part when shorter).
bool IsDifferentVersion(const char (&stored)[16], const char* own);

// Whether an address may be handed to the shell: "http://" or "https://" and a host,
// only the characters an address may carry (well-formed %XX escapes), at most
// kMaxHomeLength characters. Anything else (a file name such as "httpevil.exe", quotes,
// control characters) could start a program or change its arguments.
bool IsWebAddress(std::string_view address);

} // namespace zel::update
