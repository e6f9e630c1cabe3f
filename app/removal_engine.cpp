// The device-installer walk of a removal: enumerate every present node, remove the ones
// that match both identifiers, wait, and check the volume.
#include "removal_engine.h"

#include "inventory.h"

#include <zel/platform/machine.h>
#include <zel/platform/system.h>

#include <cstdio>
#include <cstring>
#include <vector>

namespace zel::app {
namespace {

using platform::DeviceInfoData;
using platform::DeviceInfoSet;

enum class Read { ok, absent, failed };

// Reads a node's property the two-step way: the size query, then a zero-filled buffer two
// bytes longer than asked for, of which the call may fill only the size it reported, so
// a string or string list always ends in zeros. A property the node lacks, or has empty,
// is absent; other failures are asked again, a bounded number of times.
Read readProperty(const DeviceInfoSet& set, const DeviceInfoData& node, std::uint32_t property,
                  std::vector<char>& bytes) {
    for (int attempt = 0; attempt < kRemovalAttempts; ++attempt) {
        std::uint32_t required = 0;
        std::int32_t error = 0;
        if (!platform::setupGetDeviceRegistryProperty(set, node, property, nullptr, 0, required, error)) {
            if (error == platform::kErrorInvalidData) return Read::absent;
            if (error != platform::kErrorInsufficientBuffer) continue;
        }
        if (required == 0) return Read::absent;
        bytes.assign(required + 2, '\0');
        if (platform::setupGetDeviceRegistryProperty(set, node, property, bytes.data(), required, required, error))
            return Read::ok;
        if (error == platform::kErrorInvalidData) return Read::absent;
        // A property that grew between the two calls, or a transient failure: ask again.
    }
    return Read::failed;
}

// Whether the node matches both identifiers and the platform removed it. A refused
// removal is tried again, with the properties read afresh, kRemovalAttempts times in all.
bool removeIfMatching(const DeviceInfoSet& set, DeviceInfoData& node, const char* hardwareId, const char* pdoName) {
    std::vector<char> ids;
    std::vector<char> name;
    for (int attempt = 0; attempt < kRemovalAttempts; ++attempt) {
        // Only the first, most specific string of the hardware-ID list takes part.
        if (readProperty(set, node, platform::kSpdrpHardwareId, ids) != Read::ok) return false;
        if (std::strcmp(ids.data(), hardwareId) != 0) return false;
        if (readProperty(set, node, platform::kSpdrpPhysicalDeviceObjectName, name) != Read::ok) return false;
        if (std::strcmp(name.data(), pdoName) != 0) return false;
        if (platform::setupRemoveDevice(set, node)) return true;
    }
    return false;
}

} // namespace

int RemoveDeviceNode(int kind, const char* hardwareId, char letter, const char* pdoName) {
    if (hardwareId == nullptr) hardwareId = "";
    if (pdoName == nullptr) pdoName = "";
    DeviceInfoSet set = DeviceInfoSet::presentDevices();
    // Without the set nothing can be removed. Report that as a failure: an answer of 0
    // would read as "still running" to the progress window, which would then never close.
    if (!set) return -1;

    bool removed = false;
    for (std::uint32_t index = 0;; ++index) {
        DeviceInfoData node;
        if (!platform::setupEnumDeviceInfoData(set, index, node)) break;
        // Every node that matches is removed, not only the first.
        if (removeIfMatching(set, node, hardwareId, pdoName)) removed = true;
    }
    set.reset();
    platform::sleepMilliseconds(kVolumeSettleMilliseconds);

    if (kind == kKindDevice) {
        // The volume is the judge: a letter of 0 gives a path that never opens.
        char path[8];
        std::snprintf(path, sizeof path, "\\\\.\\%c:", letter);
        return platform::DeviceHandle::openForQuery(path) ? -1 : 1;
    }
    if (kind == kKindHost) return removed ? 1 : -1;
    return -1;
}

} // namespace zel::app
