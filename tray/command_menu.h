#pragma once
// The command menu: five owner-drawn commands, each with its image, and a separator.

#include <zel/platform/ui.h>

#include <cstdint>

namespace zel::tray {

// Builds the menu, shows it at `at` with the frame as owner, destroys it.
void ShowCommandMenu(platform::Window frame, platform::Point at);

// The label of an owner-drawn item, chosen by its item data (0 to 4); empty otherwise.
void CommandItemLabel(std::uintptr_t itemData, char (&label)[256]);

// WM_MEASUREITEM and WM_DRAWITEM of the command menu's items.
void MeasureCommandItem(std::intptr_t lParam);
void DrawCommandItem(std::intptr_t lParam);

} // namespace zel::tray
