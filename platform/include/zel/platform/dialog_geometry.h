#pragma once
// Sizes of dialogs: dialog units, the client area, and resizing a dialog in place.

#include <zel/platform/library.h> // ZEL_SYSTEM_API
#include <zel/platform/ui.h>

#include <cstdint>

namespace zel::platform {

struct Rect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    bool operator==(const Rect&) const = default;
};

inline constexpr std::uint32_t kWsExClientEdge = 0x00000200;

// The high word of GetDialogBaseUnits: the system font's height in pixels.
ZEL_SYSTEM_API int dialogBaseUnitY();

// GetClientRect.
ZEL_SYSTEM_API Rect clientRect(Window window);

// MapDialogRect: dialog units of `dialog` into pixels, in place.
ZEL_SYSTEM_API bool mapDialogRect(Window dialog, Rect& rect);

// Turns the client rectangle `client` into a window rectangle with AdjustWindowRectEx
// (the window's own style, no menu, `extendedStyle`) and gives the window that width and
// height without moving it, changing its Z order or activating it.
ZEL_SYSTEM_API bool resizeForClient(Window window, Rect client, std::uint32_t extendedStyle);

} // namespace zel::platform
