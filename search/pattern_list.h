#pragma once
// The combined pattern list of one search: the rows of every selected group of the
// hardware-ID table, and the IDE channel collection that stands in for group 0x04.

#include "device_tree.h"

#include <cstdint>
#include <string>
#include <vector>

namespace zel::search {

// Patterns in group order, then table order; duplicates kept. A search stops at the
// first empty string, so the list never holds one before its end.
using PatternList = std::vector<std::string>;

// The IDE channel collection lives in a buffer of this many bytes, counting every
// ID's terminating zero and one final empty string.
inline constexpr std::size_t kIdeChannelBufferSize = 256;

// First hardware IDs of the IDE channel nodes (standard IDE controller class, "hdc"
// class name, "atapi" service), in pre-order, duplicates kept. IDs stop at the first
// one that no longer fits the buffer.
std::vector<std::string> collectIdeChannels(DeviceTree& tree);

PatternList buildPatternList(DeviceTree& tree, std::uint32_t selector);

// Whether a hardware ID matches a pattern: case-insensitive over the pattern's length
// after one trailing "*" is removed. Every pattern is thus a prefix.
bool matchesPattern(const std::string& hardwareId, const std::string& pattern);

} // namespace zel::search
