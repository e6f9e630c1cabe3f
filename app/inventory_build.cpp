// Building the device inventory from the search library.
#include "inventory_build.h"

#include "disk_guard.h"
#include "search_binding.h"
#include "settings.h"

#include <zel/platform/library.h>
#include <zel/platform/machine.h>
#include <zel/text.h>

#include <cstring>

namespace zel::app {

using namespace zel::platform;

namespace {

constexpr std::uint32_t kDefaultSelector = 0x40;

// A device that passed the filters, before it becomes an entry.
struct Candidate {
    std::int32_t systemDisk = 0;
    std::uint8_t deviceClass = 0;
    char driveLetters[26] = {};
    char driveName[128] = {};
    char hardwareId[128] = {};
    char pdoName[128] = {};
    std::uint8_t deviceNumber = 0;
    char hostDescription[128] = {};
    char devicePath[33] = {};
};

// Whether the device may be offered, filling the candidate; the filters in the order
// the system's own disks are best caught: layout, then each letter against the
// excluded drives and for system files.
bool accept(const DeviceRecord& record, const char excluded[2], Candidate& candidate) {
    candidate.deviceClass = record.driveType;
    // A name that does not begin with an upper-case ASCII letter is shown as unknown.
    const std::string_view friendly(record.friendlyName, strnlen(record.friendlyName, sizeof record.friendlyName));
    const bool named = !friendly.empty() && friendly[0] >= 'A' && friendly[0] <= 'Z';
    copyToField(candidate.driveName, named ? friendly : std::string_view(kUnknownDeviceName));
    copyToField(candidate.driveLetters, record.driveLetters);

    if (record.driveType != kDriveCdRom) {
        char path[sizeof record.devicePath + 1] = {};
        std::memcpy(path, record.devicePath, sizeof record.devicePath);
        if (IsBasicDiskLayout(path) != 1) return false;
    }
    copyToField(candidate.hardwareId, record.hardwareId);
    copyToField(candidate.pdoName, record.pdoName);
    candidate.deviceNumber = record.deviceNumber;
    std::memcpy(candidate.devicePath, record.devicePath, sizeof record.devicePath);
    copyToField(candidate.hostDescription, record.hostDescription);

    for (const char* letter = candidate.driveLetters; *letter != '\0'; ++letter) {
        if (*letter == excluded[0] || *letter == excluded[1]) return false;
        if (HasSystemFiles(*letter) == 1) candidate.systemDisk = 1;
    }
    return true;
}

} // namespace

std::uint32_t SearchSelector() {
    unsigned char searchCode[4] = {};
    ReadSetting(kHkeyLocalMachine, kSettingsKey, kSearchCode, searchCode, sizeof searchCode);
    return searchCode[0] != 0 ? searchCode[0] : kDefaultSelector;
}

bool BuildInventory(Inventory& inventory, EntryDetails (*details)[kInventorySize]) {
    SearchBinding search;
    char directory[1024];
    if (programDirectory(directory, sizeof directory) == 0 || !search.load(directory)) return false;

    // The drives of the current and the Windows directory are never offered.
    char currentDirectory[260] = {};
    char windowsDirectory[260] = {};
    getCurrentDirectory(currentDirectory, sizeof currentDirectory);
    getWindowsDirectory(windowsDirectory, sizeof windowsDirectory);
    const char excluded[2] = {currentDirectory[0], windowsDirectory[0]};

    search.Initialization(static_cast<std::int32_t>(SearchSelector()));
    search.GetDeviceCount();

    Candidate accepted[kInventorySize];
    int count = 0;
    for (int index = 0; index < kInventorySize; ++index) {
        DeviceRecord record{};
        search.GetDeviceList(index, &record);
        if (record.valid != 1) continue;
        Candidate candidate;
        if (accept(record, excluded, candidate)) accepted[count++] = candidate;
    }
    search = SearchBinding(); // unload before the inventory changes hands

    inventory = Inventory{};
    for (int i = 0; i < count; ++i) {
        InventoryEntry& entry = inventory.entries[i];
        entry.valid = 1;
        entry.kind = kKindDevice;
        entry.systemDisk = accepted[i].systemDisk;
        entry.deviceClass = accepted[i].deviceClass;
        copyToField(entry.driveLetters, accepted[i].driveLetters);
        copyToField(entry.driveName, accepted[i].driveName);
        copyToField(entry.hardwareId, accepted[i].hardwareId);
        copyToField(entry.pdoName, accepted[i].pdoName);
        if (details != nullptr) {
            (*details)[i] = EntryDetails{};
            (*details)[i].deviceNumber = accepted[i].deviceNumber;
            copyToField((*details)[i].hostDescription, accepted[i].hostDescription);
            std::memcpy((*details)[i].devicePath, accepted[i].devicePath, sizeof accepted[i].devicePath);
        }
    }
    return true;
}

} // namespace zel::app
