// The simulated user interface behind platform/ui.h. Handlers run without the lock
// held, so they may post, create windows or show message boxes themselves.
#include "dialog_state.h"
#include "thread_state.h"
#include "model.h"
#include "ui_state.h"

#include <zel/platform/system.h>

#include <zel/sim/dialog.h>

#include <algorithm>
#include <chrono>
#include <optional>
#include <cctype>
#include <string_view>

namespace zel::sim::detail {

UiState& ui() {
    static UiState* state = new UiState; // never destroyed: windows may be released at exit
    return *state;
}

SimWindow* find(UiState& s, Window window) {
    for (SimWindow& w : s.windows)
        if (w.state.id == window) return &w;
    return nullptr;
}

void destroyWindow(Window window);

// Sends a message straight to the window's handler, then applies default processing.
std::intptr_t send(Window window, std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) {
    platform::WindowHandler* handler = nullptr;
    {
        std::lock_guard lock(ui().mutex);
        if (SimWindow* w = find(ui(), window)) handler = w->handler;
    }
    if (handler == nullptr) return 0;
    std::intptr_t result = 0;
    const bool handled = handler->onMessage(window, message, wParam, lParam, result);
    if (message == platform::kWmDestroy) {
        std::lock_guard lock(ui().mutex);
        const SimWindow* w = find(ui(), window);
        if (w != nullptr && w->endsLoop)
        ui().queue.push_back({0, platform::kWmQuit, 0, 0}); // the frame's destruction ends the loop
    }
    if (!handled && message == platform::kWmClose) destroyWindow(window);
    if (!handled && message == platform::kWmQueryEndSession) result = 1; // the session may end
    return result;
}

void destroyWindow(Window window) {
    std::vector<Window> owned;
    {
        std::lock_guard lock(ui().mutex);
        if (find(ui(), window) == nullptr) return;
        for (const ActiveDialog* active : dialogs().active)
            if (active->record.owner == window) owned.push_back(active->record.window);
    }
    // As Windows does, the windows it owns go first: a modal dialog dies with its owner.
    for (const Window dialog : owned) destroyWindow(dialog);
    send(window, platform::kWmDestroy, 0, 0);
    std::lock_guard lock(ui().mutex);
    UiState& s = ui();
    std::erase_if(s.windows, [&](const SimWindow& w) { return w.state.id == window; });
    std::erase_if(s.timers, [&](const Timer& t) { return t.window == window; });
    std::erase_if(s.queue, [&](const Posted& p) { return p.window == window; });
}

void deliverSentMessages() {
    for (;;) {
        std::shared_ptr<SentAcross> next;
        {
            std::lock_guard lock(ui().mutex);
            if (ui().sentAcross.empty()) return;
            next = ui().sentAcross.front();
            ui().sentAcross.pop_front();
            ++ui().sentTaken;
        }
        const Posted& m = next->message;
        const std::intptr_t result = send(m.window, m.message, m.wParam, m.lParam);
        {
            std::lock_guard lock(ui().mutex);
            next->result = result;
            next->answered = true;
        }
        ui().sentAnswered.notify_all();
    }
}

namespace {

constexpr std::uint32_t kDbtDeviceQueryRemove = 0x8001;
constexpr std::intptr_t kBroadcastQueryDeny = 0x424D5144; // "BMQD"
// Real time a removal waits for one window's answer before it gives up on that window,
// as Windows gives up on a program that does not answer.
constexpr auto kAnswerPatience = std::chrono::seconds(2);

} // namespace

bool sendAndWait(Window window, std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam,
                 std::intptr_t& result) {
    std::thread::id uiThread;
    {
        std::lock_guard lock(ui().mutex);
        uiThread = ui().uiThread;
    }
    if (uiThread == std::thread::id() || uiThread == std::this_thread::get_id()) {
        result = send(window, message, wParam, lParam);
        return true;
    }
    auto sent = std::make_shared<SentAcross>();
    sent->message = {window, message, wParam, lParam};
    {
        std::lock_guard lock(ui().mutex);
        ui().sentAcross.push_back(sent);
    }
    notePosted(); // wakes a dialog that waits for its workers
    std::unique_lock lock(ui().mutex);
    if (!ui().sentAnswered.wait_for(lock, kAnswerPatience, [&] { return sent->answered; })) {
        std::erase(ui().sentAcross, sent);
        return false;
    }
    result = sent->result;
    return true;
}

namespace {

// The removal's question to every frame window; first whatever a test scripted to
// happen meanwhile, on the removing thread.
bool askFramesBeforeRemoval() {
    std::function<void()> meanwhile;
    std::vector<Window> frames;
    {
        std::lock_guard lock(ui().mutex);
        if (!ui().duringRemovalQuestions.empty()) {
            meanwhile = std::move(ui().duringRemovalQuestions.front());
            ui().duringRemovalQuestions.pop_front();
        }
    }
    if (meanwhile) meanwhile();
    {
        std::lock_guard lock(ui().mutex);
        for (const SimWindow& w : ui().windows)
            if (w.state.frame) frames.push_back(w.state.id);
    }
    bool agreed = true;
    for (const Window frame : frames) {
        std::intptr_t answer = 0;
        if (!sendAndWait(frame, platform::kWmDeviceChange, kDbtDeviceQueryRemove, 0, answer)) {
            std::lock_guard lock(ui().mutex);
            ++ui().unansweredRemovalQuestions;
        } else if (answer == kBroadcastQueryDeny) {
            agreed = false;
        }
    }
    return agreed;
}

const bool questionInstalled = (setRemovalQuestion(&askFramesBeforeRemoval), true);

} // namespace
} // namespace zel::sim::detail

namespace zel::sim {
using namespace detail;

// ---- platform calls -------------------------------------------------------------------

} // namespace zel::sim

namespace zel::platform {

using sim::detail::ui;

FrameWindow FrameWindow::create(WindowHandler& handler, const char* title) {
    Window id = 0;
    {
        std::lock_guard lock(ui().mutex);
        if (ui().failNextCreation) {
            ui().failNextCreation = false;
            return {};
        }
        id = ui().nextWindow;
        ui().nextWindow += 4;
        ui().windows.push_back({{id, title != nullptr ? title : "", false, true, true}, &handler});
    }
    if (sim::detail::send(id, kWmCreate, 0, 0) == -1) {
        std::lock_guard lock(ui().mutex);
        std::erase_if(ui().windows, [&](const sim::detail::SimWindow& w) { return w.state.id == id; });
        return {};
    }
    return FrameWindow(id);
}


void FrameWindow::reset() {
    if (window_ != 0) sim::detail::destroyWindow(window_);
    window_ = 0;
}

int runMessageLoop() {
    sim::pumpMessages();
    int code = -1;
    sim::quitPosted(&code);
    return code;
}

bool pumpMessagesUntil(bool (*done)(void* context), void* context, std::uint32_t milliseconds) {
    using sim::detail::Posted;
    // As a dialog's loop: a worker takes no virtual time, and a stuck test fails instead of
    // hanging.
    const auto patience = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    std::uint64_t latest = 0;
    {
        std::lock_guard lock(ui().mutex);
        latest = ui().clock + milliseconds;
    }
    for (;;) {
        const std::uint64_t postedBefore = sim::detail::postedSoFar();
        sim::detail::deliverSentMessages();
        if (done(context)) return true;
        std::optional<Posted> next;
        {
            std::lock_guard lock(ui().mutex);
            if (!ui().queue.empty()) {
                if (ui().queue.front().message == kWmQuit) return false; // stays for the main loop
                next = ui().queue.front();
                ui().queue.pop_front();
            }
        }
        if (next) {
            sim::detail::send(next->window, next->message, next->wParam, next->lParam);
            continue;
        }
        if (!sim::detail::waitForWorkersOrPost(patience, postedBefore)) return false;
        if (done(context)) return true;
        if (sim::detail::postedSoFar() != postedBefore) continue;
        std::uint64_t wait = 0;
        {
            std::lock_guard lock(ui().mutex);
            if (!ui().queue.empty() || !ui().sentAcross.empty()) continue;
            if (ui().clock >= latest) return false;
            std::uint64_t due = latest;
            for (const sim::detail::Timer& timer : ui().timers) due = std::min(due, std::max(timer.due, ui().clock));
            wait = due - ui().clock;
        }
        sim::advanceTime(static_cast<std::uint32_t>(wait));
    }
}

bool postMessage(Window window, std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) {
    {
        std::lock_guard lock(ui().mutex);
        if (sim::detail::find(ui(), window) == nullptr) return false;
        ui().queue.push_back({window, message, wParam, lParam});
    }
    sim::detail::notePosted(); // a dialog waiting for its workers handles it at once
    return true;
}

bool isWindow(Window window) {
    std::lock_guard lock(ui().mutex);
    return sim::detail::find(ui(), window) != nullptr;
}

bool setWindowText(Window window, const char* text) {
    std::lock_guard lock(ui().mutex);
    sim::detail::SimWindow* w = sim::detail::find(ui(), window);
    if (w == nullptr) return false;
    w->state.title = text != nullptr ? text : "";
    return true;
}

bool showWindow(Window window, int command) {
    std::lock_guard lock(ui().mutex);
    sim::detail::SimWindow* w = sim::detail::find(ui(), window);
    if (w == nullptr) return false;
    const bool wasVisible = w->state.visible;
    w->state.visible = command != kSwHide;
    return wasVisible;
}

Window getLastActivePopup(Window window) {
    if (!isWindow(window)) return 0;
    // The innermost modal dialog running over the window (owned by it, or by a dialog
    // that it owns), as Windows reports the last active popup of an owner.
    std::lock_guard lock(ui().mutex);
    Window popup = window;
    for (const sim::detail::ActiveDialog* dialog : sim::detail::dialogs().active)
        if (!dialog->ended && dialog->record.owner == popup) popup = dialog->record.window;
    for (const auto& [box, owner] : ui().openBoxes)
        if (owner == popup) popup = box;
    return popup;
}

bool isWindowEnabled(Window window) {
    std::lock_guard lock(ui().mutex);
    const sim::detail::SimWindow* w = sim::detail::find(ui(), window);
    return w != nullptr && w->state.enabled;
}

bool setTimer(Window window, std::uintptr_t id, std::uint32_t milliseconds) {
    std::lock_guard lock(ui().mutex);
    if (sim::detail::find(ui(), window) == nullptr) return false;
    auto& timers = ui().timers;
    std::erase_if(timers, [&](const sim::detail::Timer& t) { return t.window == window && t.id == id; });
    // Windows raises periods below 10 ms to 10 ms.
    const std::uint32_t period = std::max<std::uint32_t>(milliseconds, 10);
    timers.push_back({window, id, period, ui().clock + period});
    return true;
}

bool killTimer(Window window, std::uintptr_t id) {
    std::lock_guard lock(ui().mutex);
    const auto removed =
        std::erase_if(ui().timers, [&](const sim::detail::Timer& t) { return t.window == window && t.id == id; });
    std::erase_if(ui().queue, [&](const sim::detail::Posted& p) {
        return p.window == window && p.message == kWmTimer && p.wParam == id;
    });
    return removed > 0;
}

std::uint32_t registerWindowMessage(const char* name) {
    if (name == nullptr || *name == '\0') return 0;
    std::lock_guard lock(ui().mutex);
    std::string key(name);
    for (char& c : key) c = static_cast<char>(c >= 'a' && c <= 'z' ? c - 32 : c); // names ignore case
    auto [it, added] = ui().registered.try_emplace(key, 0xC000u + static_cast<std::uint32_t>(ui().registered.size()));
    (void)added;
    return it->second;
}

namespace {

Window findTitled(const char* title, bool framesOnly) {
    if (title == nullptr) return 0;
    std::lock_guard lock(ui().mutex);
    const std::string_view wanted(title);
    for (const sim::detail::SimWindow& w : ui().windows) {
        if (framesOnly && !w.state.frame) continue;
        const std::string& have = w.state.title;
        if (have.size() != wanted.size()) continue;
        bool same = true;
        for (std::size_t i = 0; i < have.size() && same; ++i)
            same = std::tolower(static_cast<unsigned char>(have[i])) == std::tolower(static_cast<unsigned char>(wanted[i]));
        if (same) return w.state.id;
    }
    return 0;
}

} // namespace

Window findWindow(const char* title) { return findTitled(title, false); }

Window findFrameWindow(const char* title) { return findTitled(title, true); }

const char* commandLine() {
    std::lock_guard lock(ui().mutex);
    return ui().commandLine.c_str();
}

int messageBox(Window owner, const char* text, const char* caption, std::uint32_t style) {
    std::function<void(Window)> during;
    Window box = 0;
    bool ownerWasEnabled = false;
    {
        std::lock_guard lock(ui().mutex);
        if (!ui().duringBoxes.empty()) {
            during = std::move(ui().duringBoxes.front());
            ui().duringBoxes.pop_front();
        }
        if (during) {
            box = ui().nextWindow;
            ui().nextWindow += 4;
            ui().windows.push_back({{box, caption != nullptr ? caption : "", true, true}, nullptr, false});
            ui().openBoxes.emplace_back(box, owner);
            if (sim::detail::SimWindow* w = sim::detail::find(ui(), owner)) {
                ownerWasEnabled = w->state.enabled;
                w->state.enabled = false;
            }
        }
    }
    if (during) {
        // The box is up: what happens now, then its own loop dispatches what was posted
        // (a message posted to the box itself is lost, as Windows' box ignores it).
        during(box);
        sim::pumpMessages();
        std::lock_guard lock(ui().mutex);
        std::erase_if(ui().openBoxes, [&](const auto& open) { return open.first == box; });
        std::erase_if(ui().windows, [&](const sim::detail::SimWindow& w) { return w.state.id == box; });
        if (sim::detail::SimWindow* w = sim::detail::find(ui(), owner)) w->state.enabled = ownerWasEnabled;
        sim::detail::resumeUserActions();
    }
    std::lock_guard lock(ui().mutex);
    int answer = 0;
    if (!ui().answers.empty()) {
        answer = ui().answers.front();
        ui().answers.pop_front();
    } else {
        const std::uint32_t buttons = style & 0x0F;
        answer = (buttons == kMbYesNo || buttons == 3 /* yes, no, cancel */) ? kIdYes : kIdOk;
    }
    ui().boxes.push_back({owner, text != nullptr ? text : "", caption != nullptr ? caption : "", style, answer});
    return answer;
}

bool shellNotifyIcon(std::uint32_t operation, const TrayIconRecord& record) {
    std::lock_guard lock(ui().mutex);
    auto& icons = ui().trayIcons;
    const auto same = [&](const TrayIconRecord& r) { return r.window == record.window && r.id == record.id; };
    const auto found = std::find_if(icons.begin(), icons.end(), same);
    switch (operation) {
    case kNimAdd:
        if (ui().trayAddFailures > 0) {
            --ui().trayAddFailures;
            return false;
        }
        if (found != icons.end() || sim::detail::find(ui(), record.window) == nullptr) return false;
        icons.push_back(record);
        return true;
    case kNimModify:
        if (found == icons.end()) return false;
        *found = record;
        return true;
    case kNimDelete:
        if (found == icons.end()) return false;
        icons.erase(found);
        return true;
    default:
        return false;
    }
}

IconHandle loadIcon(const Library& module, std::uint32_t id, int size) {
    // A distinct, recognisable non-null handle per (module, id, size); null without a module.
    if (!module) return nullptr;
    return reinterpret_cast<IconHandle>(static_cast<std::uintptr_t>(0x1C000000u + id * 64u + static_cast<unsigned>(size)));
}

short getKeyState(int virtualKey) {
    std::lock_guard lock(ui().mutex);
    const auto it = ui().keysDown.find(virtualKey);
    return it != ui().keysDown.end() && it->second ? static_cast<short>(-128) : 0;
}

bool setWindowTopmost(Window window, bool topmost) {
    std::lock_guard lock(ui().mutex);
    if (sim::detail::find(ui(), window) == nullptr) return false;
    ui().zOrderCalls.emplace_back(window, topmost);
    return true;
}

std::intptr_t shellExecute(const char*, const char* file) {
    std::lock_guard lock(ui().mutex);
    ui().shellOpened.emplace_back(file != nullptr ? file : "");
    if (ui().shellFailures > 0) {
        --ui().shellFailures;
        return kErrorFileNotFound; // SE_ERR_FNF: no such file
    }
    return 42;
}

void initCommonControls() {}

void setResourceModule(const Library&) {}

} // namespace zel::platform

namespace zel::sim {

void resetUi() {
    forgetDialogs();
    UiState& s = ui();
    std::lock_guard lock(s.mutex);
    s.windows.clear();
    s.queue.clear();
    s.timers.clear();
    s.boxes.clear();
    s.answers.clear();
    s.duringBoxes.clear();
    s.openBoxes.clear();
    s.clock = 0;
    s.failNextCreation = false;
    s.quitCode.reset();
    s.registered.clear();
    s.trayIcons.clear();
    s.keysDown.clear();
    s.zOrderCalls.clear();
    s.shellOpened.clear();
    s.shellFailures = 0;
    s.trayAddFailures = 0;
    s.menus.clear();
    s.menusShown.clear();
    s.menuChoices.clear();
    s.ownerDrawLabels.clear();
    s.foreground = 0;
    s.uiThread = std::this_thread::get_id();
    s.sentAcross.clear(); // their senders give up on their own
    s.duringRemovalQuestions.clear();
    s.unansweredRemovalQuestions = 0;
    s.sentTaken = 0;
}

void whileRemovalAsks(std::function<void()> action) {
    std::lock_guard lock(ui().mutex);
    ui().duringRemovalQuestions.push_back(std::move(action));
}

bool sendMessage(Window window, std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam,
                 std::intptr_t* result) {
    std::intptr_t answer = 0;
    const bool answered = sendAndWait(window, message, wParam, lParam, answer);
    if (result != nullptr) *result = answer;
    return answered;
}

std::uint64_t sentMessagesTaken() {
    std::lock_guard lock(ui().mutex);
    return ui().sentTaken;
}

int unansweredRemovalQuestions() {
    std::lock_guard lock(ui().mutex);
    return ui().unansweredRemovalQuestions;
}

std::vector<MessageBoxShown> messageBoxes() {
    std::lock_guard lock(ui().mutex);
    return ui().boxes;
}

void whileMessageBoxOpen(std::function<void(platform::Window box)> action) {
    std::lock_guard lock(ui().mutex);
    ui().duringBoxes.push_back(std::move(action));
}

void answerMessageBoxes(const std::vector<int>& answers) {
    std::lock_guard lock(ui().mutex);
    ui().answers.insert(ui().answers.end(), answers.begin(), answers.end());
}

int pumpMessages() {
    int dispatched = 0;
    for (;;) {
        deliverSentMessages();
        Posted next{};
        {
            std::lock_guard lock(ui().mutex);
            if (ui().queue.empty()) return dispatched;
            next = ui().queue.front();
            ui().queue.pop_front();
            if (next.message == platform::kWmQuit) {
                ui().quitCode = static_cast<int>(next.wParam);
                return dispatched;
            }
        }
        send(next.window, next.message, next.wParam, next.lParam);
        ++dispatched;
    }
}

bool quitPosted(int* code) {
    std::lock_guard lock(ui().mutex);
    if (code != nullptr && ui().quitCode) *code = *ui().quitCode;
    return ui().quitCode.has_value();
}

std::vector<std::uint32_t> queuedMessages(Window window) {
    std::lock_guard lock(ui().mutex);
    std::vector<std::uint32_t> out;
    for (const Posted& p : ui().queue)
        if (p.window == window) out.push_back(p.message);
    return out;
}

std::uint64_t now() {
    std::lock_guard lock(ui().mutex);
    return ui().clock;
}

void advanceTime(std::uint32_t milliseconds) {
    std::lock_guard lock(ui().mutex);
    UiState& s = ui();
    const std::uint64_t end = s.clock + milliseconds;
    // Step from one due timer to the next so that periods keep their order.
    for (;;) {
        Timer* due = nullptr;
        for (Timer& t : s.timers)
            if (t.due <= end && (due == nullptr || t.due < due->due)) due = &t;
        if (due == nullptr) break;
        s.clock = due->due;
        due->due += due->period;
        // Like WM_TIMER, at most one tick of a timer waits in the queue.
        const bool pending = std::any_of(s.queue.begin(), s.queue.end(), [&](const Posted& p) {
            return p.window == due->window && p.message == platform::kWmTimer && p.wParam == due->id;
        });
        if (!pending) s.queue.push_back({due->window, platform::kWmTimer, due->id, 0});
    }
    s.clock = end;
}

bool timerRunning(Window window, std::uintptr_t id) {
    std::lock_guard lock(ui().mutex);
    return std::any_of(ui().timers.begin(), ui().timers.end(),
                       [&](const Timer& t) { return t.window == window && t.id == id; });
}

std::vector<WindowState> windows() {
    std::lock_guard lock(ui().mutex);
    std::vector<WindowState> out;
    for (const SimWindow& w : ui().windows) out.push_back(w.state);
    return out;
}

void setWindowEnabled(Window window, bool enabled) {
    std::lock_guard lock(ui().mutex);
    if (SimWindow* w = find(ui(), window)) w->state.enabled = enabled;
}

std::vector<platform::TrayIconRecord> trayIcons() {
    std::lock_guard lock(ui().mutex);
    return ui().trayIcons;
}

Window openOtherProgramWindow(const char* title) {
    std::lock_guard lock(ui().mutex);
    const Window id = ui().nextWindow;
    ui().nextWindow += 4;
    ui().windows.push_back({{id, title != nullptr ? title : "", true, true, false}, nullptr});
    return id;
}

void failTrayIconAdds(int times) {
    std::lock_guard lock(ui().mutex);
    ui().trayAddFailures = times;
}

void restartShell() {
    const std::uint32_t message = platform::registerWindowMessage("TaskbarCreated");
    std::lock_guard lock(ui().mutex);
    ui().trayIcons.clear();
    for (const SimWindow& w : ui().windows) ui().queue.push_back({w.state.id, message, 0, 0});
}

void setKeyDown(int virtualKey, bool down) {
    std::lock_guard lock(ui().mutex);
    ui().keysDown[virtualKey] = down;
}

std::vector<std::pair<platform::Window, bool>> zOrderCalls() {
    std::lock_guard lock(ui().mutex);
    return ui().zOrderCalls;
}

void failShellExecute(int times) {
    std::lock_guard lock(ui().mutex);
    ui().shellFailures = times;
}

std::vector<std::string> shellOpened() {
    std::lock_guard lock(ui().mutex);
    return ui().shellOpened;
}

std::vector<std::string> registeredMessages() {
    std::lock_guard lock(ui().mutex);
    std::vector<std::string> names;
    for (const auto& [name, id] : ui().registered) names.push_back(name);
    return names;
}

void setCommandLine(const std::string& line) {
    std::lock_guard lock(ui().mutex);
    ui().commandLine = line;
}

void failNextWindowCreation() {
    std::lock_guard lock(ui().mutex);
    ui().failNextCreation = true;
}

} // namespace zel::sim
