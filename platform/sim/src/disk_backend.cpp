// Disks opened for reading and the general DeviceIoControl, answered from the model:
// the device-number query and the two drive-layout queries.
#include "guard.h"
#include "layout_answer.h"
#include "open_device.h"
#include "state.h"

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

namespace zel::platform {
namespace {

using sim::Op;
using sim::detail::Call;
using sim::detail::guarded;

// "\\.\PhysicalDrive1|0007400C": the path and the control code, for fault rules.
std::string subjectOf(const DeviceHandle& device, std::uint32_t code) {
    char hex[12];
    std::snprintf(hex, sizeof hex, "|%08X", static_cast<unsigned>(code));
    return (device ? sim::detail::openOf(device)->path : std::string()) + hex;
}

// The bytes a device object answers to `code` and the buffer size it insists on, or
// nothing when the query fails.
std::optional<sim::detail::LayoutAnswer> answerOf(const sim::DeviceObject& object, std::uint32_t code) {
    if (code == kIoctlStorageGetDeviceNumber) {
        if (!object.answers) return std::nullopt;
        sim::detail::LayoutAnswer answer{std::string(sizeof(StorageDeviceNumber), '\0'), sizeof(StorageDeviceNumber)};
        std::memcpy(answer.bytes.data(), &object.number, sizeof object.number);
        return answer;
    }
    if ((code == kIoctlDiskGetDriveLayout || code == kIoctlDiskGetDriveLayoutEx) && object.layout)
        return sim::detail::layoutAnswer(*object.layout, code);
    return std::nullopt; // a query the device does not know
}

} // namespace

DeviceHandle openForRead(const char* path) {
    return guarded(DeviceHandle(), [&] {
        Call call(Op::createFileForRead);
        if (call.fails(path != nullptr ? path : "")) return DeviceHandle();
        if (path == nullptr) return DeviceHandle();
        const sim::DeviceObject* object = sim::findDevice(call.machine(), path);
        if (object == nullptr || !object->opens || !object->opensForRead) return DeviceHandle();
        auto open = std::make_unique<sim::detail::OpenDevice>(sim::detail::OpenDevice{object->path});
        ++call.state().handles.devices;
        return DeviceHandle(open.release());
    });
}

bool deviceIoControl(const DeviceHandle& device, std::uint32_t code, void* output, std::uint32_t outputSize,
                     std::uint32_t& returned) {
    returned = 0; // a failed call reports nothing
    return guarded(false, [&] {
        Call call(Op::deviceIoControl);
        if (call.fails(subjectOf(device, code))) return false;
        if (!device || (output == nullptr && outputSize > 0)) return false;
        const sim::DeviceObject* object = sim::findDevice(call.machine(), sim::detail::openOf(device)->path);
        if (object == nullptr) return false;
        const std::optional<sim::detail::LayoutAnswer> answer = answerOf(*object, code);
        // Too small a buffer: ERROR_INSUFFICIENT_BUFFER, and no byte count.
        if (!answer || outputSize < answer->needed) return false;
        if (!answer->bytes.empty()) std::memcpy(output, answer->bytes.data(), answer->bytes.size());
        returned = static_cast<std::uint32_t>(answer->bytes.size());
        return true;
    });
}

} // namespace zel::platform
