// Registry keys over the real calls: RegOpenKeyExA, RegCreateKeyExA, RegEnumValueA,
// RegSetValueExA, RegCloseKey.
#include <zel/platform/system.h>

#include <windows.h>

namespace zel::platform {
namespace {

// The predefined keys are small constants cast to HKEY (sign-extended on x86_64, as the
// SDK's (HKEY)(ULONG_PTR)((LONG)0x80000002) does).
HKEY hiveKey(RegistryHive hive) {
    return reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(static_cast<LONG>(hive)));
}

} // namespace

std::int32_t RegistryKey::open(RegistryHive hive, const char* subKey, std::uint32_t access, RegistryKey& key) {
    HKEY handle = nullptr;
    const LONG result = RegOpenKeyExA(hiveKey(hive), subKey, 0, access, &handle);
    if (result == ERROR_SUCCESS) {
        key.reset();
        key.handle_ = handle;
    }
    return result;
}

std::int32_t RegistryKey::create(RegistryHive hive, const char* subKey, std::uint32_t access, RegistryKey& key) {
    HKEY handle = nullptr;
    const LONG result = RegCreateKeyExA(hiveKey(hive), subKey, 0, nullptr, REG_OPTION_NON_VOLATILE, access, nullptr,
                                        &handle, nullptr);
    if (result == ERROR_SUCCESS) {
        key.reset();
        key.handle_ = handle;
    }
    return result;
}


void RegistryKey::reset() {
    if (handle_ != nullptr) RegCloseKey(static_cast<HKEY>(handle_));
    handle_ = nullptr;
}

std::int32_t RegistryKey::enumValue(std::uint32_t index, char* name, std::uint32_t& nameLength, std::uint32_t& type,
                                    void* data, std::uint32_t& dataLength) const {
    if (handle_ == nullptr) return ERROR_INVALID_HANDLE;
    DWORD nameSize = nameLength;
    DWORD valueType = type;
    DWORD dataSize = dataLength;
    const LONG result = RegEnumValueA(static_cast<HKEY>(handle_), index, name, &nameSize, nullptr, &valueType,
                                      static_cast<BYTE*>(data), &dataSize);
    nameLength = nameSize;
    type = valueType;
    dataLength = dataSize;
    return result;
}

std::int32_t RegistryKey::setValue(const char* name, std::uint32_t type, const void* data, std::uint32_t size) const {
    if (handle_ == nullptr) return ERROR_INVALID_HANDLE;
    return RegSetValueExA(static_cast<HKEY>(handle_), name, 0, type, static_cast<const BYTE*>(data), size);
}

} // namespace zel::platform
