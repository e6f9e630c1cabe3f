#include "drive_map.h"

#include <zel/text.h>

#include <cstdio>
#include <cstring>

namespace zel::search {

using namespace zel::platform;

namespace {

constexpr int kPhysicalDriveProbes = 26;

// Opens a device for a query, asks its number and closes it at once.
bool queryNumber(const char* path, StorageDeviceNumber& number) {
    const DeviceHandle device = DeviceHandle::openForQuery(path);
    return device && queryStorageDeviceNumber(device, number);
}

void probe(const char* path, const FoundDeviceList& found, std::vector<DriveProbe>& probes) {
    StorageDeviceNumber number{};
    if (!queryNumber(path, number)) return;
    DriveProbe drive{path, number, -1};
    for (std::size_t i = 0; i < found.size(); ++i) {
        if (found[i].number.deviceType == number.deviceType &&
            found[i].number.deviceNumber == number.deviceNumber) {
            drive.match = static_cast<int>(i);
            break;
        }
    }
    probes.push_back(std::move(drive));
}

bool anyCdRomDescription(const FoundDeviceList& found) {
    for (const FoundDevice& device : found)
        if (device.deviceDescription.compare(0, 6, "CD-ROM") == 0) return true;
    return false;
}

const char* firstOrEmpty(const std::vector<std::string>& list) {
    return list.empty() ? "" : list.front().c_str();
}

} // namespace

std::vector<DriveProbe> probeDrives(const FoundDeviceList& found) {
    std::vector<DriveProbe> probes;
    char path[32];
    for (int n = 0; n < kPhysicalDriveProbes; ++n) {
        std::snprintf(path, sizeof path, "\\\\.\\PhysicalDrive%d", n);
        probe(path, found, probes);
    }
    if (!anyCdRomDescription(found)) return probes;

    // Z: is left out of this pass (but not of the drive-letter lookup).
    const std::uint32_t mask = getLogicalDrives();
    for (char letter = 'C'; letter <= 'Y'; ++letter) {
        if ((mask & (1u << (letter - 'A'))) == 0) continue;
        const char root[] = {letter, ':', '\0'};
        if (getDriveType(root) != kDriveCdRom) continue;
        std::snprintf(path, sizeof path, "\\\\.\\%c:", letter);
        probe(path, found, probes);
    }
    return probes;
}

int fillDeviceTable(std::span<const DriveProbe> probes, const FoundDeviceList& found,
                    std::span<DeviceEntry> table) {
    int filled = 0;
    for (const DriveProbe& drive : probes) {
        if (drive.match < 0) continue;
        if (filled == static_cast<int>(table.size())) break;
        const FoundDevice& device = found[static_cast<std::size_t>(drive.match)];
        DeviceEntry& entry = table[static_cast<std::size_t>(filled++)];
        entry = {};
        entry.valid = 1;
        entry.deviceType = static_cast<std::uint8_t>(drive.number.deviceType);
        entry.deviceNumber = static_cast<std::uint8_t>(drive.number.deviceNumber);
        copyToField(entry.devicePath, drive.devicePath);
        copyToField(entry.friendlyName, device.friendlyName);
        copyToField(entry.hostDescription, device.hostDescription);
        copyToField(entry.parentHardwareId, firstOrEmpty(device.parentHardwareIds));
        copyToField(entry.grandparentHardwareId, firstOrEmpty(device.grandparentHardwareIds));
        copyToField(entry.deviceDescription, device.deviceDescription);
        copyToField(entry.hardwareId, firstOrEmpty(device.hardwareIds));
        copyToField(entry.instanceSuffix, device.instanceSuffix);
        copyToField(entry.pdoName, device.pdoName);
    }
    return filled;
}

void lookUpDriveLetters(std::uint8_t deviceType, std::uint8_t number, DeviceRecord& record) {
    int count = 0;
    const std::uint32_t mask = getLogicalDrives();
    for (char letter = 'C'; letter <= 'Z'; ++letter) {
        if ((mask & (1u << (letter - 'A'))) == 0) continue;
        const char root[] = {letter, ':', '\0'};
        const std::uint32_t driveType = getDriveType(root);
        const bool fits = (deviceType == kFileDeviceCdRom && driveType == kDriveCdRom) ||
                          (deviceType == kFileDeviceDisk && driveType == kDriveFixed);
        if (!fits) continue;
        char path[8];
        std::snprintf(path, sizeof path, "\\\\.\\%c:", letter);
        StorageDeviceNumber volume{};
        if (!queryNumber(path, volume) || volume.deviceNumber != number) continue;
        record.driveLetters[count++] = letter;
        record.driveType = static_cast<std::uint8_t>(driveType);
    }
    // At most 24 letters: the terminator always fits the 26-byte field.
    record.driveLetters[count] = '\0';
    if (count == 0) record.driveType = 0;
}

} // namespace zel::search
