#pragma once
// The removal engine's device-installer work: find an inventory entry's device node by
// its first hardware ID and physical device object name, remove it, and check that its
// volume is gone. Runs on the removal worker thread.

#include <cstdint>

namespace zel::app {

// How often one node's removal, and each property read on the way to it, is tried
// before the node counts as not removed and the walk goes on. A device the platform
// keeps refusing must not hold the progress window open for ever.
inline constexpr int kRemovalAttempts = 3;
// The time the platform gets to tear the volume down before it is checked.
inline constexpr std::uint32_t kVolumeSettleMilliseconds = 100;

// Removes every present node whose first hardware ID equals `hardwareId` and whose
// physical device object name equals `pdoName` (exactly, with case). Kind 2 (a device):
// 1 when "\\.\<letter>:" no longer opens and the device is gone: a matching node was
// removed, or the whole walk found none left (it was gone already); else -1.
// Kind 1 (a host adapter): 1 when a node was removed, else -1. Any other kind, or no set
// of present nodes: -1. `restartNeeded`, when given, is set when Windows left a
// matching node's removal to the next restart (a veto).
int RemoveDeviceNode(int kind, const char* hardwareId, char letter, const char* pdoName,
                     bool* restartNeeded = nullptr);

} // namespace zel::app
