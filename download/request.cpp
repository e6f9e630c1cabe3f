#include "request.h"

#include <cstring>

namespace zel::download {
namespace {

// Length of a field when it ends within its 255 bytes, else -1.
int fieldLength(const char (&field)[kFieldSize]) noexcept {
    const void* end = std::memchr(field, '\0', kFieldSize);
    return end ? static_cast<int>(static_cast<const char*>(end) - field) : -1;
}

bool parsePort(const char* text, std::uint16_t& port) noexcept {
    if (*text == '\0') return false;
    unsigned value = 0;
    for (; *text; ++text) {
        if (*text < '0' || *text > '9') return false;
        value = value * 10 + static_cast<unsigned>(*text - '0');
        if (value > 65535) return false;
    }
    if (value == 0) return false;
    port = static_cast<std::uint16_t>(value);
    return true;
}

char upper(char c) noexcept {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

// CON, PRN, AUX, NUL, COM1-9 and LPT1-9 open devices whatever extension follows them.
bool isDeviceName(const char* name) noexcept {
    std::size_t stem = std::strcspn(name, ".");
    char base[5] = {};
    if (stem < 3 || stem > 4) return false;
    for (std::size_t i = 0; i < stem; ++i) base[i] = upper(name[i]);
    if (stem == 3) {
        return !std::strcmp(base, "CON") || !std::strcmp(base, "PRN") || !std::strcmp(base, "AUX") ||
               !std::strcmp(base, "NUL");
    }
    bool numbered = base[3] >= '1' && base[3] <= '9';
    return numbered && (!std::strncmp(base, "COM", 3) || !std::strncmp(base, "LPT", 3));
}

} // namespace

bool isPlainFileName(const char* name) noexcept {
    std::size_t length = std::strlen(name);
    if (length == 0) return false;
    for (const char* p = name; *p; ++p) {
        unsigned char c = static_cast<unsigned char>(*p);
        if (c < 0x20 || std::strchr("\\/:*?\"<>|", c)) return false;
    }
    // The system drops trailing dots and blanks, so "..", "name." and "name " would
    // each name something else than they say.
    char last = name[length - 1];
    if (last == '.' || last == ' ') return false;
    return !isDeviceName(name);
}

DownLoadError readRequest(const UpdateServerInfo* info, Request& request) noexcept {
    request = Request{};
    if (!info) return kDownLoadNoConnection;

    int hostLength = fieldLength(info->host);
    if (hostLength <= 0) return kDownLoadNoConnection;
    std::memcpy(request.host, info->host, static_cast<std::size_t>(hostLength) + 1);
    if (char* colon = std::strchr(request.host, ':')) {
        *colon = '\0';
        if (colon == request.host || !parsePort(colon + 1, request.port)) return kDownLoadNoConnection;
    }

    int userLength = fieldLength(info->user);
    int passwordLength = fieldLength(info->password);
    if (userLength < 0 || passwordLength < 0) return kDownLoadNoConnection;
    if (userLength > 0) {
        request.user = info->user;
        request.password = info->password;
    }

    if (fieldLength(info->file) < 0 || !isPlainFileName(info->file)) return kDownLoadCannotWrite;
    request.file = info->file;
    return kDownLoadOk;
}

} // namespace zel::download
