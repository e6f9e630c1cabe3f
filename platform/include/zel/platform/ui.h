#pragma once
// The user-interface side: windows whose messages go to a logic object, the message
// loop, timers, message boxes. The real backend owns the window procedures and hands
// each message to the window's WindowHandler; the simulated one (native builds) keeps
// windows, a message queue, timers on a virtual clock and scripted message-box answers.

#include <zel/platform/library.h>
#include <zel/platform/machine.h>

#include <cstdint>

namespace zel::platform {

using Window = std::uintptr_t; // HWND; 0 = none

// Messages the logic sends, posts or handles.
inline constexpr std::uint32_t kWmNull = 0x0000;
inline constexpr std::uint32_t kWmCreate = 0x0001;
inline constexpr std::uint32_t kWmDestroy = 0x0002;
inline constexpr std::uint32_t kWmPaint = 0x000F;
inline constexpr std::uint32_t kWmClose = 0x0010;
inline constexpr std::uint32_t kWmQueryEndSession = 0x0011;
inline constexpr std::uint32_t kWmQuit = 0x0012;
inline constexpr std::uint32_t kWmEndSession = 0x0016;
inline constexpr std::uint32_t kWmCommand = 0x0111;
inline constexpr std::uint32_t kWmTimer = 0x0113;
inline constexpr std::uint32_t kWmLButtonDown = 0x0201;
inline constexpr std::uint32_t kWmDeviceChange = 0x0219;
inline constexpr std::uint32_t kWmUser = 0x0400;
inline constexpr std::uint32_t kWmApp = 0x8000;

// Message-box styles and answers.
inline constexpr std::uint32_t kMbOk = 0x00;
inline constexpr std::uint32_t kMbOkCancel = 0x01;
inline constexpr std::uint32_t kMbYesNo = 0x04;
inline constexpr std::uint32_t kMbIconHand = 0x10; // MB_ICONERROR, MB_ICONSTOP
inline constexpr std::uint32_t kMbIconQuestion = 0x20;
inline constexpr std::uint32_t kMbIconExclamation = 0x30;
inline constexpr std::uint32_t kMbIconInformation = 0x40;
inline constexpr int kIdOk = 1;
inline constexpr int kIdCancel = 2;
inline constexpr int kIdYes = 6;
inline constexpr int kIdNo = 7;

inline constexpr int kSwHide = 0;

// The logic behind a window: gets every message first.
class WindowHandler {
public:
    // True when handled, with the message's result in `result`; false hands the
    // message on to default processing.
    virtual bool onMessage(Window window, std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam,
                           std::intptr_t& result) = 0;

protected:
    ~WindowHandler() = default;
};

// A top-level frame window that is never shown: a popup without caption, position and
// size 0. Default processing closes it on WM_CLOSE and ends the message loop when it
// is destroyed. Destroyed (if still alive) when the object is released.
class ZEL_SYSTEM_API FrameWindow {
public:
    FrameWindow() = default;
    // Creates the window; WM_CREATE reaches the handler before this returns. Empty
    // when creation fails (the handler may refuse WM_CREATE with result -1).
    static FrameWindow create(WindowHandler& handler, const char* title);

    FrameWindow(FrameWindow&& other) noexcept : window_(other.window_) { other.window_ = 0; }
    FrameWindow& operator=(FrameWindow&& other) noexcept {
        if (this != &other) {
            reset();
            window_ = other.window_;
            other.window_ = 0;
        }
        return *this;
    }
    FrameWindow(const FrameWindow&) = delete;
    FrameWindow& operator=(const FrameWindow&) = delete;
    ~FrameWindow() { reset(); }

    explicit operator bool() const { return window_ != 0; }
    Window id() const { return window_; }
    void reset();

private:
    explicit FrameWindow(Window window) : window_(window) {}
    Window window_ = 0;
};

// GetMessage / TranslateMessage / DispatchMessage until WM_QUIT; returns its code.
ZEL_SYSTEM_API int runMessageLoop();
// A message loop of the caller's own, run until `done(context)` holds or `milliseconds`
// have passed: what is sent or posted to the thread's windows keeps flowing meanwhile
// (Windows' questions to the program included). False when time ran out first, or when
// WM_QUIT came up (it is posted again for the loop that owns it).
ZEL_SYSTEM_API bool pumpMessagesUntil(bool (*done)(void* context), void* context, std::uint32_t milliseconds);
ZEL_SYSTEM_API bool postMessage(Window window, std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam);
ZEL_SYSTEM_API bool isWindow(Window window);
ZEL_SYSTEM_API bool setWindowText(Window window, const char* text);
ZEL_SYSTEM_API bool showWindow(Window window, int command);
ZEL_SYSTEM_API Window getLastActivePopup(Window window);
ZEL_SYSTEM_API bool isWindowEnabled(Window window);
ZEL_SYSTEM_API bool setTimer(Window window, std::uintptr_t id, std::uint32_t milliseconds);
ZEL_SYSTEM_API bool killTimer(Window window, std::uintptr_t id);
ZEL_SYSTEM_API std::uint32_t registerWindowMessage(const char* name);
// The window class of every frame window (FrameWindow::create); the setup program names it too.
inline constexpr const char* kFrameClassName = "ZelSATAFrame";
// A top-level frame window of this program family with that title (case ignored), 0 if
// none: never a window of another program that merely carries the title.
ZEL_SYSTEM_API Window findFrameWindow(const char* title);
// FindWindowA(no class, title): a top-level window by its title, without regard to case.
ZEL_SYSTEM_API Window findWindow(const char* title);

// GetCommandLineA: the whole command line as the system reports it.
ZEL_SYSTEM_API const char* commandLine();

// MessageBoxA(owner, text, caption, style): the button chosen.
ZEL_SYSTEM_API int messageBox(Window owner, const char* text, const char* caption, std::uint32_t style);

// InitCommonControls.
ZEL_SYSTEM_API void initCommonControls();

// Where dialogs, menus, icons and bitmaps are looked up from now on.
ZEL_SYSTEM_API void setResourceModule(const Library& module);

// ---- notification-area icon and the frame's neighbours ----------------------------------

inline constexpr std::uint32_t kNimAdd = 0;
inline constexpr std::uint32_t kNimModify = 1;
inline constexpr std::uint32_t kNimDelete = 2;
inline constexpr std::uint32_t kNifMessage = 0x1;
inline constexpr std::uint32_t kNifIcon = 0x2;
inline constexpr std::uint32_t kNifTip = 0x4;
inline constexpr int kVkControl = 0x11;

using IconHandle = void*;

// The fields of NOTIFYICONDATAA that the program writes. The backend sends the record in
// the form the Windows 2000 shell knows (a 128-byte tip), sized for the architecture,
// with every other field zero.
struct TrayIconRecord {
    Window window = 0;
    std::uint32_t id = 0;
    std::uint32_t flags = 0;
    std::uint32_t callbackMessage = 0;
    IconHandle icon = nullptr;
    char tip[128] = {};
};

// Shell_NotifyIconA: false when the shell refuses (adding an icon twice, deleting one
// that is not there, no shell running).
ZEL_SYSTEM_API bool shellNotifyIcon(std::uint32_t operation, const TrayIconRecord& record);

// LoadImageA(module, id, IMAGE_ICON, size, size, LR_VGACOLOR); null when missing.
ZEL_SYSTEM_API IconHandle loadIcon(const Library& module, std::uint32_t id, int size);

// GetKeyState: negative while the key is down.
ZEL_SYSTEM_API short getKeyState(int virtualKey);

// SetWindowPos(window, HWND_TOPMOST or HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE).
ZEL_SYSTEM_API bool setWindowTopmost(Window window, bool topmost);

// ShellExecuteA(no owner, verb, file, no parameters, no directory, SW_SHOWNORMAL): the
// result as a number (above 32 on success).
ZEL_SYSTEM_API std::intptr_t shellExecute(const char* verb, const char* file);

// ---- popup menus ---------------------------------------------------------------------

inline constexpr std::uint32_t kWmMeasureItem = 0x002C;
inline constexpr std::uint32_t kWmDrawItem = 0x002B;

struct Point {
    std::int32_t x = 0;
    std::int32_t y = 0;
};

ZEL_SYSTEM_API bool getCursorPos(Point& point);
ZEL_SYSTEM_API bool setForegroundWindow(Window window);
ZEL_SYSTEM_API void setFocus(Window window);

// A popup menu (HMENU), destroyed with DestroyMenu.
class ZEL_SYSTEM_API PopupMenu {
public:
    PopupMenu() = default;
    static PopupMenu create(); // CreatePopupMenu

    PopupMenu(PopupMenu&& other) noexcept : handle_(other.handle_) { other.handle_ = nullptr; }
    PopupMenu& operator=(PopupMenu&& other) noexcept {
        if (this != &other) {
            reset();
            handle_ = other.handle_;
            other.handle_ = nullptr;
        }
        return *this;
    }
    PopupMenu(const PopupMenu&) = delete;
    PopupMenu& operator=(const PopupMenu&) = delete;
    ~PopupMenu() { reset(); }

    explicit operator bool() const { return handle_ != nullptr; }
    void* native() const { return handle_; }
    void reset();

    // InsertMenuA(menu, position, MF_BYPOSITION | MF_STRING, command, text).
    bool insertText(std::uint32_t position, std::uint32_t command, const char* text);
    // AppendMenuA(menu, MF_OWNERDRAW, command, itemData): the item data picks what is drawn.
    bool appendOwnerDrawn(std::uint32_t command, std::uintptr_t itemData);
    bool appendSeparator();

private:
    explicit PopupMenu(void* handle) : handle_(handle) {}
    void* handle_ = nullptr;
};

// TrackPopupMenu(menu, TPM_RIGHTBUTTON, x, y, 0, owner, nullptr): the chosen command
// reaches the owner as WM_COMMAND once the menu has closed.
ZEL_SYSTEM_API bool trackPopupMenu(const PopupMenu& menu, Window owner, Point at);

// Owner-drawn command-menu items. The item data of a WM_MEASUREITEM or WM_DRAWITEM;
// sizing an item to its label; painting it with its label and its 16 x 16 image
// (column `itemData` of bitmap `bitmapId` of the module). Only the real backend draws.
ZEL_SYSTEM_API std::uintptr_t ownerDrawItemData(std::uint32_t message, std::intptr_t lParam);
ZEL_SYSTEM_API void measureMenuItem(std::intptr_t lParam, const char* label);
ZEL_SYSTEM_API void drawMenuItem(std::intptr_t lParam, const char* label, const Library& module, std::uint32_t bitmapId);

} // namespace zel::platform
