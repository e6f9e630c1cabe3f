// The real user interface behind platform/ui.h: one window class whose procedure hands
// every message to the window's WindowHandler.
#include <zel/platform/ui.h>

#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>

#include <cstring>

namespace zel::platform {
namespace {

constexpr const char* kFrameClass = kFrameClassName;

HWND toHwnd(Window window) { return reinterpret_cast<HWND>(window); }
Window toWindow(HWND hwnd) { return reinterpret_cast<Window>(hwnd); }

HMODULE g_resourceModule = nullptr;

LRESULT CALLBACK frameProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        const auto* create = reinterpret_cast<const CREATESTRUCTA*>(lParam);
        SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* handler = reinterpret_cast<WindowHandler*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    if (handler != nullptr) {
        std::intptr_t result = 0;
        const bool handled = handler->onMessage(toWindow(hwnd), message, wParam, lParam, result);
        if (message == WM_DESTROY) PostQuitMessage(0); // the frame's destruction ends the loop
        if (message == WM_NCDESTROY) SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0);
        if (handled) return result;
    }
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

bool registerFrameClass() {
    static const bool registered = [] {
        WNDCLASSA wc{};
        wc.lpfnWndProc = frameProc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = kFrameClass;
        return RegisterClassA(&wc) != 0;
    }();
    return registered;
}

} // namespace

FrameWindow FrameWindow::create(WindowHandler& handler, const char* title) {
    if (!registerFrameClass()) return {};
    // A popup without caption or system menu, never shown: no taskbar button.
    HWND hwnd = CreateWindowExA(0, kFrameClass, title, WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                                GetModuleHandleA(nullptr), &handler);
    return FrameWindow(toWindow(hwnd));
}


void FrameWindow::reset() {
    if (window_ != 0 && IsWindow(toHwnd(window_))) DestroyWindow(toHwnd(window_));
    window_ = 0;
}

int runMessageLoop() {
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return static_cast<int>(msg.wParam);
}

bool pumpMessagesUntil(bool (*done)(void* context), void* context, std::uint32_t milliseconds) {
    // The condition signals nothing, so it is looked at again at least every 50 ms.
    constexpr DWORD kLookAgainMilliseconds = 50;
    const DWORD start = GetTickCount();
    while (!done(context)) {
        const DWORD elapsed = GetTickCount() - start; // unsigned: right across a wrap
        if (elapsed >= milliseconds) return false;
        const DWORD left = milliseconds - elapsed;
        // Wakes for sent messages too, which PeekMessage then delivers.
        MsgWaitForMultipleObjects(0, nullptr, FALSE, left < kLookAgainMilliseconds ? left : kLookAgainMilliseconds,
                                  QS_ALLINPUT);
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) {
                PostQuitMessage(static_cast<int>(msg.wParam));
                return false;
            }
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }
    return true;
}

bool postMessage(Window window, std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) {
    return PostMessageA(toHwnd(window), message, wParam, lParam) != FALSE;
}

bool isWindow(Window window) { return IsWindow(toHwnd(window)) != FALSE; }

bool setWindowText(Window window, const char* text) { return SetWindowTextA(toHwnd(window), text) != FALSE; }

bool showWindow(Window window, int command) { return ShowWindow(toHwnd(window), command) != FALSE; }

Window getLastActivePopup(Window window) { return toWindow(GetLastActivePopup(toHwnd(window))); }

bool isWindowEnabled(Window window) { return IsWindowEnabled(toHwnd(window)) != FALSE; }

bool setTimer(Window window, std::uintptr_t id, std::uint32_t milliseconds) {
    return SetTimer(toHwnd(window), id, milliseconds, nullptr) != 0;
}

bool killTimer(Window window, std::uintptr_t id) { return KillTimer(toHwnd(window), id) != FALSE; }

std::uint32_t registerWindowMessage(const char* name) { return RegisterWindowMessageA(name); }

Window findWindow(const char* title) { return toWindow(FindWindowA(nullptr, title)); }

Window findFrameWindow(const char* title) { return toWindow(FindWindowA(kFrameClass, title)); }

const char* commandLine() { return GetCommandLineA(); }

int messageBox(Window owner, const char* text, const char* caption, std::uint32_t style) {
    return MessageBoxA(toHwnd(owner), text, caption, style);
}

void initCommonControls() { InitCommonControls(); }

void setResourceModule(const Library& module) { g_resourceModule = static_cast<HMODULE>(module.native()); }

} // namespace zel::platform

// ---- notification-area icon and the frame's neighbours -----------------------------------

namespace zel::platform {

// The record as the Windows 2000 shell knows it: everything up to the balloon's GUID.
static_assert(NOTIFYICONDATAA_V2_SIZE == (sizeof(void*) == 8 ? 504 : 488));

bool shellNotifyIcon(std::uint32_t operation, const TrayIconRecord& record) {
    NOTIFYICONDATAA data{};
    data.cbSize = NOTIFYICONDATAA_V2_SIZE;
    data.hWnd = toHwnd(record.window);
    data.uID = record.id;
    data.uFlags = record.flags;
    data.uCallbackMessage = record.callbackMessage;
    data.hIcon = static_cast<HICON>(record.icon);
    static_assert(sizeof data.szTip == sizeof record.tip);
    std::memcpy(data.szTip, record.tip, sizeof data.szTip);
    return Shell_NotifyIconA(operation, &data) != FALSE;
}

IconHandle loadIcon(const Library& module, std::uint32_t id, int size) {
    return LoadImageA(static_cast<HMODULE>(module.native()), MAKEINTRESOURCEA(id), IMAGE_ICON, size, size,
                      LR_VGACOLOR);
}

short getKeyState(int virtualKey) { return GetKeyState(virtualKey); }

bool setWindowTopmost(Window window, bool topmost) {
    return SetWindowPos(toHwnd(window), topmost ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0,
                        SWP_NOSIZE | SWP_NOMOVE) != FALSE;
}

std::intptr_t shellExecute(const char* verb, const char* file) {
    return reinterpret_cast<std::intptr_t>(ShellExecuteA(nullptr, verb, file, nullptr, nullptr, SW_SHOWNORMAL));
}

} // namespace zel::platform
