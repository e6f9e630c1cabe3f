#pragma once
// Reading machine files: errors that name their place as a JSON pointer, and checked
// access to the document's parts. Shared by the parts of the loader.

#include <zel/sim/machine.h>

#include <nlohmann/json.hpp>

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <utility>

namespace zel::sim::detail {

using nlohmann::json;

struct LoadError {
    std::string message;
};

[[noreturn]] inline void fail(const std::string& at, const std::string& what) {
    throw LoadError{(at.empty() ? std::string("(document)") : at) + ": " + what};
}

inline std::string member(const std::string& at, std::string_view key) {
    std::string out = at + "/";
    for (char c : key) {
        if (c == '~') out += "~0";
        else if (c == '/') out += "~1";
        else out += c;
    }
    return out;
}

inline std::string item(const std::string& at, std::size_t index) { return at + "/" + std::to_string(index); }

// A parse or type error of the JSON library without its "[json.exception.xxx.nnn] " prefix.
inline std::string errorText(const json::exception& e) {
    const std::string what = e.what();
    const auto end = what.find("] ");
    return end == std::string::npos ? what : what.substr(end + 2);
}

inline const json& object(const json& j, const std::string& at, std::initializer_list<std::string_view> allowed) {
    if (!j.is_object()) fail(at, "expected an object");
    for (const auto& [key, value] : j.items()) {
        bool known = key == "comment";
        for (std::string_view a : allowed) known = known || key == a;
        if (!known) fail(at, "unknown key \"" + key + "\"");
    }
    return j;
}

inline const json& array(const json& j, const std::string& at) {
    if (!j.is_array()) fail(at, "expected an array");
    return j;
}

inline std::string text(const json& j, const std::string& at) {
    if (!j.is_string()) fail(at, "expected a string");
    return j.get<std::string>();
}

inline std::uint32_t u32(const json& j, const std::string& at) {
    if (!j.is_number_unsigned() || j.get<std::uint64_t>() > 0xFFFFFFFFu)
        fail(at, "expected an unsigned 32-bit integer");
    return static_cast<std::uint32_t>(j.get<std::uint64_t>());
}

inline bool flag(const json& j, const std::string& at) {
    if (!j.is_boolean()) fail(at, "expected true or false");
    return j.get<bool>();
}

// A number that may also be given by name ("disk", "fixed", ...).
inline std::uint32_t named(const json& j, const std::string& at,
                    std::initializer_list<std::pair<std::string_view, std::uint32_t>> names) {
    if (j.is_string()) {
        const std::string name = j.get<std::string>();
        for (const auto& [n, value] : names)
            if (name == n) return value;
        std::string known;
        for (const auto& [n, value] : names) known += (known.empty() ? "" : ", ") + std::string(n);
        fail(at, "unknown name \"" + name + "\" (expected a number or one of " + known + ")");
    }
    if (!j.is_number_unsigned()) fail(at, "expected a name or an unsigned 32-bit integer");
    return u32(j, at);
}

// Exact bytes: a string as it is, or an array of byte values.
inline std::string bytes(const json& j, const std::string& at) {
    if (j.is_string()) return j.get<std::string>();
    if (!j.is_array()) fail(at, "expected a string or an array of byte values");
    std::string bytes;
    for (std::size_t i = 0; i < j.size(); ++i) {
        const std::uint32_t b = u32(j[i], item(at, i));
        if (b > 0xFF) fail(item(at, i), "expected a byte value (0 to 255)");
        bytes += static_cast<char>(b);
    }
    return bytes;
}

} // namespace zel::sim::detail

namespace zel::sim::detail {

// A disk's "layout" object, and the top-level "system" object applied to `system`.
Layout loadLayout(const json& j, const std::string& at);
void loadSystem(const json& j, const std::string& at, System& system);

} // namespace zel::sim::detail
