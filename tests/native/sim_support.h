#pragma once
// Helpers for the simulated machine's own tests: they drive the machine only through
// the platform calls, as the program does.

#include <zel/platform/machine.h>
#include <zel/sim/machine.h>

#include <cstdint>
#include <string>
#include <vector>

namespace zel::test {

// The node's instance ID through CM_Get_Device_IDA, or "?" when the call fails.
inline std::string deviceId(platform::DevInst node) {
    char id[platform::kDeviceIdBufferLength] = {};
    return platform::cmGetDeviceId(node, id, sizeof id) == platform::kCrSuccess ? id : "?";
}

// Walks the whole tree in pre-order with child, sibling and parent, and lists the
// instance IDs it visits.
inline std::vector<std::string> walkPreOrder() {
    std::vector<std::string> visited;
    platform::DevInst node = 0;
    if (platform::cmLocateRoot(node) != platform::kCrSuccess) return visited;
    // A tree whose links loop would keep the walk going: stop well past any test machine.
    while (visited.size() < 10000) {
        visited.push_back(deviceId(node));
        platform::DevInst next = 0;
        if (platform::cmGetChild(next, node) == platform::kCrSuccess) {
            node = next;
            continue;
        }
        while (platform::cmGetSibling(next, node) != platform::kCrSuccess) {
            if (platform::cmGetParent(next, node) != platform::kCrSuccess) return visited;
            node = next;
        }
        node = next;
    }
    return visited;
}

// A property read the way the program reads it: the size query, then the read.
inline std::string readProperty(platform::DevInst node, std::uint32_t code) {
    std::uint32_t size = 0;
    if (platform::cmGetDevNodeRegistryProperty(node, code, nullptr, size) != platform::kCrBufferSmall) return "?";
    std::string bytes(size + 2, '\0');
    std::uint32_t length = size + 2;
    if (platform::cmGetDevNodeRegistryProperty(node, code, bytes.data(), length) != platform::kCrSuccess)
        return "?";
    bytes.resize(length);
    return bytes;
}

// The device path behind an interface, or "?".
inline std::string interfacePath(const platform::DeviceInfoSet& set, const platform::DeviceInterfaceData& data) {
    std::uint32_t required = 0;
    platform::DevInst owner = 0;
    if (!platform::setupInterfaceDetailSize(set, data, required, owner)) return "?";
    std::string path(required, '\0');
    if (!platform::setupInterfaceDevicePath(set, data, required, path.data(), required)) return "?";
    return path.c_str();
}

inline platform::StorageDeviceNumber answerOf(const char* path, bool* answered = nullptr) {
    platform::StorageDeviceNumber n{0xEE, 0xEE, 0xEE};
    const platform::DeviceHandle h = platform::DeviceHandle::openForQuery(path);
    const bool ok = h && platform::queryStorageDeviceNumber(h, n);
    if (answered != nullptr) *answered = ok;
    return n;
}

} // namespace zel::test
