// Machine files: disk layouts and the "system" section (version, locale, directories,
// registry, libraries). The format is documented in docs/sim-machine.md.
#include "json_support.h"
#include "registry_model.h"

#include <zel/sim/machine.h>

#include <cstdio>
#include <string>

namespace zel::sim::detail {
namespace {

// GPT partition types a file may name instead of spelling out the GUID.
constexpr std::pair<std::string_view, platform::Guid> kGptTypes[] = {
    {"msftReserved", platform::kPartitionMsftReservedGuid},
    {"basicData", {0xEBD0A0A2, 0xB9E5, 0x4433, {0x87, 0xC0, 0x68, 0xB6, 0xB7, 0x26, 0x99, 0xC7}}},
    {"ldmMetadata", {0x5808C8AA, 0x7E8F, 0x42E0, {0x85, 0xD2, 0xE1, 0xE9, 0x04, 0x34, 0xCF, 0xB3}}},
    {"ldmData", {0xAF9B60A0, 0x1431, 0x4F62, {0xBC, 0x68, 0x33, 0x11, 0x71, 0x4A, 0x69, 0xAD}}},
    {"efiSystem", {0xC12A7328, 0xF81F, 0x11D2, {0xBA, 0x4B, 0x00, 0xA0, 0xC9, 0x3E, 0xC9, 0x3B}}},
};

// "{E3C9E316-0B5C-4DB8-817D-F92DF00215AE}", braces optional, or one of the names above.
platform::Guid gptType(const json& j, const std::string& at) {
    const std::string t = text(j, at);
    for (const auto& [name, guid] : kGptTypes)
        if (t == name) return guid;
    const std::string hex = t.size() == 38 && t.front() == '{' && t.back() == '}' ? t.substr(1, 36) : t;
    unsigned d1 = 0, d2 = 0, d3 = 0, b[8] = {};
    int used = 0;
    if (hex.size() != 36 ||
        std::sscanf(hex.c_str(), "%8x-%4x-%4x-%2x%2x-%2x%2x%2x%2x%2x%2x%n", &d1, &d2, &d3, &b[0], &b[1], &b[2], &b[3],
                    &b[4], &b[5], &b[6], &b[7], &used) != 11 ||
        used != 36)
        fail(at, "\"" + t + "\" is neither a GUID nor one of msftReserved, basicData, ldmMetadata, ldmData, efiSystem");
    platform::Guid g{d1, static_cast<std::uint16_t>(d2), static_cast<std::uint16_t>(d3), {}};
    for (int i = 0; i < 8; ++i) g.data4[i] = static_cast<std::uint8_t>(b[i]);
    return g;
}

LayoutQuery query(const json& j, const std::string& at) {
    object(j, at, {"fails", "returned"});
    LayoutQuery q;
    if (j.contains("fails")) q.fails = flag(j["fails"], member(at, "fails"));
    if (j.contains("returned")) q.returned = u32(j["returned"], member(at, "returned"));
    return q;
}

platform::OsVersion version(const json& j, const std::string& at) {
    const std::string t = text(j, at);
    unsigned major = 0, minor = 0, build = 0;
    int used = 0;
    const int n = std::sscanf(t.c_str(), "%u.%u%n.%u%n", &major, &minor, &used, &build, &used);
    if (n < 2 || used != static_cast<int>(t.size()))
        fail(at, "\"" + t + "\" is not a version (expected \"5.0\", \"5.1\" or \"major.minor.build\")");
    if (n == 2) {
        // The build numbers the released versions carry.
        constexpr struct { unsigned major, minor, build; } kBuilds[] = {
            {5, 0, 2195}, {5, 1, 2600}, {5, 2, 3790}, {6, 0, 6002}, {6, 1, 7601}};
        for (const auto& k : kBuilds)
            if (k.major == major && k.minor == minor) build = k.build;
    }
    return {major, minor, build, platform::kVerPlatformWin32Nt};
}

std::optional<std::string> directory(const json& j, const std::string& at) {
    if (j.is_null()) return std::nullopt;
    return text(j, at);
}

// "HKLM\Software\..." or "HKEY_LOCAL_MACHINE\Software\...".
std::pair<platform::RegistryHive, std::string> keyName(const json& j, const std::string& at) {
    const std::string t = text(j, at);
    const std::size_t slash = t.find('\\');
    const std::string hive = t.substr(0, slash);
    constexpr std::pair<std::string_view, platform::RegistryHive> kHives[] = {
        {"HKLM", platform::kHkeyLocalMachine}, {"HKEY_LOCAL_MACHINE", platform::kHkeyLocalMachine},
        {"HKCU", platform::kHkeyCurrentUser},  {"HKEY_CURRENT_USER", platform::kHkeyCurrentUser},
        {"HKCR", platform::kHkeyClassesRoot},  {"HKEY_CLASSES_ROOT", platform::kHkeyClassesRoot},
        {"HKU", platform::kHkeyUsers},         {"HKEY_USERS", platform::kHkeyUsers}};
    for (const auto& [name, value] : kHives)
        if (hive == name) {
            std::string path = slash == std::string::npos ? std::string() : t.substr(slash + 1);
            std::string normalized;
            if (normalizeKeyPath(path, normalized) != platform::kErrorSuccess)
                fail(at, "\"" + t + "\" is not a key path");
            return {value, normalized};
        }
    fail(at, "\"" + t + "\" does not start with a hive (HKLM, HKCU, HKCR, HKU or their long names)");
}

void value(const json& j, const std::string& at, RegistryKeyData& key) {
    object(j, at, {"name", "type", "data"});
    if (!j.contains("name")) fail(at, "a value needs a name");
    const std::string name = text(j["name"], member(at, "name"));
    const json& data = j.contains("data") ? j["data"] : json(std::string());
    std::uint32_t type = data.is_number()  ? platform::kRegDword
                         : data.is_array() ? platform::kRegBinary
                                           : platform::kRegSz;
    if (j.contains("type"))
        type = named(j["type"], member(at, "type"),
                     {{"none", platform::kRegNone}, {"sz", platform::kRegSz}, {"expandSz", platform::kRegExpandSz},
                      {"binary", platform::kRegBinary}, {"dword", platform::kRegDword},
                      {"multiSz", platform::kRegMultiSz}});
    std::string bytes;
    if (data.is_number()) {
        if (type != platform::kRegDword) fail(member(at, "data"), "a number is data of a dword only");
        bytes = dwordBytes(u32(data, member(at, "data")));
    } else {
        bytes = detail::bytes(data, member(at, "data"));
    }
    writeValue(key, name, type, std::move(bytes));
}

void registryKey(const json& j, const std::string& at, System& system) {
    object(j, at, {"key", "values", "readable", "writable"});
    if (!j.contains("key")) fail(at, "a registry entry needs a key");
    const auto [hive, path] = keyName(j["key"], member(at, "key"));
    RegistryKeyData& key = ensureKey(system.registry, hive, path);
    if (j.contains("values")) {
        const std::string where = member(at, "values");
        const json& list = array(j["values"], where);
        for (std::size_t i = 0; i < list.size(); ++i) value(list[i], item(where, i), key);
    }
    if (j.contains("readable")) key.readable = flag(j["readable"], member(at, "readable"));
    if (j.contains("writable")) key.writable = flag(j["writable"], member(at, "writable"));
}

LibraryFile library(const json& j, const std::string& at) {
    if (j.is_string()) return {j.get<std::string>(), {}};
    object(j, at, {"name", "missingExports"});
    if (!j.contains("name")) fail(at, "a library needs a name");
    LibraryFile file{text(j["name"], member(at, "name")), {}};
    if (j.contains("missingExports")) {
        const std::string where = member(at, "missingExports");
        const json& list = array(j["missingExports"], where);
        for (std::size_t i = 0; i < list.size(); ++i) file.missingExports.push_back(text(list[i], item(where, i)));
    }
    return file;
}

} // namespace

Layout loadLayout(const json& j, const std::string& at) {
    object(j, at, {"style", "types", "driveLayout", "driveLayoutEx"});
    Layout l;
    if (j.contains("style"))
        l.style = static_cast<PartitionStyle>(
            named(j["style"], member(at, "style"), {{"mbr", 0}, {"gpt", 1}, {"raw", 2}}));
    if (static_cast<std::uint32_t>(l.style) > 2) fail(member(at, "style"), "expected mbr, gpt or raw");
    if (j.contains("types")) {
        const std::string where = member(at, "types");
        const json& list = array(j["types"], where);
        if (l.style == PartitionStyle::raw && !list.empty()) fail(where, "a raw disk has no partitions");
        for (std::size_t i = 0; i < list.size(); ++i) {
            if (l.style == PartitionStyle::gpt) {
                l.gptTypes.push_back(gptType(list[i], item(where, i)));
                continue;
            }
            const std::uint32_t type = u32(list[i], item(where, i));
            if (type > 0xFF) fail(item(where, i), "expected a partition type byte (0 to 255)");
            l.mbrTypes.push_back(static_cast<std::uint8_t>(type));
        }
    }
    if (j.contains("driveLayout")) l.driveLayout = query(j["driveLayout"], member(at, "driveLayout"));
    if (j.contains("driveLayoutEx")) l.driveLayoutEx = query(j["driveLayoutEx"], member(at, "driveLayoutEx"));
    return l;
}

void loadSystem(const json& j, const std::string& at, System& system) {
    object(j, at, {"version", "lcid", "administrator", "windowsDirectory", "currentDirectory", "registry", "libraries"});
    if (j.contains("administrator")) system.administrator = flag(j["administrator"], member(at, "administrator"));
    if (j.contains("version")) system.version = version(j["version"], member(at, "version"));
    if (j.contains("lcid")) system.lcid = u32(j["lcid"], member(at, "lcid"));
    if (j.contains("windowsDirectory"))
        system.windowsDirectory = directory(j["windowsDirectory"], member(at, "windowsDirectory"));
    if (j.contains("currentDirectory"))
        system.currentDirectory = directory(j["currentDirectory"], member(at, "currentDirectory"));
    if (j.contains("registry")) {
        const std::string where = member(at, "registry");
        const json& list = array(j["registry"], where);
        for (std::size_t i = 0; i < list.size(); ++i) registryKey(list[i], item(where, i), system);
    }
    if (j.contains("libraries")) {
        const std::string where = member(at, "libraries");
        const json& list = array(j["libraries"], where);
        system.libraries.clear();
        for (std::size_t i = 0; i < list.size(); ++i) system.libraries.push_back(library(list[i], item(where, i)));
    }
}

} // namespace zel::sim::detail
