#pragma once
// What a DeviceHandle points to in the simulated machine: only the path it opened. Calls
// on the handle look the object up again, so an object that went away since the open
// fails them, as a handle to a removed device does.

#include <zel/platform/machine.h>

#include <string>

namespace zel::sim::detail {

struct OpenDevice {
    std::string path;
};

inline const OpenDevice* openOf(const platform::DeviceHandle& device) {
    return static_cast<const OpenDevice*>(device.native());
}

} // namespace zel::sim::detail
