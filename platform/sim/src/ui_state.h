#pragma once
// The simulated user interface's state, shared by the files that implement it: windows,
// the message queue, timers on the virtual clock, and what tests script or inspect.

#include <zel/sim/ui.h>

#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <thread>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace zel::sim::detail {

using platform::Window;

struct SimWindow {
    WindowState state;
    platform::WindowHandler* handler = nullptr;
    bool endsLoop = true; // a frame's destruction ends the message loop; a dialog's does not
};

struct Posted {
    Window window;
    std::uint32_t message;
    std::uintptr_t wParam;
    std::intptr_t lParam;
};

// A message sent from another thread: it waits until the window's thread takes it in one
// of its message loops (sent messages come before posted ones) or it gives up.
struct SentAcross {
    Posted message;
    std::intptr_t result = 0;
    bool answered = false;
};

struct Timer {
    Window window;
    std::uintptr_t id;
    std::uint32_t period;
    std::uint64_t due;
};

struct SimMenu {
    std::vector<MenuItemShown> items;
};

struct UiState {
    std::recursive_mutex mutex;
    std::vector<SimWindow> windows;
    std::deque<Posted> queue;
    std::vector<Timer> timers;
    std::vector<MessageBoxShown> boxes;
    std::deque<int> answers;
    std::deque<std::function<void(Window)>> duringBoxes; // what happens while each next box is up
    std::vector<std::pair<Window, Window>> openBoxes;    // (box, owner), innermost last
    std::map<std::string, std::uint32_t> registered;
    std::uint64_t clock = 0;
    Window nextWindow = 0x10010;
    bool failNextCreation = false;
    std::optional<int> quitCode;
    std::vector<platform::TrayIconRecord> trayIcons; // shown, by (window, id)
    int trayAddFailures = 0; // the next adds the shell refuses
    std::map<int, bool> keysDown;
    std::vector<std::pair<Window, bool>> zOrderCalls;
    std::vector<std::string> shellOpened;
    int shellFailures = 0; // the next shellExecute calls that fail
    std::map<std::uintptr_t, SimMenu> menus; // live menus by handle
    std::uintptr_t nextMenu = 0x20010;
    std::vector<std::vector<MenuItemShown>> menusShown;
    std::deque<std::uint32_t> menuChoices;
    std::vector<std::string> ownerDrawLabels;
    platform::Point cursor{640, 740};
    Window foreground = 0;
    std::string commandLine = "\"C:\\Program Files\\ZelSATA\\ZelSATA.exe\"";
    std::thread::id uiThread; // the thread whose loops dispatch the windows' messages
    std::deque<std::shared_ptr<SentAcross>> sentAcross;
    std::condition_variable_any sentAnswered;
    std::deque<std::function<void()>> duringRemovalQuestions; // run by the removing thread
    int unansweredRemovalQuestions = 0;
    std::uint64_t sentTaken = 0; // messages from other threads taken by a loop so far
};

UiState& ui();
SimWindow* find(UiState& s, Window window);
// Sends a message straight to the window's handler, then applies default processing.
std::intptr_t send(Window window, std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam);
void destroyWindow(Window window);
// Hands every message sent from another thread to its window; each loop of the window's
// thread calls it before it looks at the posted messages.
void deliverSentMessages();
// SendMessage: straight to the handler on the window's own thread; from another thread,
// queued for the window's thread and waited for. False when nobody answered in time.
bool sendAndWait(Window window, std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam,
                 std::intptr_t& result);
// Puts the scripted user's deferred actions back in the queue when their dialog can take
// them again (a message box over it has closed).
void resumeUserActions();

} // namespace zel::sim::detail
