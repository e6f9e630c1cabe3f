#pragma once
// Building the device inventory from the search library, without any window: what the
// tray program rebuilds on every device change and what the command line lists.

#include "inventory.h"

#include <cstdint>

namespace zel::app {

// What the search reported of an entry's device beyond the entry itself.
struct EntryDetails {
    std::uint8_t deviceNumber = 0; // low 8 bits of the storage device number
    char hostDescription[128] = {}; // the host adapter it hangs off
    char devicePath[33] = {};       // the path that answered the device-number query
};

// The hardware-ID groups the search looks for: the SearchCode setting, else the default.
std::uint32_t SearchSelector();

// Loads the search library from the program's directory, runs one search and fills
// `inventory` (and, when given, `details`, one per entry) with the devices that may be
// offered. False, with both untouched, when the library cannot be used.
bool BuildInventory(Inventory& inventory, EntryDetails (*details)[kInventorySize] = nullptr);

} // namespace zel::app
