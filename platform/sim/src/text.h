#pragma once
// Text comparisons the way Windows makes them for device paths, instance IDs and
// drive letters: ASCII letters without regard to case, every other byte as it is.

#include <cstddef>
#include <string>
#include <string_view>

namespace zel::sim::detail {

constexpr char upper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }
constexpr char lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

constexpr bool equalNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (upper(a[i]) != upper(b[i])) return false;
    return true;
}

constexpr bool containsNoCase(std::string_view text, std::string_view part) {
    if (part.size() > text.size()) return false;
    for (std::size_t at = 0; at + part.size() <= text.size(); ++at)
        if (equalNoCase(text.substr(at, part.size()), part)) return true;
    return false;
}

inline std::string lowered(std::string_view text) {
    std::string out(text);
    for (char& c : out) c = lower(c);
    return out;
}

} // namespace zel::sim::detail
