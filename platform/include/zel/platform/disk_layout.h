#pragma once
// The rest of the two drive-layout answers, field by field: what a disk reports beyond
// the few fields the logic reads (those are in machine.h). The simulated machine writes
// whole answers from these; win32/header_checks.cpp proves them against the SDK on both
// architectures.

#include <zel/platform/machine.h>

#include <cstddef>
#include <cstdint>

namespace zel::platform::layout {

// DRIVE_LAYOUT_INFORMATION; its entries start at kLayoutFirstEntryOffset.
inline constexpr std::size_t kCount = 0;
inline constexpr std::size_t kSignature = 4;

// PARTITION_INFORMATION (type at kPartitionInfoTypeOffset).
inline constexpr std::size_t kStartingOffset = 0;
inline constexpr std::size_t kLength = 8;
inline constexpr std::size_t kHiddenSectors = 16;
inline constexpr std::size_t kNumber = 20;
inline constexpr std::size_t kBootIndicator = 25;
inline constexpr std::size_t kRecognized = 26;

// DRIVE_LAYOUT_INFORMATION_EX (style at kLayoutExStyleOffset, entries from
// kLayoutExFirstEntryOffset): the count, then the MBR signature or the GPT header.
inline constexpr std::size_t kExCount = 4;
inline constexpr std::size_t kExMbrSignature = 8;
inline constexpr std::size_t kExGptDiskId = 8;
inline constexpr std::size_t kExGptStartingUsableOffset = 24;
inline constexpr std::size_t kExGptUsableLength = 32;
inline constexpr std::size_t kExGptMaxPartitionCount = 40;

// PARTITION_INFORMATION_EX (GPT type at kPartitionInfoExGptTypeOffset).
inline constexpr std::size_t kExEntryStyle = 0;
inline constexpr std::size_t kExEntryStartingOffset = 8;
inline constexpr std::size_t kExEntryLength = 16;
inline constexpr std::size_t kExEntryNumber = 24;
inline constexpr std::size_t kExEntryMbrType = 32;
inline constexpr std::size_t kExEntryMbrBootIndicator = 33;
inline constexpr std::size_t kExEntryMbrRecognized = 34;
inline constexpr std::size_t kExEntryMbrHiddenSectors = 36;
inline constexpr std::size_t kExEntryGptId = 48;
inline constexpr std::size_t kExEntryGptAttributes = 64;
inline constexpr std::size_t kExEntryGptName = 72; // 36 UTF-16 characters
inline constexpr std::size_t kExEntryGptNameLength = 36;

} // namespace zel::platform::layout
