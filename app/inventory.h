#pragma once
// The device inventory: the devices the program offers for removal, entries in use
// running from index 0.

#include <zel/text.h>

#include <cstdint>
#include <string>

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

// What a menu item or a list row showed, kept so that choosing it later acts on that
// device or on none: the inventory may have been rebuilt in between, and its entry at the
// same index may then be another device.
struct DeviceIdentity {
    std::uint8_t kind = 0;
    std::string hardwareId;
    std::string pdoName;
    std::string letters;

    static DeviceIdentity of(const InventoryEntry& entry) {
        return {entry.kind, std::string(fieldText(entry.hardwareId)), std::string(fieldText(entry.pdoName)),
                std::string(fieldText(entry.driveLetters))};
    }
    // Whether entry `index` of the inventory is still this device.
    bool shownAt(const Inventory& inventory, int index) const {
        if (index < 0 || index >= kInventorySize || inventory.entries[index].valid != 1) return false;
        const DeviceIdentity now = of(inventory.entries[index]);
        return now.kind == kind && now.hardwareId == hardwareId && now.pdoName == pdoName && now.letters == letters;
    }
};

} // namespace zel::app
