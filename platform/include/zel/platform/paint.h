#pragma once
// The few drawing calls the windows of the program make: a solid background brush, a
// window outline with rounded corners, coloured control text, and an icon on a dialog's
// face. The real backend draws (checked by screenshots); the simulated one records.

#include <zel/platform/library.h> // ZEL_SYSTEM_API
#include <zel/platform/ui.h>

#include <cstdint>

namespace zel::platform {

using ColorRef = std::uint32_t; // COLORREF: 0x00BBGGRR
constexpr ColorRef rgb(std::uint8_t r, std::uint8_t g, std::uint8_t b) {
    return static_cast<ColorRef>(r) | (static_cast<ColorRef>(g) << 8) | (static_cast<ColorRef>(b) << 16);
}

// A GDI brush from CreateSolidBrush, deleted with DeleteObject.
class ZEL_SYSTEM_API SolidBrush {
public:
    SolidBrush() = default;
    static SolidBrush create(ColorRef colour);

    SolidBrush(SolidBrush&& other) noexcept : handle_(other.handle_) { other.handle_ = nullptr; }
    SolidBrush& operator=(SolidBrush&& other) noexcept {
        if (this != &other) {
            reset();
            handle_ = other.handle_;
            other.handle_ = nullptr;
        }
        return *this;
    }
    SolidBrush(const SolidBrush&) = delete;
    SolidBrush& operator=(const SolidBrush&) = delete;
    ~SolidBrush() { reset(); }

    explicit operator bool() const { return handle_ != nullptr; }
    // The HBRUSH as a message result (WM_CTLCOLOR*).
    std::intptr_t asResult() const { return reinterpret_cast<std::intptr_t>(handle_); }
    void reset();

private:
    explicit SolidBrush(void* handle) : handle_(handle) {}
    void* handle_ = nullptr;
};

// Gives `window` the outline of its own rectangle with elliptic corners of the given
// size (CreateRoundRectRgn from (0, 0) to its width and height, SetWindowRgn with a
// redraw); the window owns the region from then on.
ZEL_SYSTEM_API bool shapeRoundedWindow(Window window, int cornerWidth, int cornerHeight);

// Answers WM_CTLCOLOR* for a control whose text is drawn in `textColour` with no box
// behind it: sets the colour and the transparent mode on the device context (wParam)
// and returns the hollow stock brush as the message result.
ZEL_SYSTEM_API std::intptr_t transparentControlText(std::uintptr_t deviceContext, ColorRef textColour);

// Answers WM_CTLCOLOR* for a control whose text is drawn in `textColour` on boxes of the
// dialog's face colour, as the default colouring leaves them: returns the hollow brush.
ZEL_SYSTEM_API std::intptr_t colouredControlText(std::uintptr_t deviceContext, ColorRef textColour);

// Handles WM_PAINT of `window` by drawing icon `iconId` of `module` at its own size with
// its top-left corner at (x, y) of the client area (BeginPaint, LoadIconA, DrawIcon,
// EndPaint). False when the icon cannot be loaded; the window is validated all the same.
ZEL_SYSTEM_API bool paintIcon(Window window, const Library& module, std::uint32_t iconId, int x, int y);

} // namespace zel::platform
