#pragma once
// The host search of a device scan: every node whose hardware IDs match the pattern
// list is a host, and the storage devices beneath it are collected.

#include "device_tree.h"
#include "pattern_list.h"

#include <string>
#include <vector>

namespace zel::search {

using platform::StorageDeviceNumber;

// A storage device found beneath a host.
struct FoundDevice {
    DevInst devInst = 0;
    std::string friendlyName;
    std::string hostDescription; // device description of the host it was found under
    std::string deviceDescription;
    std::vector<std::string> parentHardwareIds;
    std::vector<std::string> grandparentHardwareIds;
    std::vector<std::string> hardwareIds;
    std::string instanceSuffix;
    std::string pdoName;
    StorageDeviceNumber number{};
};

// In discovery order, duplicates kept: a device under several hosts, or under a host
// that matches several patterns, is collected once per match.
using FoundDeviceList = std::vector<FoundDevice>;

// Every node of the tree, in pre-order, whose hardware IDs match a pattern is a host.
FoundDeviceList hostSearch(DeviceTree& tree, const PatternList& patterns);

// Examines the host's children, then only the children of each level's last child.
// Appends what it finds; true when it appended anything.
bool childWalk(DeviceTree& tree, DeviceTree::Node host, const std::string& hostDescription, bool filter1394,
               FoundDeviceList& found);

// Whether `node` exposes an openable interface of `interfaceClass`; the device number
// read through it lands in `number` (a later interface of the node overwrites it).
bool lookUpStorageInterface(DevInst node, const platform::Guid& interfaceClass,
                            StorageDeviceNumber& number);

// The 1394 unique-ID filter: on when the pattern list begins with exactly "1394\*".
bool uses1394Filter(const PatternList& patterns);
// Whether a device's instance suffix carries the unique ID of one of the line's bridges.
bool passes1394Filter(const std::string& instanceSuffix);

} // namespace zel::search
