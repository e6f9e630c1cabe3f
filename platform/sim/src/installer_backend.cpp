// The device installer's calls on device-info elements, answered from the model: the
// element records, registry properties and device removal.
//
// A set is a snapshot: removing a node leaves its element (and those of its subtree) in
// the set, as Windows does. Such an element still reads the properties the registry
// keeps, but no longer has a physical device object, and cannot be removed again.
#include "guard.h"
#include "info_set.h"
#include "model.h"
#include "state.h"

#include <cstring>
#include <string>

namespace zel::platform {
namespace {

using sim::Machine;
using sim::Op;
using sim::detail::Call;
using sim::detail::guarded;
using sim::detail::setOf;

// What the failures of a call this model does not otherwise describe report
// (ERROR_GEN_FAILURE): injected faults, unreadable properties.
constexpr std::int32_t kErrorGenFailure = 31;

// What SP_DEVINFO_DATA carries here: the set it came from and the element's node.
struct ElementRef {
    std::uint32_t magic;
    DevInst devInst;
    std::uint64_t serial;
};
static_assert(sizeof(ElementRef) <= sizeof(DeviceInfoData::opaque));
constexpr std::uint32_t kMagic = 0x5A534445; // "ZSDE"

// The node an element record names (present or since removed), or -1 when the record
// does not come from this set.
int nodeOf(const Machine& m, const DeviceInfoSet& set, const DeviceInfoData& data) {
    if (!set) return -1;
    ElementRef ref;
    std::memcpy(&ref, data.opaque, sizeof ref);
    if (ref.magic != kMagic || ref.serial != setOf(set)->serial) return -1;
    return sim::detail::nodeSlot(m, ref.devInst);
}

std::string subjectOf(const Machine& m, int node) { return node < 0 ? std::string() : m.nodes[node].instanceId; }

} // namespace

EnumResult setupEnumDeviceInfoData(const DeviceInfoSet& set, std::uint32_t index, DeviceInfoData& data) {
    return guarded(EnumResult::failed, [&] {
        Call call(Op::setupEnumDeviceInfo);
        if (call.fails(sim::detail::subjectOf(set))) return EnumResult::failed;
        if (!set) return EnumResult::failed;
        if (index >= setOf(set)->elements.size()) return EnumResult::noMoreItems;
        const ElementRef ref{kMagic, setOf(set)->elements[index], setOf(set)->serial};
        data = DeviceInfoData{};
        std::memcpy(data.opaque, &ref, sizeof ref);
        return EnumResult::ok;
    });
}

bool setupGetDeviceRegistryProperty(const DeviceInfoSet& set, const DeviceInfoData& data, std::uint32_t property,
                                    void* buffer, std::uint32_t size, std::uint32_t& required,
                                    std::int32_t& lastError) {
    lastError = kErrorGenFailure;
    return guarded(false, [&] {
        Call call(Op::setupGetDeviceProperty);
        const Machine& m = call.machine();
        const int n = nodeOf(m, set, data);
        if (call.fails(subjectOf(m, n) + "|" + std::to_string(property))) return false;
        if (n < 0) {
            lastError = kErrorInvalidHandle;
            return false;
        }
        if (buffer == nullptr && size != 0) {
            lastError = kErrorInvalidParameter;
            return false;
        }
        // SPDRP_* codes are the CM_DRP_* codes less one.
        const sim::Node& node = m.nodes[n];
        const auto it = node.properties.find(property + 1);
        if (it == node.properties.end() || (property == kSpdrpPhysicalDeviceObjectName && !node.present)) {
            lastError = kErrorInvalidData;
            return false;
        }
        const auto bytes = static_cast<std::uint32_t>(it->second.bytes.size());
        required = bytes;
        // The size query answers even for a property whose read then fails.
        if (size < bytes) {
            lastError = kErrorInsufficientBuffer;
            return false;
        }
        if (!it->second.readable) return false;
        if (bytes > 0) std::memcpy(buffer, it->second.bytes.data(), bytes);
        lastError = kErrorSuccess;
        return true;
    });
}

RemoveResult setupRemoveDevice(const DeviceInfoSet& set, DeviceInfoData& data) {
    return guarded(RemoveResult::failed, [&] {
        // The windows are asked first, outside the machine's lock; a refusal is a veto.
        const bool windowsAgree = sim::detail::askWindowsBeforeRemoval();
        Call call(Op::setupRemoveDevice);
        Machine& m = call.machine();
        const int n = nodeOf(m, set, data);
        if (call.fails(subjectOf(m, n))) return RemoveResult::failed;
        // The root cannot go, nor can a node already gone.
        if (n <= 0 || !m.nodes[n].present) return RemoveResult::failed;
        if (!windowsAgree) return RemoveResult::restartNeeded;
        // A refusal is a veto, which Windows reports as a removal left to the next restart.
        std::uint32_t& refusals = m.nodes[n].refusesRemoval;
        if (refusals > 0) {
            if (refusals != sim::kRefuseAlways) --refusals;
            return RemoveResult::restartNeeded;
        }
        // So is a volume of the subtree that some program holds open.
        if (sim::detail::subtreeHeld(m, n)) return RemoveResult::restartNeeded;
        sim::detail::removeSubtree(m, n);
        sim::detail::treeChanged(call.state());
        return RemoveResult::removed;
    });
}

} // namespace zel::platform
