#pragma once
// The search library's interface: the two fixed records it fills for its caller and
// its four C exports. Shared byte for byte by the library and the program.

#include <cstddef>
#include <cstdint>

namespace zel {

// One disk or CD-ROM drive found behind a selected host adapter.
struct DeviceRecord {
    std::int32_t valid;              // 1 when the entry exists
    std::uint8_t deviceNumber;       // low 8 bits of the storage device number
    std::uint8_t driveType;          // 3 fixed, 5 CD-ROM, 0 when no letter was found
    char devicePath[32];             // the path that answered the device-number query
    char driveLetters[26];           // "DE" for D: and E:, ascending
    char friendlyName[128];
    char hostDescription[128];       // device description of the host adapter
    char parentHardwareId[128];
    char grandparentHardwareId[128];
    char deviceDescription[36];
    char hardwareId[64];
    char instanceSuffix[64];         // instance ID after its last backslash
    char pdoName[128];               // physical device object name
    unsigned char reserved[256];
};
static_assert(sizeof(DeviceRecord) == 1124);
static_assert(offsetof(DeviceRecord, valid) == 0);
static_assert(offsetof(DeviceRecord, deviceNumber) == 4);
static_assert(offsetof(DeviceRecord, driveType) == 5);
static_assert(offsetof(DeviceRecord, devicePath) == 6);
static_assert(offsetof(DeviceRecord, driveLetters) == 38);
static_assert(offsetof(DeviceRecord, friendlyName) == 64);
static_assert(offsetof(DeviceRecord, hostDescription) == 192);
static_assert(offsetof(DeviceRecord, parentHardwareId) == 320);
static_assert(offsetof(DeviceRecord, grandparentHardwareId) == 448);
static_assert(offsetof(DeviceRecord, deviceDescription) == 576);
static_assert(offsetof(DeviceRecord, hardwareId) == 612);
static_assert(offsetof(DeviceRecord, instanceSuffix) == 676);
static_assert(offsetof(DeviceRecord, pdoName) == 740);
static_assert(offsetof(DeviceRecord, reserved) == 868);

// One host adapter recorded by the host scan.
struct HostRecord {
    std::int32_t valid; // 1 when the entry exists
    char hardwareId[128];
    char description[128];
    char pdoName[128];
};
static_assert(sizeof(HostRecord) == 388);
static_assert(offsetof(HostRecord, valid) == 0);
static_assert(offsetof(HostRecord, hardwareId) == 4);
static_assert(offsetof(HostRecord, description) == 132);
static_assert(offsetof(HostRecord, pdoName) == 260);

// Both tables hold this many entries.
inline constexpr int kSearchTableSize = 26;

// The exports, as the program resolves them by name.
using InitializationFn = std::int32_t (*)(std::int32_t selector);
using GetDeviceCountFn = std::int32_t (*)();
using GetDeviceListFn = std::int32_t (*)(std::int32_t index, DeviceRecord* record);
using GetHostListFn = std::int32_t (*)(std::int32_t index, HostRecord* record);

inline constexpr const char* kSearchLibraryName = "ZelSearch.dll";

} // namespace zel

#if defined(_WIN32)
#define ZELSEARCH_EXPORT extern "C" __declspec(dllexport)
#else
#define ZELSEARCH_EXPORT extern "C" __attribute__((visibility("default")))
#endif
