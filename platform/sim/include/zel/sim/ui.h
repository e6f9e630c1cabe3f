#pragma once
// The simulated user interface: windows, a message queue, timers on a virtual clock
// and message boxes answered from a script. Tests drive it through these calls.

#include <zel/platform/ui.h>
#include <zel/sim/machine.h> // ZELSIM_API

#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace zel::sim {

struct MessageBoxShown {
    platform::Window owner = 0;
    std::string text;
    std::string caption;
    std::uint32_t style = 0;
    int answer = 0;
};

struct WindowState {
    platform::Window id = 0;
    std::string title;
    bool visible = false;
    bool enabled = true;
    bool frame = false; // made by FrameWindow::create, of the family's frame class
};

// Forgets every window, queued message, timer, message box and scripted answer, and
// sets the clock back to 0.
ZELSIM_API void resetUi();

// Message boxes shown since the last reset, in order.
ZELSIM_API std::vector<MessageBoxShown> messageBoxes();
// Answers for the next message boxes, in order; when none is left a box is answered
// with its first button (OK, or Yes).
ZELSIM_API void answerMessageBoxes(const std::vector<int>& answers);
// Something that happens while the next message box is up (a device change, a look at
// the windows): the box is then a window of its own, the last active popup of its owner,
// which it disables; the function runs, and the box's loop dispatches what was posted
// meanwhile before the box is answered. One function per box, in order.
ZELSIM_API void whileMessageBoxOpen(std::function<void(platform::Window box)> action);

// Something that happens on the removing thread while a removal is under way, just
// before Windows asks the frame windows whether the device may go (WM_DEVICECHANGE,
// DBT_DEVICEQUERYREMOVE, sent and waited for). One function per removal, in order.
ZELSIM_API void whileRemovalAsks(std::function<void()> action);
// Questions of a removal that no window answered in time since the last reset: its
// thread was busy with something else, such as waiting for the removal itself.
ZELSIM_API int unansweredRemovalQuestions();

// SendMessage from the calling thread, as another program's thread sends (log-off's
// WM_QUERYENDSESSION, say): from a thread other than the windows' own, the message waits
// for one of their thread's loops and this waits for the answer, a few seconds at most.
// False when nobody answered in time.
ZELSIM_API bool sendMessage(platform::Window window, std::uint32_t message, std::uintptr_t wParam,
                            std::intptr_t lParam, std::intptr_t* result = nullptr);
// Messages sent from other threads that their window's thread has taken so far (each
// is counted before its window gets it).
ZELSIM_API std::uint64_t sentMessagesTaken();

// Dispatches queued messages (and messages sent from other threads) until the queue is empty or WM_QUIT comes up (which is
// consumed). Returns the number of messages dispatched.
ZELSIM_API int pumpMessages();
// Whether a WM_QUIT has been taken from the queue since the last reset, and its code.
ZELSIM_API bool quitPosted(int* code = nullptr);
// Messages waiting in the queue, oldest first (message numbers only).
ZELSIM_API std::vector<std::uint32_t> queuedMessages(platform::Window window);

// The virtual clock in milliseconds; advancing it posts WM_TIMER for every timer due.
ZELSIM_API std::uint64_t now();
ZELSIM_API void advanceTime(std::uint32_t milliseconds);
ZELSIM_API bool timerRunning(platform::Window window, std::uintptr_t id);

ZELSIM_API std::vector<WindowState> windows(); // live windows, in creation order
ZELSIM_API void setWindowEnabled(platform::Window window, bool enabled);

// A menu item as a popup menu held it when it was shown.
struct MenuItemShown {
    std::uint32_t command = 0;
    std::string text;          // text items
    bool ownerDrawn = false;
    std::uintptr_t itemData = 0; // owner-drawn items
    bool separator = false;
};
// Every popup menu shown since the last reset, in order, with its items.
ZELSIM_API std::vector<std::vector<MenuItemShown>> menusShown();
// The commands chosen in the next popup menus shown (0: the menu is dismissed).
ZELSIM_API void chooseMenuCommands(const std::vector<std::uint32_t>& commands);
// Popup menus created and not yet destroyed.
ZELSIM_API int liveMenus();
// Labels handed to measureMenuItem and drawMenuItem since the last reset.
ZELSIM_API std::vector<std::string> ownerDrawLabels();
ZELSIM_API platform::Window foregroundWindow();

// Notification-area icons shown now, in the order they were added.
ZELSIM_API std::vector<platform::TrayIconRecord> trayIcons();
// Makes the shell refuse the next `times` requests to add an icon (not running yet).
ZELSIM_API void failTrayIconAdds(int times);
// Explorer restarts: every icon is gone and each window receives "TaskbarCreated" (posted).
ZELSIM_API void restartShell();
// Holds a key down (or lets it go) for getKeyState.
ZELSIM_API void setKeyDown(int virtualKey, bool down);
// setWindowTopmost calls since the last reset: the window and whether it went topmost.
ZELSIM_API std::vector<std::pair<platform::Window, bool>> zOrderCalls();
// Makes the next `times` shellExecute calls fail (the file is not found).
ZELSIM_API void failShellExecute(int times);
// Files handed to shellExecute since the last reset.
ZELSIM_API std::vector<std::string> shellOpened();

// Names registered with registerWindowMessage since the last reset (upper case, sorted).
ZELSIM_API std::vector<std::string> registeredMessages();

// What commandLine() answers from now on.
ZELSIM_API void setCommandLine(const std::string& line);

// A top-level window of another program (an Explorer window, say): no handler, so what is
// posted to it stays queued for queuedMessages until the next pump.
ZELSIM_API platform::Window openOtherProgramWindow(const char* title);

// Makes the next frame-window creation fail.
ZELSIM_API void failNextWindowCreation();

} // namespace zel::sim
