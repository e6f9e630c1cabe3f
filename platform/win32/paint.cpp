// The drawing calls of the program's windows over GDI and USER.
#include <zel/platform/paint.h>

#include <windows.h>

#include <memory>
#include <type_traits>

namespace zel::platform {
namespace {

HWND toHwnd(Window window) { return reinterpret_cast<HWND>(window); }

struct DeleteGdiObject {
    void operator()(HRGN region) const { DeleteObject(region); }
};
using OwnedRegion = std::unique_ptr<std::remove_pointer_t<HRGN>, DeleteGdiObject>;

} // namespace

SolidBrush SolidBrush::create(ColorRef colour) { return SolidBrush(CreateSolidBrush(colour)); }


void SolidBrush::reset() {
    if (handle_ != nullptr) DeleteObject(static_cast<HBRUSH>(handle_));
    handle_ = nullptr;
}

bool shapeRoundedWindow(Window window, int cornerWidth, int cornerHeight) {
    RECT rect{};
    if (!GetWindowRect(toHwnd(window), &rect)) return false;
    OwnedRegion region(
        CreateRoundRectRgn(0, 0, rect.right - rect.left, rect.bottom - rect.top, cornerWidth, cornerHeight));
    if (!region) return false;
    if (!SetWindowRgn(toHwnd(window), region.get(), TRUE)) return false;
    region.release(); // the window owns it now and deletes it with itself
    return true;
}

std::intptr_t transparentControlText(std::uintptr_t deviceContext, ColorRef textColour) {
    HDC dc = reinterpret_cast<HDC>(deviceContext);
    SetTextColor(dc, textColour);
    SetBkMode(dc, TRANSPARENT);
    return reinterpret_cast<std::intptr_t>(GetStockObject(NULL_BRUSH));
}

std::intptr_t colouredControlText(std::uintptr_t deviceContext, ColorRef textColour) {
    HDC dc = reinterpret_cast<HDC>(deviceContext);
    // What the dialog's default colouring would have set: text boxes in the face colour.
    SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
    SetTextColor(dc, textColour);
    return reinterpret_cast<std::intptr_t>(GetStockObject(NULL_BRUSH));
}

bool paintIcon(Window window, const Library& module, std::uint32_t iconId, int x, int y) {
    HWND hwnd = reinterpret_cast<HWND>(window);
    PAINTSTRUCT paint{};
    HDC dc = BeginPaint(hwnd, &paint);
    bool drawn = false;
    if (dc != nullptr && module) {
        // A shared icon from LoadIconA: the system owns it, nothing to destroy.
        HICON icon = LoadIconA(static_cast<HMODULE>(module.native()), MAKEINTRESOURCEA(iconId));
        drawn = icon != nullptr && DrawIcon(dc, x, y, icon) != FALSE;
    }
    EndPaint(hwnd, &paint);
    return drawn;
}

} // namespace zel::platform
