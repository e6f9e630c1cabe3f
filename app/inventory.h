#pragma once
// The device inventory: the devices the program offers for removal, entries in use
// running from index 0.

#include <cstdint>

namespace zel::app {

inline constexpr int kInventorySize = 26;
inline constexpr std::uint8_t kKindHost = 1;
inline constexpr std::uint8_t kKindDevice = 2;
inline constexpr const char* kUnknownDeviceName = "Unkwon Device(DISK/CD-ROM)";

struct InventoryEntry {
    std::int32_t valid;       // 1 in use
    std::uint8_t kind;        // kKindDevice (host-adapter entries are never produced)
    std::int32_t systemDisk;  // 1: a start-up or system file is on one of its letters
    std::uint8_t deviceClass; // 3 fixed disk, 5 CD/DVD drive, 0 no drive letter
    char driveLetters[26];    // "EF" for E: and F:
    char driveName[128];      // the name the user sees
    char hardwareId[128];     // first hardware ID of the device's node
    char hostName[128];       // host-adapter entries only
    char pdoName[128];        // physical device object name of the device's node
};

struct Inventory {
    InventoryEntry entries[kInventorySize];

    // Devices are present when the first entry is in use.
    bool devicesPresent() const { return entries[0].valid == 1; }
    int count() const {
        int n = 0;
        while (n < kInventorySize && entries[n].valid == 1) ++n;
        return n;
    }
};

} // namespace zel::app
