#include "hardware_ids.h"

namespace zel::search {
namespace {

constexpr std::string_view kAnyNodeRows[] = {"*"};
constexpr std::string_view kAnyUsbRows[] = {"USB\\*"};
constexpr std::string_view kAny1394Rows[] = {"1394\\*"};

// Serial ATA controllers, any revision.
constexpr std::string_view kSataRows[] = {
    "PCI\\VEN_1095&DEV_3132&SUBSYS_31321095&REV_",
    "PCI\\VEN_1095&DEV_3512&SUBSYS_35121095&REV_",
    "PCI\\VEN_1095&DEV_3512&SUBSYS_65121095&REV_",
    "PCI\\VEN_1095&DEV_3124&SUBSYS_31241095&REV_",
};

constexpr std::string_view kHostIds[] = {
    "PCI\\VEN_1095&DEV_3132&SUBSYS_31321095&REV_01",
    "PCI\\VEN_1095&DEV_3512&SUBSYS_35121095&REV_01",
};

} // namespace

std::span<const std::string_view> groupRows(SelectorBit bit) {
    switch (bit) {
    case kAnyNode: return kAnyNodeRows;
    case kProductUsb1394: return productIds().usb1394Rows;
    case kIdeChannels: return {};
    case kAnyUsb: return kAnyUsbRows;
    case kAny1394: return kAny1394Rows;
    case kScsiAdapters: return productIds().scsiRows;
    case kSataAdapters: return kSataRows;
    }
    return {};
}

std::span<const std::string_view> hostIdList(std::uint32_t selector) {
    if ((selector & kSataAdapters) == 0) return {};
    return kHostIds;
}

} // namespace zel::search
