#pragma once
// ANSI text helpers: case-insensitive comparisons as the Windows
// C runtime makes them (ASCII letters only), copies cut to fixed-size fields, JSON strings.

#include <cstddef>
#include <cstring>
#include <string>
#include <string_view>

namespace zel {

inline char foldCase(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

// True when `text` begins with `prefix`, ignoring case.
inline bool startsWithNoCase(std::string_view text, std::string_view prefix) {
    if (text.size() < prefix.size()) return false;
    for (std::size_t i = 0; i < prefix.size(); ++i)
        if (foldCase(text[i]) != foldCase(prefix[i])) return false;
    return true;
}

inline bool equalsNoCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && startsWithNoCase(a, b);
}

// The text of a fixed-size field: up to its terminator, never past its end.
template <std::size_t N>
std::string_view fieldText(const char (&field)[N]) {
    return std::string_view(field, strnlen(field, N));
}

// Copies `text` into a field of N bytes as a zero-terminated string, cut to N - 1
// bytes when longer; the bytes after the terminator are left as they were.
template <std::size_t N>
void copyToField(char (&field)[N], std::string_view text) {
    const std::size_t length = text.size() < N - 1 ? text.size() : N - 1;
    std::memcpy(field, text.data(), length);
    field[length] = '\0';
}

// The same copy between two fields (the text ends at the source's terminator).
template <std::size_t N, std::size_t M>
void copyToField(char (&field)[N], const char (&source)[M]) {
    copyToField(field, std::string_view(source, strnlen(source, M)));
}

// A JSON string of ANSI bytes: quotes and backslashes escaped, and every byte outside
// printable ASCII as \u00XX, so that no code page is assumed.
inline std::string jsonQuoted(std::string_view text) {
    static constexpr char kHex[] = "0123456789abcdef";
    std::string out = "\"";
    for (const unsigned char c : text) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c < 0x20 || c > 0x7E) {
            out += "\\u00";
            out += kHex[c >> 4];
            out += kHex[c & 0xF];
        } else {
            out += static_cast<char>(c);
        }
    }
    return out + "\"";
}

} // namespace zel
