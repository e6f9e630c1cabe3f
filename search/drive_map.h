#pragma once
// Tying found devices to the names the system addresses them by: physical drives,
// CD-ROM volumes and drive letters.

#include "host_search.h"
#include "search_context.h"

#include <span>
#include <string>
#include <vector>

namespace zel::search {

// A physical drive name or CD-ROM volume that answered the device-number query.
struct DriveProbe {
    std::string devicePath;
    StorageDeviceNumber number{};
    int match = -1; // index of the first found device with the same type and number
};

// Probes "\\.\PhysicalDrive0" to 25 and, when a found device is described as a
// CD-ROM drive, the CD-ROM volumes C: to Y:.
std::vector<DriveProbe> probeDrives(const FoundDeviceList& found);

// One table entry per matched probe, in probe order, up to the table's size; later
// matches are dropped. Returns the number of entries written.
int fillDeviceTable(std::span<const DriveProbe> probes, const FoundDeviceList& found,
                    std::span<DeviceEntry> table);

// Writes the letters of the fixed (disk) or CD-ROM volumes whose device number is
// `number` into the record, with the drive type of the last one; no letters leaves
// the first letter byte and the drive type 0.
void lookUpDriveLetters(std::uint8_t deviceType, std::uint8_t number, DeviceRecord& record);

} // namespace zel::search
