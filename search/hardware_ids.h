#pragma once
// Which device nodes count as host adapters: the hardware-ID table, one group of
// patterns per selector bit, and the exact IDs the host scan records.

#include <cstdint>
#include <span>
#include <string_view>

namespace zel::search {

// Selector bits, one per group of the hardware-ID table.
enum SelectorBit : std::uint32_t {
    kAnyNode = 0x01,
    kProductUsb1394 = 0x02,
    kIdeChannels = 0x04, // collected from the device tree at run time
    kAnyUsb = 0x08,
    kAny1394 = 0x10,
    kScsiAdapters = 0x20,
    kSataAdapters = 0x40,
};

// The fixed rows of a group, in table order (empty for kIdeChannels).
std::span<const std::string_view> groupRows(SelectorBit bit);

// The adapters the host scan records: exact first hardware IDs, in force only when
// kSataAdapters is selected.
std::span<const std::string_view> hostIdList(std::uint32_t selector);

// Configuration data of the product line: the rows of groups kProductUsb1394 and
// kScsiAdapters that are the line's own products, and the upper halves of the IEEE
// 1394 unique IDs of its bridges. Kept together in product_ids.cpp.
struct ProductIds {
    std::span<const std::string_view> usb1394Rows;   // 27 USB, then 4 IEEE 1394 IDs
    std::span<const std::string_view> scsiRows;      // 10 rows
    std::uint32_t bridgeUniqueIds[2];
};
const ProductIds& productIds();

} // namespace zel::search
