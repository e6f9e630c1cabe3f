#pragma once
// The bytes a disk answers to IOCTL_DISK_GET_DRIVE_LAYOUT(_EX), built from its model layout.

#include <zel/sim/machine.h>

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace zel::sim::detail {

struct LayoutAnswer {
    std::string bytes;  // what the query writes, and so the byte count it reports
    std::size_t needed; // the smallest output buffer the query accepts
};

// The answer to `code` (one of the two layout queries), or nothing when it fails.
std::optional<LayoutAnswer> layoutAnswer(const Layout& layout, std::uint32_t code);

} // namespace zel::sim::detail
