#include "settings.h"

#include <cstring>
#include <vector>

namespace zel::app {

using namespace zel::platform;

namespace {
// Failures other than "more data" skip an index; a key that keeps failing is given up
// rather than followed through four billion indexes.
constexpr int kMaxConsecutiveFailures = 64;
constexpr std::uint32_t kNameBufferSize = 256;
} // namespace

void ReadSetting(RegistryHive hive, const char* subKey, const char* name, void* destination, std::uint32_t length) {
    if (destination == nullptr || name == nullptr) return;
    RegistryKey key;
    if (RegistryKey::open(hive, subKey, kKeyRead, key) != kErrorSuccess) return;
    std::vector<unsigned char> data(length);
    int failures = 0;
    for (std::uint32_t index = 0;; ++index) {
        char valueName[kNameBufferSize] = {};
        std::uint32_t nameLength = kNameBufferSize;
        std::uint32_t type = 0;
        std::uint32_t dataLength = length;
        const std::int32_t error = key.enumValue(index, valueName, nameLength, type, data.data(), dataLength);
        if (error == static_cast<std::int32_t>(kErrorNoMoreItems)) return;
        if (error != kErrorSuccess) {
            if (error != kErrorMoreData && ++failures >= kMaxConsecutiveFailures) return;
            continue;
        }
        failures = 0;
        if (std::strcmp(valueName, name) != 0) continue; // the registry ignores case; this lookup does not
        const std::uint32_t copied = dataLength < length ? dataLength : length;
        auto* out = static_cast<unsigned char*>(destination);
        if (copied > 0) std::memcpy(out, data.data(), copied); // a zero-length read has no buffer
        std::memset(out + copied, 0, length - copied);
        return;
    }
}

void WriteSetting(RegistryHive hive, int kind, const char* subKey, const char* name, const void* data,
                  std::uint32_t size) {
    if (data == nullptr) return;
    RegistryKey key;
    if (RegistryKey::create(hive, subKey, kKeyAllAccess, key) != kErrorSuccess) return;
    const auto* bytes = static_cast<const unsigned char*>(data);
    switch (kind) {
    case SETTING_STRING:
        key.setValue(name, kRegSz, bytes, size);
        break;
    case SETTING_DWORD: {
        const std::uint32_t value = bytes[0];
        key.setValue(name, kRegDword, &value, sizeof value);
        break;
    }
    default:
        key.setValue(name, kRegBinary, bytes, 1);
        break;
    }
}

} // namespace zel::app
