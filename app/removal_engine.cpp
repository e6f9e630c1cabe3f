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

enum class Outcome {
    other,   // not the device
    removed, // the device, and the platform removed it
    kept,    // may be the device, and it is still there: refused, or an identifier unreadable
};

// What became of one node. A refused removal is tried again, with the properties read
// afresh, kRemovalAttempts times in all.
Outcome removeIfMatching(const DeviceInfoSet& set, DeviceInfoData& node, const char* hardwareId, const char* pdoName,
                         bool& restartNeeded) {
    std::vector<char> ids;
    std::vector<char> name;
    for (int attempt = 0; attempt < kRemovalAttempts; ++attempt) {
        // Only the first, most specific string of the hardware-ID list takes part. A node
        // without one is not the device; one whose list cannot be read may be.
        const Read identified = readProperty(set, node, platform::kSpdrpHardwareId, ids);
        if (identified == Read::failed) return Outcome::kept;
        if (identified != Read::ok) return Outcome::other;
        if (std::strcmp(ids.data(), hardwareId) != 0) return Outcome::other;
        const Read named = readProperty(set, node, platform::kSpdrpPhysicalDeviceObjectName, name);
        if (named == Read::failed) return Outcome::kept;
        if (named != Read::ok || std::strcmp(name.data(), pdoName) != 0) return Outcome::other;
        // A removal Windows left to the next restart did not happen: try again, as after
        // a refusal.
        const platform::RemoveResult result = platform::setupRemoveDevice(set, node);
        if (result == platform::RemoveResult::removed) return Outcome::removed;
        if (result == platform::RemoveResult::restartNeeded) restartNeeded = true;
    }
    return Outcome::kept;
}

} // namespace

int RemoveDeviceNode(int kind, const char* hardwareId, char letter, const char* pdoName, bool* restartNeeded) {
    bool vetoed = false;
    if (hardwareId == nullptr) hardwareId = "";
    if (pdoName == nullptr) pdoName = "";
    DeviceInfoSet set = DeviceInfoSet::presentDevices();
    // Without the set nothing can be removed. Report that as a failure: an answer of 0
    // would read as "still running" to the progress window, which would then never close.
    if (!set) return -1;

    bool removed = false;
    // A node of the device may still be present: one kept its place, or the walk ended on
    // a failure before the end of the set.
    bool maybeLeft = false;
    for (std::uint32_t index = 0;; ++index) {
        DeviceInfoData node;
        const platform::EnumResult next = platform::setupEnumDeviceInfoData(set, index, node);
        if (next != platform::EnumResult::ok) {
            maybeLeft = maybeLeft || next == platform::EnumResult::failed;
            break;
        }
        // Every node that matches is removed, not only the first.
        switch (removeIfMatching(set, node, hardwareId, pdoName, vetoed)) {
        case Outcome::removed: removed = true; break;
        case Outcome::kept: maybeLeft = true; break;
        case Outcome::other: break;
        }
    }
    set.reset();
    if (restartNeeded != nullptr) *restartNeeded = vetoed;
    platform::sleepMilliseconds(kVolumeSettleMilliseconds);

    if (kind == kKindDevice) {
        // A volume that still opens means the device is still there. One that does not open
        // proves nothing by itself (a device without a letter never has one, and the open
        // can fail for other reasons): the device must also have been removed by this walk,
        // or have been found nowhere in a complete walk.
        char path[8];
        std::snprintf(path, sizeof path, "\\\\.\\%c:", letter);
        const platform::QuietDriveProbes quiet;
        if (platform::DeviceHandle::openForQuery(path)) return -1;
        return removed || !maybeLeft ? 1 : -1;
    }
    if (kind == kKindHost) return removed ? 1 : -1;
    return -1;
}

} // namespace zel::app
