// Popup menus and the owner-drawn command-menu items.
#include <zel/platform/ui.h>

#include <windows.h>

#include <cstring>

namespace zel::platform {
namespace {

HWND toHwnd(Window window) { return reinterpret_cast<HWND>(window); }
HMENU toMenu(void* menu) { return static_cast<HMENU>(menu); }

constexpr COLORREF kHighlightBackground = RGB(254, 250, 163);
constexpr COLORREF kHighlightText = RGB(0, 128, 255);
constexpr COLORREF kFrameLight = RGB(255, 255, 255);
constexpr COLORREF kFrameDark = RGB(66, 65, 66);
constexpr int kImageColumnRight = 20;
constexpr int kImageColumnInside = 19;
constexpr int kHighlightLeft = 22;
constexpr int kImageSize = 16;
constexpr int kLabelLeft = 26;
constexpr int kLabelTop = 4;

// Fills a rectangle with a brush made for it.
void fill(HDC dc, const RECT& rect, COLORREF colour) {
    HBRUSH brush = CreateSolidBrush(colour);
    FillRect(dc, &rect, brush);
    DeleteObject(brush);
}

} // namespace

bool getCursorPos(Point& point) {
    POINT p{};
    if (!GetCursorPos(&p)) return false;
    point = {p.x, p.y};
    return true;
}

bool setForegroundWindow(Window window) { return SetForegroundWindow(toHwnd(window)) != FALSE; }

void setFocus(Window window) { SetFocus(toHwnd(window)); }

PopupMenu PopupMenu::create() { return PopupMenu(CreatePopupMenu()); }


void PopupMenu::reset() {
    if (handle_ != nullptr) DestroyMenu(toMenu(handle_));
    handle_ = nullptr;
}

bool PopupMenu::insertText(std::uint32_t position, std::uint32_t command, const char* text) {
    return InsertMenuA(toMenu(handle_), position, MF_BYPOSITION | MF_STRING, command, text) != FALSE;
}

bool PopupMenu::appendOwnerDrawn(std::uint32_t command, std::uintptr_t itemData) {
    return AppendMenuA(toMenu(handle_), MF_OWNERDRAW, command, reinterpret_cast<LPCSTR>(itemData)) != FALSE;
}

bool PopupMenu::appendSeparator() { return AppendMenuA(toMenu(handle_), MF_SEPARATOR, 0, nullptr) != FALSE; }

bool trackPopupMenu(const PopupMenu& menu, Window owner, Point at) {
    return TrackPopupMenu(toMenu(menu.native()), TPM_RIGHTBUTTON, at.x, at.y, 0, toHwnd(owner), nullptr) != FALSE;
}

std::uintptr_t ownerDrawItemData(std::uint32_t message, std::intptr_t lParam) {
    if (message == WM_MEASUREITEM) return reinterpret_cast<const MEASUREITEMSTRUCT*>(lParam)->itemData;
    return reinterpret_cast<const DRAWITEMSTRUCT*>(lParam)->itemData;
}

void measureMenuItem(std::intptr_t lParam, const char* label) {
    auto* item = reinterpret_cast<MEASUREITEMSTRUCT*>(lParam);
    HDC screen = GetDC(nullptr);
    HGDIOBJ oldFont = SelectObject(screen, GetStockObject(DEFAULT_GUI_FONT));
    SIZE size{};
    GetTextExtentPoint32A(screen, label, static_cast<int>(std::strlen(label)), &size);
    item->itemWidth = static_cast<UINT>(size.cx + kLabelLeft);
    item->itemHeight = static_cast<UINT>(size.cy + 2 * kLabelTop);
    SelectObject(screen, oldFont);
    ReleaseDC(nullptr, screen);
}

void drawMenuItem(std::intptr_t lParam, const char* label, const Library& module, std::uint32_t bitmapId) {
    const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
    HDC dc = item->hDC;
    const RECT& box = item->rcItem;
    RECT area = box;
    const bool known = item->itemData <= 4;
    HGDIOBJ oldFont = SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));

    COLORREF background = GetSysColor(COLOR_MENU);
    if (item->itemState & ODS_SELECTED) {
        background = kHighlightBackground;
        SetTextColor(dc, kHighlightText);
        // A raised square behind the image: white top and left, dark right and bottom.
        fill(dc, RECT{box.left, box.top, kImageColumnRight, box.bottom}, kFrameLight);
        fill(dc, RECT{box.left + 1, box.top + 1, kImageColumnRight, box.bottom}, kFrameDark);
        fill(dc, RECT{box.left + 1, box.top + 1, kImageColumnInside, box.bottom - 1}, GetSysColor(COLOR_MENU));
        if (known) area.left = kHighlightLeft;
    } else {
        SetTextColor(dc, GetSysColor(COLOR_MENUTEXT));
    }
    fill(dc, area, background);

    if (known) {
        HBITMAP strip = LoadBitmapA(static_cast<HMODULE>(module.native()), MAKEINTRESOURCEA(bitmapId));
        HDC memory = CreateCompatibleDC(dc);
        HGDIOBJ oldBitmap = SelectObject(memory, strip);
        BitBlt(dc, box.left + 2, box.top + 2, kImageSize, kImageSize, memory,
               kImageSize * static_cast<int>(item->itemData), 0, SRCCOPY);
        SelectObject(memory, oldBitmap);
        DeleteObject(strip);
        DeleteDC(memory);
    }
    SetBkMode(dc, TRANSPARENT);
    TextOutA(dc, box.left + kLabelLeft, box.top + kLabelTop, label, static_cast<int>(std::strlen(label)));
    SelectObject(dc, oldFont);
}

} // namespace zel::platform
