// Simulated modal dialogs. A run opens a window whose messages go to the handler (with a
// dialog's default processing behind it), paints it once, delivers the scripted keys
// through the handler's filter and then loops: dispatch what is queued; when nothing is
// queued, let the worker threads finish and move the virtual clock to the next due timer.
#include "dialog_state.h"
#include "thread_state.h"

#include <zel/platform/controls.h>
#include <zel/platform/dialog.h>

#include <algorithm>
#include <chrono>
#include <optional>

namespace zel::sim::detail {

DialogState& dialogs() {
    static DialogState* state = new DialogState; // never destroyed, like the ui's state
    return *state;
}

ActiveDialog* activeDialog(Window dialog) {
    for (ActiveDialog* active : dialogs().active)
        if (active->record.window == dialog) return active;
    return nullptr;
}

namespace {

using namespace std::chrono_literals;

// Real time a dialog waits for its workers before it gives up, and virtual time it may
// run at all: a stuck test fails instead of hanging.
constexpr auto kWorkerPatience = 20s;
constexpr std::uint64_t kLongestRunMilliseconds = 60ull * 60 * 1000;

// The dialog's window procedure: the handler first, then the defaults of a dialog.
class DialogWindow final : public platform::WindowHandler {
public:
    DialogWindow(platform::DialogHandler& handler, ActiveDialog& active) : handler_(handler), active_(active) {}

    bool onMessage(Window window, std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam,
                   std::intptr_t& result) override {
        if (message == platform::kWmTimer) {
            std::lock_guard lock(ui().mutex);
            active_.record.timerTicks.emplace_back(ui().clock, wParam);
        }
        if (handler_.onMessage(window, message, wParam, lParam, result)) return true;
        const int command = static_cast<int>(wParam & 0xFFFF);
        if (message == platform::kWmCommand && (command == platform::kIdOk || command == platform::kIdCancel)) {
            platform::endDialog(window, command);
            return true;
        }
        if (message == platform::kWmClose) {
            platform::postMessage(window, platform::kWmCommand, platform::kIdCancel, 0);
            return true;
        }
        if (message == platform::kWmInitDialog) result = 1;
        return message == platform::kWmInitDialog;
    }

private:
    platform::DialogHandler& handler_;
    ActiveDialog& active_;
};

bool isKey(std::uint32_t message) { return message == platform::kWmKeyDown || message == platform::kWmSysKeyDown; }

// The first painting: the face, then every control that has text.
void paint(Window window) {
    const std::intptr_t face = send(window, platform::kWmCtlColorDlg, window, static_cast<std::intptr_t>(window));
    std::vector<int> controls;
    {
        std::lock_guard lock(ui().mutex);
        ActiveDialog* active = activeDialog(window);
        const auto brush = dialogs().brushes.find(static_cast<std::uintptr_t>(face));
        if (active != nullptr && brush != dialogs().brushes.end()) active->record.faceColour = brush->second;
        if (active != nullptr)
            for (const auto& [id, text] : active->record.itemTexts) controls.push_back(id);
    }
    for (int id : controls) {
        const Window control = kControlBase + static_cast<Window>(id);
        send(window, platform::kWmCtlColorStatic, control, static_cast<std::intptr_t>(control));
    }
    send(window, platform::kWmPaint, 0, 0);
}

// What a dialog does with a key nobody swallowed: Enter is OK, Escape is Cancel, Alt+F4
// closes it (an F1 press has made its help request when it was taken from the queue).
void defaultKey(Window window, std::uint32_t message, std::uintptr_t key) {
    if (message == platform::kWmKeyDown && key == platform::kVkReturn)
        send(window, platform::kWmCommand, platform::kIdOk, 0);
    else if (message == platform::kWmKeyDown && key == platform::kVkEscape)
        send(window, platform::kWmCommand, platform::kIdCancel, 0);
    else if (message == platform::kWmSysKeyDown && key == platform::kVkF4)
        send(window, platform::kWmClose, 0, 0);
}

// Runs the dialog until it ends; -1 when it never could.
int loop(platform::DialogHandler& handler, ActiveDialog& active) {
    const Window window = active.record.window;
    const auto patience = std::chrono::steady_clock::now() + kWorkerPatience;
    const std::uint64_t latest = active.record.openedAt + kLongestRunMilliseconds;
    while (!active.ended) {
        const std::uint64_t postedBefore = postedSoFar();
        deliverSentMessages();
        if (!platform::isWindow(window)) return -1; // destroyed with its owner
        std::optional<Posted> next;
        {
            std::lock_guard lock(ui().mutex);
            if (!ui().queue.empty()) {
                // WM_QUIT ends the run and stays queued for the program's own loop.
                if (ui().queue.front().message == platform::kWmQuit) return -1;
                next = ui().queue.front();
                ui().queue.pop_front();
            }
        }
        if (next) {
            if (next->window == window && isKey(next->message)) {
                // Taking an F1 press from the queue makes the system post a help request
                // of its own, whatever the key filter then does with the key.
                if (next->message == platform::kWmKeyDown && next->wParam == static_cast<std::uintptr_t>(platform::kVkF1))
                    platform::postMessage(window, platform::kWmHelp, 0, 0);
                if (handler.preTranslate(next->message, next->wParam)) {
                    std::lock_guard lock(ui().mutex);
                    active.record.swallowedKeys.emplace_back(next->message, next->wParam);
                } else {
                    defaultKey(window, next->message, next->wParam);
                }
                continue;
            }
            send(next->window, next->message, next->wParam, next->lParam);
            continue;
        }
        // A worker takes no virtual time: let every one finish before the clock moves,
        // unless it posts a message first, which is handled while it goes on.
        if (!waitForWorkersOrPost(patience, postedBefore)) return -1;
        if (postedSoFar() != postedBefore) continue;
        std::uint64_t wait = 0;
        {
            std::lock_guard lock(ui().mutex);
            if (!ui().queue.empty()) continue;
            const auto first = std::min_element(ui().timers.begin(), ui().timers.end(),
                                                [](const Timer& a, const Timer& b) { return a.due < b.due; });
            if (first == ui().timers.end() || first->due > latest) return -1; // nothing left could end it
            wait = std::max(first->due, ui().clock) - ui().clock;
        }
        advanceTime(static_cast<std::uint32_t>(wait)); // posts the timer's WM_TIMER
    }
    return active.code;
}

} // namespace
} // namespace zel::sim::detail

namespace zel::platform {

using sim::detail::dialogs;
using sim::detail::ui;

int runModalDialog(DialogHandler& handler, const Library& resourceModule, std::uint32_t templateId, Window owner) {
    if (!resourceModule) return -1; // no template to build it from
    sim::detail::ActiveDialog active;
    sim::detail::DialogWindow procedure(handler, active);
    std::deque<std::pair<int, bool>> keys;
    {
        std::lock_guard lock(ui().mutex);
        const Window window = ui().nextWindow;
        ui().nextWindow += 4;
        sim::detail::SimWindow simWindow{{window, "", true, true}, &procedure, false};
        ui().windows.push_back(simWindow);
        active.record.templateId = templateId;
        active.record.window = window;
        active.record.owner = owner;
        active.record.openedAt = ui().clock;
        if (sim::detail::SimWindow* ownerWindow = sim::detail::find(ui(), owner);
            ownerWindow != nullptr && ownerWindow->state.enabled) {
            ownerWindow->state.enabled = false;
            active.record.ownerDisabled = true;
        }
        dialogs().active.push_back(&active);
        keys.swap(dialogs().keys);
    }
    const Window window = active.record.window;
    sim::detail::send(window, kWmInitDialog, 0, 0);
    if (!active.ended) {
        sim::detail::paint(window);
        {
            std::lock_guard lock(ui().mutex);
            for (const auto& [key, alt] : keys)
                ui().queue.push_back({window, alt ? kWmSysKeyDown : kWmKeyDown, static_cast<std::uintptr_t>(key),
                                      alt ? std::intptr_t{1} << 29 : 0}); // bit 29: Alt is held
        }
        const int code = sim::detail::loop(handler, active);
        if (!active.ended) active.code = code;
    }
    {
        // The owner comes back before the dialog goes.
        std::lock_guard lock(ui().mutex);
        if (sim::detail::SimWindow* ownerWindow = sim::detail::find(ui(), owner);
            ownerWindow != nullptr && active.record.ownerDisabled)
            ownerWindow->state.enabled = true;
    }
    sim::detail::destroyWindow(window);
    std::lock_guard lock(ui().mutex);
    active.record.endCode = active.code;
    active.record.endedAt = ui().clock;
    std::erase(dialogs().active, &active);
    dialogs().runs.push_back(std::move(active.record));
    return active.code;
}

bool endDialog(Window dialog, int code) {
    std::lock_guard lock(ui().mutex);
    sim::detail::ActiveDialog* active = sim::detail::activeDialog(dialog);
    if (active == nullptr) return false;
    active->ended = true;
    active->code = code;
    return true;
}

bool setDlgItemText(Window dialog, int controlId, const char* text) {
    std::lock_guard lock(ui().mutex);
    sim::detail::ActiveDialog* active = sim::detail::activeDialog(dialog);
    if (active == nullptr) return false;
    active->record.itemTexts[controlId] = text != nullptr ? text : "";
    return true;
}

int controlId(Window control) {
    return control > sim::detail::kControlBase ? static_cast<int>(control - sim::detail::kControlBase) : 0;
}

} // namespace zel::platform

namespace zel::sim {

std::vector<DialogRun> dialogRuns() {
    std::lock_guard lock(detail::ui().mutex);
    return detail::dialogs().runs;
}

void forgetDialogs() {
    std::lock_guard lock(detail::ui().mutex);
    detail::dialogs().runs.clear();
    detail::dialogs().keys.clear();
}

void pressKey(int virtualKey, bool alt) {
    std::lock_guard lock(detail::ui().mutex);
    detail::dialogs().keys.emplace_back(virtualKey, alt);
}

} // namespace zel::sim
