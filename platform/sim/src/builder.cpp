// The fluent machine builder.
#include "guard.h"
#include "model.h"
#include "registry_model.h"
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

// A device object of the node that stands for the whole disk (its interfaces and
// "\\.\PhysicalDrive<n>"), not one of its volumes.
bool wholeDisk(const DeviceObject& d, int node) {
    return d.owner == node && d.number.deviceType == kFileDeviceDisk && d.number.partitionNumber == 0;
}

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

Layout basicDiskLayout() noexcept {
    return detail::guarded(Layout{}, [] { return Layout::mbr({0x07}); });
}

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
        layout(basicDiskLayout());
    });
    return *this;
}

NodeRef& NodeRef::cdrom(std::uint32_t number) {
    return storageInterface(InterfaceClass::cdrom, {kFileDeviceCdRom, number, 0});
}

NodeRef& NodeRef::layout(const Layout& layout) {
    detail::guardedVoid([&] {
        for (DeviceObject& d : builder_->machine_.devices)
            if (wholeDisk(d, index_)) d.layout = layout;
    });
    return *this;
}

NodeRef& NodeRef::opensForRead(bool opens) {
    for (DeviceObject& d : builder_->machine_.devices)
        if (wholeDisk(d, index_)) d.opensForRead = opens;
    return *this;
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
        m.volumes.push_back({letter, type, index_, {}});
        m.devices.push_back({std::string("\\\\.\\") + letter + ':', number, true, true, index_});
    });
    return *this;
}

NodeRef& NodeRef::files(const std::vector<std::string>& names) {
    detail::guardedVoid([&] {
        auto& volumes = builder_->machine_.volumes;
        for (auto v = volumes.rbegin(); v != volumes.rend(); ++v)
            if (v->owner == index_) {
                v->files.insert(v->files.end(), names.begin(), names.end());
                break;
            }
    });
    return *this;
}

NodeRef& NodeRef::refusesRemoval(std::uint32_t times) {
    node().refusesRemoval = times;
    return *this;
}

NodeRef& NodeRef::leavesVolumesOnRemoval() {
    node().removalLeavesVolumes = true;
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
        machine_.volumes.push_back({letter, driveType, -1, {}});
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

MachineBuilder& MachineBuilder::files(char letter, const std::vector<std::string>& names) {
    detail::guardedVoid([&] {
        for (Volume& v : machine_.volumes)
            if (v.letter == detail::upper(letter)) v.files.insert(v.files.end(), names.begin(), names.end());
    });
    return *this;
}

MachineBuilder& MachineBuilder::osVersion(std::uint32_t major, std::uint32_t minor, std::uint32_t build) {
    machine_.system.version = {major, minor, build, platform::kVerPlatformWin32Nt};
    return *this;
}

MachineBuilder& MachineBuilder::userLcid(std::uint32_t lcid) {
    machine_.system.lcid = lcid;
    return *this;
}

MachineBuilder& MachineBuilder::windowsDirectory(std::optional<std::string> path) {
    detail::guardedVoid([&] { machine_.system.windowsDirectory = std::move(path); });
    return *this;
}

MachineBuilder& MachineBuilder::currentDirectory(std::optional<std::string> path) {
    detail::guardedVoid([&] { machine_.system.currentDirectory = std::move(path); });
    return *this;
}

MachineBuilder& MachineBuilder::registryKey(platform::RegistryHive hive, const std::string& path) {
    detail::guardedVoid([&] { detail::ensureKey(machine_.system.registry, hive, path); });
    return *this;
}

MachineBuilder& MachineBuilder::registryValue(platform::RegistryHive hive, const std::string& path,
                                              const std::string& name, std::uint32_t type, const std::string& data) {
    detail::guardedVoid([&] {
        detail::writeValue(detail::ensureKey(machine_.system.registry, hive, path), name, type, data);
    });
    return *this;
}

MachineBuilder& MachineBuilder::registryAccess(platform::RegistryHive hive, const std::string& path, bool readable,
                                               bool writable) {
    detail::guardedVoid([&] {
        RegistryKeyData& key = detail::ensureKey(machine_.system.registry, hive, path);
        key.readable = readable;
        key.writable = writable;
    });
    return *this;
}

MachineBuilder& MachineBuilder::library(const std::string& name, const std::vector<std::string>& missingExports) {
    detail::guardedVoid([&] {
        withoutLibrary(name);
        machine_.system.libraries.push_back({name, missingExports});
    });
    return *this;
}

MachineBuilder& MachineBuilder::withoutLibrary(const std::string& name) {
    std::erase_if(machine_.system.libraries, [&](const LibraryFile& f) { return detail::equalNoCase(f.name, name); });
    return *this;
}

MachineBuilder& MachineBuilder::process(std::uint32_t id, const std::string& image,
                                        const std::vector<std::string>& openFiles) {
    Process& p = detail::processOf(machine_, id, image);
    p.openFiles.insert(p.openFiles.end(), openFiles.begin(), openFiles.end());
    return *this;
}

MachineBuilder& MachineBuilder::holderQuery(HolderQuery answer) {
    machine_.holderQuery = answer;
    return *this;
}

} // namespace zel::sim
