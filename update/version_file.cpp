#include "version_file.h"

#include <zel/text.h>

#include <cstring>

namespace zel::update {

namespace {
constexpr std::string_view kTag = "SATA01,";
constexpr std::string_view kScheme = "http";
constexpr std::string_view kLineEnd = "\r\n";
} // namespace

bool ParseVersionFile(const unsigned char* bytes, std::size_t count, PublishedVersion& published) {
    if (bytes == nullptr) return false;
    const std::size_t examined = count < kVersionFileLimit ? count : kVersionFileLimit;
    const auto* text = reinterpret_cast<const char*>(bytes);
    const std::string_view file(text, strnlen(text, examined)); // ends at the first zero byte

    const std::size_t tag = file.find(kTag);
    if (tag == std::string_view::npos) return false;
    const std::size_t afterTag = tag + kTag.size();
    // Four characters are taken whatever they are; a file that ends sooner gives zeros.
    PublishedVersion result;
    for (std::size_t i = 0; i < 4 && afterTag + i < file.size(); ++i) result.version[i] = file[afterTag + i];

    const std::size_t address = file.find(kScheme, afterTag);
    if (address == std::string_view::npos) return false;
    const std::size_t end = file.find(kLineEnd, address);
    if (end == std::string_view::npos) return false;
    if (end - address > kMaxHomeLength) return false;
    result.home.assign(file.substr(address, end - address));
    published = std::move(result);
    return true;
}

bool IsDifferentVersion(const char (&stored)[16], const char* own) {
    // A shorter string takes part with its terminator (and zeros after it).
    char mine[4] = {};
    for (std::size_t i = 0; own != nullptr && i < sizeof mine && own[i] != '\0'; ++i) mine[i] = own[i];
    return std::memcmp(stored, mine, sizeof mine) != 0;
}

bool IsWebAddress(std::string_view address) {
    if (address.empty() || address.size() > kMaxHomeLength) return false;
    std::size_t host = 0;
    if (startsWithNoCase(address, "http://"))
        host = 7;
    else if (startsWithNoCase(address, "https://"))
        host = 8;
    else
        return false;
    if (host >= address.size() || address[host] == '/') return false; // no host
    // The characters an address may carry (unreserved, reserved and complete %XX
    // escapes); quotes, blanks and the like could change what the shell is told.
    constexpr std::string_view kAllowed = "-._~:/?#[]@!$&'()*+,;=";
    const auto isHex = [](char c) {
        return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
    };
    for (std::size_t i = 0; i < address.size(); ++i) {
        const char c = address[i];
        if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')) continue;
        if (kAllowed.find(c) != std::string_view::npos) continue;
        if (c != '%' || i + 2 >= address.size() || !isHex(address[i + 1]) || !isHex(address[i + 2])) return false;
        i += 2;
    }
    return true;
}

} // namespace zel::update
