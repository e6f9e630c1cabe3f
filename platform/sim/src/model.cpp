#include "model.h"

#include "text.h"

#include <cstdio>

namespace zel::sim {
namespace detail {

int nodeSlot(const Machine& machine, DevInst devInst) {
    if (devInst == 0 || devInst > machine.nodes.size()) return -1;
    return static_cast<int>(devInst - 1);
}

int nodeIndex(const Machine& machine, DevInst devInst) {
    const int n = nodeSlot(machine, devInst);
    return n >= 0 && machine.nodes[n].present ? n : -1;
}

std::vector<int> preOrder(const Machine& machine) {
    std::vector<int> order;
    if (machine.nodes.empty()) return order;
    std::vector<int> pending{0};
    std::vector<bool> seen(machine.nodes.size(), false);
    while (!pending.empty()) {
        const int n = pending.back();
        pending.pop_back();
        // A hand-edited machine may link a node twice or out of range; visit it once.
        if (n < 0 || static_cast<std::size_t>(n) >= machine.nodes.size() || seen[n]) continue;
        if (!machine.nodes[n].present) continue; // a removed node takes its subtree along
        seen[n] = true;
        order.push_back(n);
        const auto& children = machine.nodes[n].children;
        for (auto it = children.rbegin(); it != children.rend(); ++it) pending.push_back(*it);
    }
    return order;
}

std::optional<InterfaceClass> classOfGuid(const platform::Guid& guid) {
    for (InterfaceClass cls : {InterfaceClass::disk, InterfaceClass::cdrom, InterfaceClass::writeOnceDisk})
        if (interfaceClassGuid(cls) == guid) return cls;
    return std::nullopt;
}

std::optional<std::string> mutexObjectName(std::string_view name, std::int32_t& error) {
    constexpr std::string_view kGlobal = "Global\\";
    constexpr std::string_view kLocal = "Local\\";
    std::string_view rest = name;
    std::string prefix;
    if (name.substr(0, kGlobal.size()) == kGlobal) {
        prefix = kGlobal;
        rest.remove_prefix(kGlobal.size());
    } else if (name.substr(0, kLocal.size()) == kLocal) {
        rest.remove_prefix(kLocal.size());
    } else if (name.empty()) {
        return std::string();
    }
    // Measured under Wine, as Windows answers: a bare namespace prefix is an invalid
    // name, a further backslash a path that does not exist.
    if (rest.empty()) {
        error = platform::kErrorInvalidName;
        return std::nullopt;
    }
    if (rest.find('\\') != std::string_view::npos) {
        error = platform::kErrorPathNotFound;
        return std::nullopt;
    }
    if (name.size() > 260) {
        error = platform::kErrorFilenameExcedRange;
        return std::nullopt;
    }
    return prefix + std::string(rest);
}

std::string keyText(platform::RegistryHive hive, std::string_view path) {
    const char* name = "HKEY?";
    switch (hive) {
    case platform::kHkeyClassesRoot: name = "HKCR"; break;
    case platform::kHkeyCurrentUser: name = "HKCU"; break;
    case platform::kHkeyLocalMachine: name = "HKLM"; break;
    case platform::kHkeyUsers: name = "HKU"; break;
    default: break;
    }
    std::string text = name;
    if (!path.empty()) text += "\\" + std::string(path);
    return text;
}

std::string guidText(const platform::Guid& g) {
    char text[40];
    std::snprintf(text, sizeof text, "{%08lx-%04x-%04x-%02x%02x-%02x%02x%02x%02x%02x%02x}",
                  static_cast<unsigned long>(g.data1), g.data2, g.data3, g.data4[0], g.data4[1],
                  g.data4[2], g.data4[3], g.data4[4], g.data4[5], g.data4[6], g.data4[7]);
    return text;
}

} // namespace detail

const char* interfaceClassName(InterfaceClass cls) noexcept {
    switch (cls) {
    case InterfaceClass::disk: return "disk";
    case InterfaceClass::cdrom: return "cdrom";
    case InterfaceClass::writeOnceDisk: return "writeonce";
    }
    return "?";
}

const platform::Guid& interfaceClassGuid(InterfaceClass cls) noexcept {
    switch (cls) {
    case InterfaceClass::cdrom: return platform::kGuidDevInterfaceCdRom;
    case InterfaceClass::writeOnceDisk: return platform::kGuidDevInterfaceWriteOnceDisk;
    case InterfaceClass::disk: break;
    }
    return platform::kGuidDevInterfaceDisk;
}

const DeviceObject* findDevice(const Machine& machine, std::string_view path) noexcept {
    for (const DeviceObject& d : machine.devices)
        if (detail::equalNoCase(d.path, path)) return &d;
    return nullptr;
}

DeviceObject* findDevice(Machine& machine, std::string_view path) noexcept {
    return const_cast<DeviceObject*>(findDevice(static_cast<const Machine&>(machine), path));
}

int findNode(const Machine& machine, std::string_view instanceId) noexcept {
    // A device pulled and plugged again is a removed node and a present one: the present one wins.
    int removed = -1;
    for (std::size_t i = 0; i < machine.nodes.size(); ++i) {
        if (!detail::equalNoCase(machine.nodes[i].instanceId, instanceId)) continue;
        if (machine.nodes[i].present) return static_cast<int>(i);
        if (removed < 0) removed = static_cast<int>(i);
    }
    return removed;
}

} // namespace zel::sim
