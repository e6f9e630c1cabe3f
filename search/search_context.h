#pragma once
// The state of the search library: the device and host tables of the last search.

#include "device_tree.h"
#include "zelsearch.h"

#include <zel/platform/machine.h>

#include <cstdint>

namespace zel::search {

// One disk or CD-ROM drive that a probe tied to a found device.
struct DeviceEntry {
    std::int32_t valid;
    std::uint8_t deviceType;   // low 8 bits of the storage device type
    std::uint8_t deviceNumber; // low 8 bits of the storage device number
    char devicePath[32];
    char friendlyName[128];
    char hostDescription[128];
    char parentHardwareId[128];
    char grandparentHardwareId[128];
    char deviceDescription[36];
    char hardwareId[64];
    char instanceSuffix[64];
    char pdoName[128];
};

struct HostEntry {
    platform::DevInst devInst; // nonzero when in use
    char pdoName[128];
    char hardwareId[128];
    char description[128];
};

class SearchContext {
public:
    // Runs a complete search with the selector and replaces all previous results.
    void initialize(std::int32_t selector);
    std::int32_t deviceCount() const;
    // Only the low 8 bits of the index count. Null records are ignored.
    void readDevice(std::int32_t index, DeviceRecord* record) const;
    void readHost(std::int32_t index, HostRecord* record) const;

private:
    void scanDevices(DeviceTree& tree, std::uint32_t selector);
    void scanHosts(DeviceTree& tree, std::uint32_t selector);

    DeviceEntry devices_[kSearchTableSize] = {};
    HostEntry hosts_[kSearchTableSize] = {};
};

} // namespace zel::search
