// Device I/O and logical drives answered from the model.
#include "guard.h"
#include "open_device.h"
#include "state.h"
#include "text.h"

#include <memory>
#include <string>

namespace zel::platform {
namespace {

using sim::Machine;
using sim::Op;
using sim::detail::Call;
using sim::detail::guarded;
using sim::detail::OpenDevice;
using sim::detail::openOf;

// The volume a root such as "D:" or "D:\" names, or null.
const sim::Volume* volumeOf(const Machine& m, const char* root) {
    if (root == nullptr || root[0] == '\0' || root[1] != ':') return nullptr;
    if (root[2] != '\0' && !(root[2] == '\\' && root[3] == '\0')) return nullptr;
    const char letter = sim::detail::upper(root[0]);
    for (const sim::Volume& v : m.volumes)
        if (sim::detail::upper(v.letter) == letter) return &v;
    return nullptr;
}

} // namespace

DeviceHandle DeviceHandle::openForQuery(const char* path) {
    return guarded(DeviceHandle(), [&] {
        Call call(Op::createFile);
        if (call.fails(path != nullptr ? path : "")) return DeviceHandle();
        if (path == nullptr) return DeviceHandle();
        const sim::DeviceObject* object = sim::findDevice(call.machine(), path);
        if (object == nullptr || !object->opens) return DeviceHandle();
        auto open = std::make_unique<OpenDevice>(OpenDevice{object->path});
        ++call.state().handles.devices;
        return DeviceHandle(open.release());
    });
}


void DeviceHandle::reset() {
    if (handle_ == nullptr) return;
    sim::detail::State& s = sim::detail::state();
    {
        std::lock_guard lock(s.mutex);
        --s.handles.devices;
    }
    delete static_cast<OpenDevice*>(handle_);
    handle_ = nullptr;
}

bool queryStorageDeviceNumber(const DeviceHandle& device, StorageDeviceNumber& number) {
    return guarded(false, [&] {
        Call call(Op::deviceIoControl);
        if (call.fails(device ? openOf(device)->path : std::string())) return false;
        if (!device) return false;
        const sim::DeviceObject* object = sim::findDevice(call.machine(), openOf(device)->path);
        if (object == nullptr || !object->answers) return false;
        number = object->number;
        return true;
    });
}

std::uint32_t getLogicalDrives() {
    return guarded(std::uint32_t{0}, [&] {
        Call call(Op::getLogicalDrives);
        if (call.fails("")) return std::uint32_t{0};
        std::uint32_t mask = 0;
        for (const sim::Volume& v : call.machine().volumes) {
            const char letter = sim::detail::upper(v.letter);
            if (letter >= 'A' && letter <= 'Z') mask |= 1u << (letter - 'A');
        }
        return mask;
    });
}

std::uint32_t getDriveType(const char* root) {
    return guarded(kDriveUnknown, [&] {
        Call call(Op::getDriveType);
        if (call.fails(root != nullptr ? root : "")) return kDriveUnknown;
        const sim::Volume* v = volumeOf(call.machine(), root);
        return v != nullptr ? v->driveType : kDriveNoRootDir;
    });
}

} // namespace zel::platform

namespace zel::platform {

QuietDriveProbes::QuietDriveProbes() {
    sim::detail::State& s = sim::detail::state();
    std::lock_guard lock(s.mutex);
    ++s.quietScopes;
}

QuietDriveProbes::~QuietDriveProbes() {
    sim::detail::State& s = sim::detail::state();
    std::lock_guard lock(s.mutex);
    --s.quietScopes;
}

} // namespace zel::platform
