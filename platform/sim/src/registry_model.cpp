#include "registry_model.h"

#include "guard.h"
#include "text.h"

namespace zel::sim {
namespace detail {
namespace {

// "A\B" lies on the path of "A\B\C" (and of itself), without regard to case.
bool onPathOf(std::string_view ancestor, std::string_view key) {
    if (ancestor.empty()) return true;
    if (key.size() < ancestor.size() || !equalNoCase(key.substr(0, ancestor.size()), ancestor)) return false;
    return key.size() == ancestor.size() || key[ancestor.size()] == '\\';
}

std::string_view trimmed(std::string_view path) {
    if (!path.empty() && path.back() == '\\') path.remove_suffix(1);
    return path;
}

} // namespace

bool knownHive(platform::RegistryHive hive) {
    return hive == platform::kHkeyClassesRoot || hive == platform::kHkeyCurrentUser ||
           hive == platform::kHkeyLocalMachine || hive == platform::kHkeyUsers;
}

std::int32_t normalizeKeyPath(std::string_view path, std::string& normalized) {
    path = trimmed(path);
    if (!path.empty() && path.front() == '\\') return platform::kErrorBadPathname;
    if (path.find("\\\\") != std::string_view::npos) return platform::kErrorBadPathname;
    normalized.assign(path);
    return platform::kErrorSuccess;
}

bool keyExists(const Registry& registry, platform::RegistryHive hive, std::string_view path) {
    if (path.empty()) return true;
    for (const RegistryKeyData& k : registry)
        if (k.hive == hive && onPathOf(path, k.path)) return true;
    return false;
}

KeyAccess keyAccess(const Registry& registry, platform::RegistryHive hive, std::string_view path) {
    KeyAccess access;
    for (const RegistryKeyData& k : registry) {
        if (k.hive != hive || !onPathOf(k.path, path)) continue;
        access.readable = access.readable && k.readable;
        access.writable = access.writable && k.writable;
    }
    return access;
}

RegistryKeyData& ensureKey(Registry& registry, platform::RegistryHive hive, std::string_view path) {
    path = trimmed(path);
    for (RegistryKeyData& k : registry)
        if (k.hive == hive && equalNoCase(k.path, path)) return k;
    RegistryKeyData key;
    key.hive = hive;
    key.path = path;
    registry.push_back(std::move(key));
    return registry.back();
}

void writeValue(RegistryKeyData& key, std::string_view name, std::uint32_t type, std::string data) {
    for (RegistryValue& v : key.values)
        if (equalNoCase(v.name, name)) {
            v.type = type;
            v.data = std::move(data);
            return;
        }
    key.values.push_back({std::string(name), type, std::move(data)});
}

} // namespace detail

const RegistryKeyData* findKey(const Machine& machine, platform::RegistryHive hive, std::string_view path) noexcept {
    path = detail::trimmed(path);
    for (const RegistryKeyData& k : machine.system.registry)
        if (k.hive == hive && detail::equalNoCase(k.path, path)) return &k;
    return nullptr;
}

RegistryKeyData* findKey(Machine& machine, platform::RegistryHive hive, std::string_view path) noexcept {
    return const_cast<RegistryKeyData*>(findKey(static_cast<const Machine&>(machine), hive, path));
}

const RegistryValue* findValue(const RegistryKeyData& key, std::string_view name) noexcept {
    for (const RegistryValue& v : key.values)
        if (detail::equalNoCase(v.name, name)) return &v;
    return nullptr;
}

std::string dwordBytes(std::uint32_t value) noexcept {
    return detail::guarded(std::string(), [&] {
        std::string bytes(4, '\0');
        for (int i = 0; i < 4; ++i) bytes[i] = static_cast<char>((value >> (8 * i)) & 0xFF);
        return bytes;
    });
}

} // namespace zel::sim
