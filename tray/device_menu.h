#pragma once
// The device menu: one item per inventory entry, naming the device and its letters.

#include "inventory.h"

#include <zel/platform/ui.h>

#include <string>
#include <vector>

namespace zel::tray {

// The item text of an entry: "<string 7> <name><letters>" or, for a Japanese user,
// "<name><letters><string 7>"; the letters part is string 6 followed by " (X:) " per
// drive letter. Host-adapter entries read "<host name><string 7>" in every language.
std::string DeviceItemText(const app::InventoryEntry& entry, bool japanese, const std::string& lettersLabel,
                           const std::string& actionLabel);

// Replaces `menu` with a new device menu for the current inventory; returns the device
// each item names, in item order.
std::vector<app::DeviceIdentity> BuildDeviceMenu(platform::PopupMenu& menu);

} // namespace zel::tray
