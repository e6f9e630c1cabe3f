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
    scanDevices(bits);
    scanHosts(bits);
}

void SearchContext::scanDevices(std::uint32_t selector) {
    for (DeviceEntry& entry : devices_) entry = {};
    const PatternList patterns = buildPatternList(selector);
    const FoundDeviceList found = hostSearch(patterns);
    if (found.empty()) return;
    const std::vector<DriveProbe> probes = probeDrives(found);
    fillDeviceTable(probes, found, devices_);
}

void SearchContext::scanHosts(std::uint32_t selector) {
    DevInst root = 0;
    if (cmLocateRoot(root) != kCrSuccess) return; // the previous hosts stay
    for (HostEntry& entry : hosts_) entry = {};
    const auto hostIds = hostIdList(selector);
    std::size_t filled = 0;
    walkPreOrder([&](DevInst node) {
        if (filled == kSearchTableSize) return; // hosts past the table are dropped
        const std::vector<std::string> ids = readList(node, kCmDrpHardwareId);
        if (ids.empty()) return;
        for (std::string_view hostId : hostIds) {
            if (!equalsNoCase(ids.front(), hostId)) continue;
            HostEntry& entry = hosts_[filled++];
            entry.devInst = node;
            copyToField(entry.hardwareId, ids.front());
            copyToField(entry.description, readText(node, kCmDrpDeviceDesc));
            copyToField(entry.pdoName, readText(node, kCmDrpPhysicalDeviceObjectName));
            break;
        }
    });
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
