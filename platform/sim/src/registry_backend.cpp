// Registry calls answered from the model's registry.
//
// An open key remembers its hive, path and the access it was opened with; every call looks
// the key up again, so a key whose machine was replaced since the open answers as deleted.
// Enumeration, overflow and error answers follow what Windows (and Wine, measured) give.
#include "guard.h"
#include "model.h"
#include "registry_model.h"
#include "state.h"
#include "text.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>

namespace zel::platform {
namespace {

using sim::Op;
using sim::detail::Call;
using sim::detail::guarded;

struct OpenKey {
    RegistryHive hive;
    std::string path;
    std::uint32_t access;
};

// Rights that need write permission on the key itself.
constexpr std::uint32_t kWriteRights = kKeySetValue | kKeyCreateSubKey | 0x00010000 /* DELETE */ |
                                       0x00040000 /* WRITE_DAC */ | 0x00080000 /* WRITE_OWNER */;

const OpenKey* openOf(void* handle) { return static_cast<const OpenKey*>(handle); }

// Opens (and with `create`, first creates) a key: the work of RegOpenKeyExA and
// RegCreateKeyExA after the call has been counted.
std::int32_t openKey(Call& call, RegistryHive hive, const char* subKey, std::uint32_t access, bool create,
                     void*& handle) {
    if (!sim::detail::knownHive(hive)) return kErrorInvalidHandle;
    std::string path;
    if (const std::int32_t e = sim::detail::normalizeKeyPath(subKey != nullptr ? subKey : "", path); e != 0)
        return e;
    sim::Machine& m = call.machine();
    const sim::detail::KeyAccess rights = sim::detail::keyAccess(m.system.registry, hive, path);
    if (!rights.readable) return kErrorAccessDenied;
    if (!sim::detail::keyExists(m.system.registry, hive, path)) {
        if (!create) return kErrorFileNotFound;
        if (!rights.writable) return kErrorAccessDenied; // no right to create beneath
        sim::detail::ensureKey(m.system.registry, hive, path);
    }
    if ((access & kWriteRights) != 0 && !rights.writable) return kErrorAccessDenied;
    handle = new OpenKey{hive, std::move(path), access};
    ++call.state().handles.keys;
    return kErrorSuccess;
}

} // namespace

namespace {

// Opens (or, creating, makes) the key and hands its handle to `key`.
std::int32_t acquireKey(Op op, bool create, RegistryHive hive, const char* subKey, std::uint32_t access,
                        void*& out) {
    return guarded(kErrorAccessDenied, [&] {
        Call call(op);
        if (call.fails(sim::detail::keyText(hive, subKey != nullptr ? subKey : ""))) return kErrorAccessDenied;
        return openKey(call, hive, subKey, access, create, out);
    });
}

} // namespace

std::int32_t RegistryKey::open(RegistryHive hive, const char* subKey, std::uint32_t access, RegistryKey& key) {
    void* handle = nullptr;
    const std::int32_t result = acquireKey(Op::regOpenKey, false, hive, subKey, access, handle);
    if (result != kErrorSuccess) return result;
    key.reset(); // closing a key held before takes the lock: not inside the call
    key.handle_ = handle;
    return kErrorSuccess;
}

std::int32_t RegistryKey::create(RegistryHive hive, const char* subKey, std::uint32_t access, RegistryKey& key) {
    void* handle = nullptr;
    const std::int32_t result = acquireKey(Op::regCreateKey, true, hive, subKey, access, handle);
    if (result != kErrorSuccess) return result;
    key.reset();
    key.handle_ = handle;
    return kErrorSuccess;
}


void RegistryKey::reset() {
    if (handle_ == nullptr) return;
    sim::detail::State& s = sim::detail::state();
    {
        std::lock_guard lock(s.mutex);
        --s.handles.keys;
    }
    delete openOf(handle_);
    handle_ = nullptr;
}

std::int32_t RegistryKey::enumValue(std::uint32_t index, char* name, std::uint32_t& nameLength, std::uint32_t& type,
                                    void* data, std::uint32_t& dataLength) const {
    return guarded(kErrorAccessDenied, [&] {
        Call call(Op::regEnumValue);
        const OpenKey* open = openOf(handle_);
        if (call.fails(open != nullptr ? sim::detail::keyText(open->hive, open->path) : std::string()))
            return kErrorAccessDenied;
        if (open == nullptr) return kErrorInvalidHandle;
        if ((open->access & kKeyQueryValue) == 0) return kErrorAccessDenied;
        if (name == nullptr) return kErrorInvalidParameter;
        sim::Machine& m = call.machine();
        if (!sim::detail::keyExists(m.system.registry, open->hive, open->path)) return kErrorKeyDeleted;
        const sim::RegistryKeyData* key = sim::findKey(m, open->hive, open->path);
        if (key == nullptr || index >= key->values.size()) return static_cast<std::int32_t>(kErrorNoMoreItems);
        const sim::RegistryValue& v = key->values[index];
        const auto size = static_cast<std::uint32_t>(v.data.size());
        type = v.type;
        // Data that does not fit: only its size and type are told, the name stays untouched.
        if (data != nullptr && size > dataLength) {
            dataLength = size;
            return kErrorMoreData;
        }
        if (data != nullptr) std::memcpy(data, v.data.data(), size);
        dataLength = size;
        // A name that does not fit (with its terminator) is cut short, and its length stays.
        if (v.name.size() + 1 > nameLength) {
            if (nameLength > 0) {
                std::memcpy(name, v.name.data(), nameLength - 1);
                name[nameLength - 1] = '\0';
            }
            return kErrorMoreData;
        }
        std::memcpy(name, v.name.c_str(), v.name.size() + 1);
        nameLength = static_cast<std::uint32_t>(v.name.size());
        return kErrorSuccess;
    });
}

std::int32_t RegistryKey::setValue(const char* name, std::uint32_t type, const void* data, std::uint32_t size) const {
    return guarded(kErrorAccessDenied, [&] {
        Call call(Op::regSetValue);
        const OpenKey* open = openOf(handle_);
        if (call.fails(open != nullptr ? sim::detail::keyText(open->hive, open->path) + "|" + (name ? name : "")
                                       : std::string()))
            return kErrorAccessDenied;
        if (open == nullptr) return kErrorInvalidHandle;
        if ((open->access & kKeySetValue) == 0) return kErrorAccessDenied;
        if (data == nullptr && size > 0) return kErrorInvalidParameter;
        sim::Machine& m = call.machine();
        if (!sim::detail::keyExists(m.system.registry, open->hive, open->path)) return kErrorKeyDeleted;
        std::string bytes(static_cast<const char*>(data), static_cast<const char*>(data) + size);
        sim::RegistryKeyData& key = sim::detail::ensureKey(m.system.registry, open->hive, open->path);
        sim::detail::writeValue(key, name != nullptr ? name : "", type, std::move(bytes));
        return kErrorSuccess;
    });
}

} // namespace zel::platform
