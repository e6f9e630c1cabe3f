// SetupAPI device-interface sets, and the set of every present node, answered from the
// model.
//
// A set is built the way Windows builds it: all interfaces of the class exposed by
// present nodes, in device-tree pre-order, and as its device-info elements the distinct
// owning nodes in the order of their first interface. A node with two interfaces of the
// class therefore shifts the two lists apart: the interface at index i and the element
// at index i can name different nodes, and only the detail call reports the owner of
// the interface itself.
#include "guard.h"
#include "info_set.h"
#include "model.h"
#include "state.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace zel::platform {
namespace {

using sim::InterfaceClass;
using sim::Machine;
using sim::Op;
using sim::detail::Call;
using sim::detail::guarded;
using sim::detail::InfoSet;
using sim::detail::setOf;
using sim::detail::subjectOf;

// The offset of the device path in SP_DEVICE_INTERFACE_DETAIL_DATA_A as 32-bit Windows
// lays it out (the size field, then the path); the size query reports the record's size.
constexpr std::uint32_t kDetailHeader = 5;

// What SP_DEVICE_INTERFACE_DATA carries here: the set it came from and its index.
struct InterfaceRef {
    std::uint32_t magic;
    std::uint32_t index;
    std::uint64_t serial;
};
static_assert(sizeof(InterfaceRef) <= sizeof(DeviceInterfaceData::opaque));
constexpr std::uint32_t kMagic = 0x5A534946; // "ZSIF"

// The interface a data record names, or null when it does not come from this set.
const InfoSet::Entry* entryOf(const DeviceInfoSet& set, const DeviceInterfaceData& data) {
    if (!set) return nullptr;
    InterfaceRef ref;
    std::memcpy(&ref, data.opaque, sizeof ref);
    const InfoSet* s = setOf(set);
    if (ref.magic != kMagic || ref.serial != s->serial || ref.index >= s->interfaces.size()) return nullptr;
    return &s->interfaces[ref.index];
}

// From the nodes that expose interfaces, in pre-order: as Windows builds the set from the
// class's interfaces, its cost follows them and not the size of the tree.
std::unique_ptr<InfoSet> buildSet(Call& call, const Guid& guid, std::string subject, std::uint64_t serial) {
    auto set = std::make_unique<InfoSet>(InfoSet{serial, guid, std::move(subject), {}, {}});
    const auto cls = sim::detail::classOfGuid(guid);
    if (!cls) return set; // a class no node exposes: a valid, empty set
    const Machine& m = call.machine();
    for (const int n : sim::detail::treeIndex(call.state()).interfaceOwners) {
        const auto owner = static_cast<DevInst>(n + 1);
        bool added = false; // each node is one element, however many interfaces it has
        for (const sim::Interface& i : m.nodes[n].interfaces) {
            if (i.cls != *cls) continue;
            set->interfaces.push_back({i.path, owner});
            if (!added) set->elements.push_back(owner);
            added = true;
        }
    }
    return set;
}

} // namespace

DeviceInfoSet DeviceInfoSet::presentInterfaces(const Guid& interfaceClass) {
    return guarded(DeviceInfoSet(), [&] {
        Call call(Op::setupGetClassDevs);
        const auto cls = sim::detail::classOfGuid(interfaceClass);
        std::string subject = cls ? sim::interfaceClassName(*cls) : sim::detail::guidText(interfaceClass);
        if (call.fails(subject)) return DeviceInfoSet();
        const std::uint64_t serial = call.state().nextSetSerial++;
        auto set = buildSet(call, interfaceClass, std::move(subject), serial);
        ++call.state().handles.infoSets;
        return DeviceInfoSet(set.release());
    });
}

// Every present node, in pre-order, as the set's elements; no interfaces.
DeviceInfoSet DeviceInfoSet::presentDevices() {
    return guarded(DeviceInfoSet(), [&] {
        Call call(Op::setupGetClassDevs);
        if (call.fails(sim::detail::kAllClassesSubject)) return DeviceInfoSet();
        auto set = std::make_unique<InfoSet>(
            InfoSet{call.state().nextSetSerial++, Guid{}, sim::detail::kAllClassesSubject, {}, {}});
        for (const int n : sim::detail::treeIndex(call.state()).preOrder)
            set->elements.push_back(static_cast<DevInst>(n + 1));
        ++call.state().handles.infoSets;
        return DeviceInfoSet(set.release());
    });
}


void DeviceInfoSet::reset() {
    if (handle_ == nullptr) return;
    sim::detail::State& s = sim::detail::state();
    {
        std::lock_guard lock(s.mutex);
        --s.handles.infoSets;
    }
    delete static_cast<InfoSet*>(handle_);
    handle_ = nullptr;
}

EnumResult setupEnumDeviceInterface(const DeviceInfoSet& set, const Guid& interfaceClass,
                                    std::uint32_t index, DeviceInterfaceData& data) {
    return guarded(EnumResult::failed, [&] {
        Call call(Op::setupEnumInterface);
        if (call.fails(subjectOf(set))) return EnumResult::failed;
        if (!set) return EnumResult::failed;
        const InfoSet* s = setOf(set);
        // The set holds interfaces of its own class only: asking for another finds none.
        if (!(s->guid == interfaceClass) || index >= s->interfaces.size()) return EnumResult::noMoreItems;
        const InterfaceRef ref{kMagic, index, s->serial};
        data = DeviceInterfaceData{};
        std::memcpy(data.opaque, &ref, sizeof ref);
        return EnumResult::ok;
    });
}

bool setupEnumDeviceInfo(const DeviceInfoSet& set, std::uint32_t index, DevInst& devInst) {
    return guarded(false, [&] {
        Call call(Op::setupEnumDeviceInfo);
        if (call.fails(subjectOf(set))) return false;
        if (!set || index >= setOf(set)->elements.size()) return false;
        devInst = setOf(set)->elements[index];
        return true;
    });
}

bool setupInterfaceDetailSize(const DeviceInfoSet& set, const DeviceInterfaceData& data,
                              std::uint32_t& required, DevInst& owner) {
    return guarded(false, [&] {
        Call call(Op::setupInterfaceDetail);
        if (call.fails(subjectOf(set))) return false;
        const InfoSet::Entry* e = entryOf(set, data);
        if (e == nullptr) return false;
        required = kDetailHeader + static_cast<std::uint32_t>(e->path.size()) + 1;
        owner = e->owner;
        return true;
    });
}

bool setupInterfaceDevicePath(const DeviceInfoSet& set, const DeviceInterfaceData& data,
                              std::uint32_t required, char* path, std::uint32_t capacity) {
    return guarded(false, [&] {
        Call call(Op::setupInterfaceDetail);
        if (call.fails(subjectOf(set))) return false;
        const InfoSet::Entry* e = entryOf(set, data);
        if (e == nullptr || path == nullptr) return false;
        const auto length = static_cast<std::uint32_t>(e->path.size());
        if (required < kDetailHeader + length + 1 || capacity < length + 1) return false;
        std::memcpy(path, e->path.c_str(), length + 1);
        return true;
    });
}

} // namespace zel::platform
