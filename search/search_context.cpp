#include "search_context.h"

#include "drive_map.h"
#include "hardware_ids.h"
#include "host_search.h"
#include "pattern_list.h"
#include <zel/text.h>

namespace zel::search {

using namespace zel::platform;

namespace {
std::size_t tableIndex(std::int32_t index) {
    return static_cast<std::size_t>(static_cast<std::uint32_t>(index) & 0xFFu);
}
} // namespace

void SearchContext::initialize(std::int32_t selector) {
    const auto bits = static_cast<std::uint32_t>(selector);
    DeviceTree tree; // this search's snapshot: every node reached and read once
    scanDevices(tree, bits);
    scanHosts(tree, bits);
}

void SearchContext::scanDevices(DeviceTree& tree, std::uint32_t selector) {
    for (DeviceEntry& entry : devices_) entry = {};
    const PatternList patterns = buildPatternList(tree, selector);
    const FoundDeviceList found = hostSearch(tree, patterns);
    if (found.empty()) return;
    const std::vector<DriveProbe> probes = probeDrives(found);
    fillDeviceTable(probes, found, devices_);
}

void SearchContext::scanHosts(DeviceTree& tree, std::uint32_t selector) {
    if (!tree.located()) return; // the previous hosts stay
    for (HostEntry& entry : hosts_) entry = {};
    const auto hostIds = hostIdList(selector);
    std::size_t filled = 0;
    // Hosts past the table are dropped.
    for (DeviceTree::Node node = 0; node < tree.size() && filled < kSearchTableSize; ++node) {
        const std::vector<std::string>& ids = tree.hardwareIds(node);
        if (ids.empty()) continue;
        for (std::string_view hostId : hostIds) {
            if (!equalsNoCase(ids.front(), hostId)) continue;
            HostEntry& entry = hosts_[filled++];
            entry.devInst = tree.devInst(node);
            copyToField(entry.hardwareId, ids.front());
            copyToField(entry.description, tree.text(node, kCmDrpDeviceDesc));
            copyToField(entry.pdoName, tree.text(node, kCmDrpPhysicalDeviceObjectName));
            break;
        }
    }
}

std::int32_t SearchContext::deviceCount() const {
    std::int32_t count = 0;
    for (const DeviceEntry& entry : devices_)
        if (entry.valid == 1) ++count;
    return count;
}

void SearchContext::readDevice(std::int32_t index, DeviceRecord* record) const {
    if (record == nullptr) return;
    const std::size_t i = tableIndex(index);
    const DeviceEntry* entry = i < kSearchTableSize && devices_[i].valid == 1 ? &devices_[i] : nullptr;
    if (entry == nullptr) {
        lookUpDriveLetters(0, 0, *record);
        return;
    }
    record->valid = 1;
    record->deviceNumber = entry->deviceNumber;
    copyToField(record->devicePath, entry->devicePath);
    copyToField(record->friendlyName, entry->friendlyName);
    copyToField(record->hostDescription, entry->hostDescription);
    copyToField(record->parentHardwareId, entry->parentHardwareId);
    copyToField(record->grandparentHardwareId, entry->grandparentHardwareId);
    copyToField(record->deviceDescription, entry->deviceDescription);
    copyToField(record->hardwareId, entry->hardwareId);
    copyToField(record->instanceSuffix, entry->instanceSuffix);
    copyToField(record->pdoName, entry->pdoName);
    lookUpDriveLetters(entry->deviceType, entry->deviceNumber, *record);
}

void SearchContext::readHost(std::int32_t index, HostRecord* record) const {
    if (record == nullptr) return;
    const std::size_t i = tableIndex(index);
    if (i >= kSearchTableSize || hosts_[i].devInst == 0) return;
    const HostEntry& entry = hosts_[i];
    record->valid = 1;
    copyToField(record->hardwareId, entry.hardwareId);
    copyToField(record->description, entry.description);
    copyToField(record->pdoName, entry.pdoName);
}

} // namespace zel::search
