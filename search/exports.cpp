// The library's four exports. Each returns 1 whatever happened: an empty result is
// the only sign of trouble, and nothing is thrown across the library's boundary.
#include "search_context.h"
#include "zelsearch.h"

#include <zel/platform/machine.h>

#include <cstdint>

namespace {
zel::search::SearchContext context; // zero at load, lives as long as the library
}

ZELSEARCH_EXPORT std::int32_t Initialization(std::int32_t selector) {
    const zel::platform::QuietDriveProbes quiet; // an empty drive fails its probes silently
    try {
        context.initialize(selector);
    } catch (...) {
        // Out of memory mid-search: whatever was filled stands.
    }
    return 1;
}

ZELSEARCH_EXPORT std::int32_t GetDeviceCount() {
    return context.deviceCount();
}

ZELSEARCH_EXPORT std::int32_t GetDeviceList(std::int32_t index, zel::DeviceRecord* record) {
    const zel::platform::QuietDriveProbes quiet; // the drive letters are looked up here
    context.readDevice(index, record);
    return 1;
}

ZELSEARCH_EXPORT std::int32_t GetHostList(std::int32_t index, zel::HostRecord* record) {
    context.readHost(index, record);
    return 1;
}
