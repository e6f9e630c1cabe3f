// The rescan: the search names the host adapters by first hardware ID and physical
// device object name; the device tree is walked for the nodes that carry both.
#include "rescan.h"

#include "inventory_build.h"
#include "search_binding.h"

#include <zel/platform/library.h>
#include <zel/platform/machine.h>
#include <zel/text.h>

#include <string>
#include <vector>

namespace zel::app {
namespace {

using namespace zel::platform;

struct Adapter {
    std::string hardwareId;
    std::string pdoName;
};

// A property the two-step way; empty when the node lacks it or it cannot be read. For a
// string list this is its first string.
std::string propertyText(DevInst node, std::uint32_t property) {
    std::uint32_t length = 0;
    if (cmGetDevNodeRegistryProperty(node, property, nullptr, length) != kCrBufferSmall || length == 0) return {};
    std::vector<char> bytes(length + 2, '\0');
    if (cmGetDevNodeRegistryProperty(node, property, bytes.data(), length) != kCrSuccess) return {};
    return std::string(bytes.data());
}

// Bounds a walk of a tree that changes under it.
constexpr int kMaxNodes = 65536;

// The present nodes of the adapters, found by a walk of the whole tree.
std::vector<DevInst> adapterNodes(const std::vector<Adapter>& adapters) {
    std::vector<DevInst> found;
    DevInst root = 0;
    if (cmLocateRoot(root) != kCrSuccess) return found;
    std::vector<DevInst> pending{root};
    for (int visited = 0; !pending.empty() && visited < kMaxNodes; ++visited) {
        const DevInst node = pending.back();
        pending.pop_back();
        const std::string id = propertyText(node, kCmDrpHardwareId);
        if (!id.empty()) {
            const std::string pdo = propertyText(node, kCmDrpPhysicalDeviceObjectName);
            for (const Adapter& adapter : adapters)
                if (adapter.hardwareId == id && adapter.pdoName == pdo) {
                    found.push_back(node);
                    break;
                }
        }
        DevInst child = 0;
        if (cmGetChild(child, node) != kCrSuccess) continue;
        for (int siblings = 0; siblings < kMaxNodes; ++siblings) {
            pending.push_back(child);
            DevInst next = 0;
            if (cmGetSibling(next, child) != kCrSuccess) break;
            child = next;
        }
    }
    return found;
}

} // namespace

int RescanHostAdapters() {
    std::vector<Adapter> adapters;
    {
        SearchBinding search;
        char directory[1024];
        if (programDirectory(directory, sizeof directory) == 0 || !search.load(directory)) return -1;
        search.Initialization(static_cast<std::int32_t>(SearchSelector()));
        search.GetDeviceCount();
        for (int index = 0; index < kSearchTableSize; ++index) {
            HostRecord host{};
            search.GetHostList(index, &host);
            if (host.valid == 1)
                adapters.push_back({std::string(fieldText(host.hardwareId)), std::string(fieldText(host.pdoName))});
        }
    }
    // Asked after the walk: a node that appears must not change the walk under way.
    int asked = 0;
    for (const DevInst node : adapterNodes(adapters))
        if (cmReenumerateDevNode(node) == kCrSuccess) ++asked;
    return asked;
}

} // namespace zel::app
