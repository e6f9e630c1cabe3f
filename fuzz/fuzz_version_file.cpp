// The update description file on arbitrary bytes: the parser must read nothing past the
// input, and whatever it accepts must be a record it could have found.
#include "version_file.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>

namespace {

using zel::update::IsDifferentVersion;
using zel::update::IsWebAddress;
using zel::update::kMaxHomeLength;
using zel::update::kVersionFileLimit;
using zel::update::ParseVersionFile;
using zel::update::PublishedVersion;

void require(bool condition) {
    if (!condition) std::abort();
}

bool printableWithoutBlanks(std::string_view text) {
    for (char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte <= 0x20 || byte >= 0x7F) return false;
    }
    return true;
}

// What an address the shell may receive looks like: "http://" or "https://" in any case,
// a host, printable ASCII without blanks, and no longer than the program keeps.
void requireWebShape(std::string_view address) {
    require(address.size() <= kMaxHomeLength && printableWithoutBlanks(address));
    std::string scheme(address.substr(0, address.find("://")));
    for (char& c : scheme) c = static_cast<char>(c | 0x20);
    require(scheme == "http" || scheme == "https");
    const std::size_t host = scheme.size() + 3;
    require(address.size() > host && address[host] != '/');
}

void checkAccepted(const unsigned char* bytes, std::size_t size, const PublishedVersion& published) {
    // The examined text: the first 4 KiB, up to the first zero byte.
    std::size_t examined = size < kVersionFileLimit ? size : kVersionFileLimit;
    const auto* text = reinterpret_cast<const char*>(bytes);
    examined = strnlen(text, examined);
    const std::string_view file(text, examined);

    const std::size_t tag = file.find("SATA01,");
    require(tag != std::string_view::npos);
    const std::size_t afterTag = tag + 7;
    for (std::size_t i = 0; i < 4; ++i)
        require(published.version[i] == (afterTag + i < file.size() ? file[afterTag + i] : '\0'));

    const std::string& home = published.home;
    require(home.size() >= 4 && home.size() <= kMaxHomeLength);
    require(home.compare(0, 4, "http") == 0);
    require(home.find("\r\n") == std::string::npos);
    // The first "http" after the tag, ended by the first CR LF after it.
    const std::size_t at = file.find("http", afterTag);
    require(at != std::string_view::npos && file.substr(at, home.size()) == home);
    require(file.substr(at + home.size(), 2) == "\r\n");

    if (IsWebAddress(home)) requireWebShape(home);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // An exactly-sized heap copy: a read one byte past the input is an overread.
    auto bytes = std::make_unique<unsigned char[]>(size);
    if (size > 0) std::memcpy(bytes.get(), data, size);

    PublishedVersion published;
    published.version[0] = 'k';
    published.home = "kept";
    if (ParseVersionFile(bytes.get(), size, published)) {
        checkAccepted(bytes.get(), size, published);
    } else {
        require(published.version[0] == 'k' && published.home == "kept"); // a refusal changes nothing
    }

    // The address check on the raw bytes, as an exactly-sized view.
    const std::string_view raw(reinterpret_cast<const char*>(bytes.get()), size);
    if (IsWebAddress(raw)) requireWebShape(raw);

    // The version comparison reads at most four bytes of the program's own string.
    if (size >= 16) {
        char stored[16];
        std::memcpy(stored, bytes.get(), sizeof stored);
        const std::size_t ownLength = size - 16 < 8 ? size - 16 : 8;
        auto own = std::make_unique<char[]>(ownLength + 1);
        std::memcpy(own.get(), bytes.get() + 16, ownLength);
        own[ownLength] = '\0';
        char padded[4] = {};
        for (std::size_t i = 0; i < 4 && own[i] != '\0'; ++i) padded[i] = own[i];
        require(IsDifferentVersion(stored, own.get()) == (std::memcmp(stored, padded, 4) != 0));
    }
    return 0;
}
