#pragma once
// The registry of the model: key paths, implicit keys along them, access, value writes.
// Shared by the builder, machine files and the registry calls.

#include <zel/sim/machine.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace zel::sim::detail {

// Whether the hive is one of the predefined keys the model keeps.
bool knownHive(platform::RegistryHive hive);

// A sub-key path as RegOpenKeyExA takes it, checked and without its trailing '\':
// kErrorSuccess, or kErrorBadPathname for a leading '\' or an empty component.
std::int32_t normalizeKeyPath(std::string_view path, std::string& normalized);

using Registry = std::vector<RegistryKeyData>;

// Whether a key exists: it has an entry, or lies on the path of one (the hive always does).
bool keyExists(const Registry& registry, platform::RegistryHive hive, std::string_view path);

struct KeyAccess {
    bool readable = true;
    bool writable = true;
};
// What the key and the keys above it allow.
KeyAccess keyAccess(const Registry& registry, platform::RegistryHive hive, std::string_view path);

// The key's entry, created (last) when it has none.
RegistryKeyData& ensureKey(Registry& registry, platform::RegistryHive hive, std::string_view path);

// RegSetValueExA on the model: replaces a value of that name (any case) in place, keeping
// its name, or appends a new one.
void writeValue(RegistryKeyData& key, std::string_view name, std::uint32_t type, std::string data);

} // namespace zel::sim::detail
