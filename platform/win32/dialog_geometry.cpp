// Dialog sizes over the window-metric calls.
#include <zel/platform/dialog_geometry.h>

#include <windows.h>

namespace zel::platform {

static_assert(kWsExClientEdge == WS_EX_CLIENTEDGE);

int dialogBaseUnitY() { return HIWORD(GetDialogBaseUnits()); }

Rect clientRect(Window window) {
    RECT r{};
    if (!GetClientRect(reinterpret_cast<HWND>(window), &r)) return {};
    return {r.left, r.top, r.right, r.bottom};
}

bool mapDialogRect(Window dialog, Rect& rect) {
    RECT r{rect.left, rect.top, rect.right, rect.bottom};
    if (!MapDialogRect(reinterpret_cast<HWND>(dialog), &r)) return false;
    rect = {r.left, r.top, r.right, r.bottom};
    return true;
}

bool resizeForClient(Window window, Rect client, std::uint32_t extendedStyle) {
    HWND hwnd = reinterpret_cast<HWND>(window);
    RECT r{client.left, client.top, client.right, client.bottom};
    const auto style = static_cast<DWORD>(GetWindowLongPtrA(hwnd, GWL_STYLE));
    if (!AdjustWindowRectEx(&r, style, FALSE, extendedStyle)) return false;
    return SetWindowPos(hwnd, nullptr, 0, 0, r.right - r.left, r.bottom - r.top,
                        SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE) != FALSE;
}

} // namespace zel::platform
