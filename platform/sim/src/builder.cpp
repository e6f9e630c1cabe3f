// The fluent machine builder.
#include "guard.h"
#include "model.h"
#include "text.h"

#include <string>
#include <utility>

namespace zel::sim {
namespace {

using platform::kDriveCdRom;
using platform::kDriveFixed;
using platform::kFileDeviceCdRom;
using platform::kFileDeviceDisk;

std::string sz(const std::string& text) { return text + '\0'; }

// "\\?\<instance ID with '#' for '\'>#{class GUID}" in lower case, as Windows names a
// device interface; a second interface of one class on one node gets a reference
// string ("...#{guid}\1") so every path stays unique.
std::string interfacePath(const Machine& machine, int index, InterfaceClass cls) {
    const Node& node = machine.nodes[index];
    std::string id = node.instanceId.empty() ? "sim\\node" + std::to_string(index) : node.instanceId;
    for (char& c : id)
        if (c == '\\') c = '#';
    const std::string base =
        "\\\\?\\" + detail::lowered(id) + "#" + detail::guidText(interfaceClassGuid(cls));
    std::string path = base;
    for (int ref = 1; findDevice(machine, path) != nullptr; ++ref) path = base + "\\" + std::to_string(ref);
    return path;
}

} // namespace

Node& NodeRef::node() { return builder_->machine_.nodes[index_]; }

NodeRef& NodeRef::instanceId(const std::string& id) {
    detail::guardedVoid([&] { node().instanceId = id; });
    return *this;
}

NodeRef& NodeRef::hardwareIds(const std::vector<std::string>& ids) {
    detail::guardedVoid([&] {
        std::string bytes;
        for (const std::string& id : ids) bytes += sz(id);
        property(platform::kCmDrpHardwareId, bytes + '\0');
    });
    return *this;
}

NodeRef& NodeRef::description(const std::string& text) {
    detail::guardedVoid([&] { property(platform::kCmDrpDeviceDesc, sz(text)); });
    return *this;
}

NodeRef& NodeRef::friendlyName(const std::string& text) {
    detail::guardedVoid([&] { property(platform::kCmDrpFriendlyName, sz(text)); });
    return *this;
}

NodeRef& NodeRef::service(const std::string& text) {
    detail::guardedVoid([&] { property(platform::kCmDrpService, sz(text)); });
    return *this;
}

NodeRef& NodeRef::className(const std::string& text) {
    detail::guardedVoid([&] { property(platform::kCmDrpClass, sz(text)); });
    return *this;
}

NodeRef& NodeRef::classGuid(const std::string& text) {
    detail::guardedVoid([&] { property(platform::kCmDrpClassGuid, sz(text)); });
    return *this;
}

NodeRef& NodeRef::pdoName(const std::string& text) {
    detail::guardedVoid([&] { property(platform::kCmDrpPhysicalDeviceObjectName, sz(text)); });
    return *this;
}

NodeRef& NodeRef::property(std::uint32_t code, const std::string& bytes) {
    // Replaces the bytes; whether the property reads stays as unreadable() left it.
    detail::guardedVoid([&] { node().properties[code].bytes = bytes; });
    return *this;
}

NodeRef& NodeRef::unreadable(std::uint32_t code) {
    detail::guardedVoid([&] { node().properties[code].readable = false; });
    return *this;
}

NodeRef& NodeRef::storageInterface(InterfaceClass cls, StorageDeviceNumber number, std::string path) {
    detail::guardedVoid([&] {
        Machine& m = builder_->machine_;
        if (path.empty()) path = interfacePath(m, index_, cls);
        node().interfaces.push_back({cls, path});
        m.devices.push_back({path, number, true, true, index_});
    });
    return *this;
}

NodeRef& NodeRef::disk(std::uint32_t number) {
    detail::guardedVoid([&] {
        const StorageDeviceNumber n{kFileDeviceDisk, number, 0};
        storageInterface(InterfaceClass::disk, n);
        builder_->machine_.devices.push_back(
            {"\\\\.\\PhysicalDrive" + std::to_string(number), n, true, true, index_});
    });
    return *this;
}

NodeRef& NodeRef::cdrom(std::uint32_t number) {
    return storageInterface(InterfaceClass::cdrom, {kFileDeviceCdRom, number, 0});
}

NodeRef& NodeRef::volume(char letter, std::optional<std::uint32_t> driveType) {
    detail::guardedVoid([&] {
        Machine& m = builder_->machine_;
        // The volume answers the number of the node's first device object; a disk's
        // volumes are its partitions 1, 2, ... in the order they are added.
        StorageDeviceNumber number{};
        for (const DeviceObject& d : m.devices)
            if (d.owner == index_) {
                number = d.number;
                break;
            }
        if (number.deviceType == kFileDeviceDisk) {
            number.partitionNumber = 1;
            for (const Volume& v : m.volumes)
                if (v.owner == index_) ++number.partitionNumber;
        }
        const std::uint32_t type =
            driveType.value_or(number.deviceType == kFileDeviceCdRom ? kDriveCdRom : kDriveFixed);
        letter = detail::upper(letter);
        m.volumes.push_back({letter, type, index_});
        m.devices.push_back({std::string("\\\\.\\") + letter + ':', number, true, true, index_});
    });
    return *this;
}

NodeRef NodeRef::child() {
    Machine& m = builder_->machine_;
    const int index = static_cast<int>(m.nodes.size());
    // Without memory for the node, the parent stands in: the caller's chain goes on.
    const bool added = detail::guarded(false, [&] {
        m.nodes[index_].children.reserve(m.nodes[index_].children.size() + 1);
        Node n;
        n.parent = index_;
        m.nodes.push_back(std::move(n));
        m.nodes[index_].children.push_back(index);
        return true;
    });
    return added ? NodeRef(*builder_, index) : *this;
}

MachineBuilder::MachineBuilder() {
    detail::guardedVoid([&] {
        Node root;
        root.instanceId = "HTREE\\ROOT\\0";
        machine_.nodes.push_back(std::move(root));
    });
}

MachineBuilder& MachineBuilder::looseVolume(char letter, std::uint32_t driveType,
                                            std::optional<StorageDeviceNumber> number) {
    detail::guardedVoid([&] {
        letter = detail::upper(letter);
        machine_.volumes.push_back({letter, driveType, -1});
        // Without a number the volume opens but does not answer the device-number query,
        // as a network drive does.
        machine_.devices.push_back(
            {std::string("\\\\.\\") + letter + ':', number.value_or(StorageDeviceNumber{}), true,
             number.has_value(), -1});
    });
    return *this;
}

MachineBuilder& MachineBuilder::device(DeviceObject object) {
    detail::guardedVoid([&] { machine_.devices.push_back(std::move(object)); });
    return *this;
}

} // namespace zel::sim
