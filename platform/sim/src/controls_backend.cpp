// Simulated dialog controls: each dialog's list views, check boxes and enabled states,
// kept by dialog window under the ui's mutex, and the scripted user. The user acts
// through a hidden window of its own: every action is one message queued to it, so the
// actions run in order with whatever the dialog queues meanwhile.
#include "dialog_state.h"

#include <zel/platform/controls.h>
#include <zel/sim/controls.h>

#include <algorithm>
#include <map>

namespace zel::sim::detail {
namespace {

struct ControlsState {
    std::map<Window, DialogControls> dialogs;
    std::vector<UserAction> script;    // for the next dialog
    std::vector<UserAction> delivered; // the script's actions, by index
    std::vector<std::uintptr_t> deferred; // actions that came up while another dialog ran on top
    Window scriptedDialog = 0;
    Window user = 0;
};

ControlsState& controls() {
    static ControlsState* state = new ControlsState; // never destroyed, like the ui's state
    return *state;
}

constexpr std::uint32_t kUserAction = platform::kWmApp + 0x3F00;

void perform(std::uintptr_t index);

class UserWindow final : public platform::WindowHandler {
public:
    bool onMessage(Window, std::uint32_t message, std::uintptr_t wParam, std::intptr_t,
                   std::intptr_t& result) override {
        result = 0;
        if (message != kUserAction) return false;
        perform(wParam);
        return true;
    }
};

UserWindow g_userWindow;

// Whether the dialog is the innermost one running and not disabled by a message box over
// it: the user can only act on that one. Caller holds the ui's mutex.
bool onTop(Window dialog) {
    const auto& active = dialogs().active;
    if (active.empty() || active.back()->record.window != dialog) return false;
    const SimWindow* window = find(ui(), dialog);
    return window != nullptr && window->state.enabled;
}

// The dialog's controls; the first touch by a dialog takes any pending script, and a
// touch by the scripted dialog once it is on top again resumes deferred actions ahead of
// anything queued. Caller holds the ui's mutex.
DialogControls& touch(Window dialog) {
    ControlsState& s = controls();
    if (dialog == s.scriptedDialog && !s.deferred.empty() && onTop(dialog)) {
        for (auto index = s.deferred.rbegin(); index != s.deferred.rend(); ++index)
            ui().queue.push_front({s.user, kUserAction, *index, 0});
        s.deferred.clear();
    }
    const bool first = s.dialogs.find(dialog) == s.dialogs.end();
    DialogControls& state = s.dialogs[dialog];
    if (first && !s.script.empty()) {
        if (find(ui(), s.user) == nullptr) {
            s.user = ui().nextWindow;
            ui().nextWindow += 4;
            ui().windows.push_back({{s.user, "", false, true}, &g_userWindow, false});
        }
        s.delivered = std::move(s.script);
        s.script.clear();
        s.scriptedDialog = dialog;
        for (std::size_t i = 0; i < s.delivered.size(); ++i) ui().queue.push_back({s.user, kUserAction, i, 0});
    }
    return state;
}

} // namespace

void resumeUserActions() {
    std::lock_guard lock(ui().mutex);
    ControlsState& s = controls();
    if (s.scriptedDialog != 0 && find(ui(), s.scriptedDialog) != nullptr) touch(s.scriptedDialog);
}

namespace {

void command(Window dialog, int id) {
    send(dialog, platform::kWmCommand, static_cast<std::uintptr_t>(id) | (std::uintptr_t{platform::kBnClicked} << 16),
         0);
}

void perform(std::uintptr_t index) {
    UserAction action;
    Window dialog = 0;
    {
        std::lock_guard lock(ui().mutex);
        ControlsState& s = controls();
        if (index >= s.delivered.size() || find(ui(), s.scriptedDialog) == nullptr) return; // the dialog ended
        dialog = s.scriptedDialog;
        if (!onTop(dialog)) {
            s.deferred.push_back(index);
            return;
        }
        action = s.delivered[index];
        DialogControls& state = s.dialogs[dialog];
        switch (action.kind) {
        case UserAction::Kind::clickButton:
            if (!state.isEnabled(action.control)) return;
            break;
        case UserAction::Kind::clickCheckBox:
            if (!state.isEnabled(action.control)) return;
            state.checked[action.control] = !state.checked[action.control];
            break;
        case UserAction::Kind::clickListRow: {
            ListViewState& list = state.lists[action.control];
            if (action.row >= 0 && static_cast<std::size_t>(action.row) < list.rows.size())
                list.selectionMark = list.selectedRow = action.row;
            return;
        }
        default: break;
        }
    }
    switch (action.kind) {
    case UserAction::Kind::clickButton:
    case UserAction::Kind::clickCheckBox: command(dialog, action.control); break;
    case UserAction::Kind::message: send(dialog, action.message, action.wParam, action.lParam); break;
    case UserAction::Kind::call:
        if (action.function) action.function(dialog);
        break;
    default: break;
    }
}

ListViewState& list(Window dialog, int id) { return touch(dialog).lists[id]; }

} // namespace
} // namespace zel::sim::detail

namespace zel::platform {

using sim::detail::ui;

bool listViewDeleteColumn(Window dialog, int controlId, int column) {
    std::lock_guard lock(ui().mutex);
    auto& columns = sim::detail::list(dialog, controlId).columns;
    if (column < 0 || static_cast<std::size_t>(column) >= columns.size()) return false;
    columns.erase(columns.begin() + column);
    return true;
}

bool listViewDeleteAllItems(Window dialog, int controlId) {
    std::lock_guard lock(ui().mutex);
    sim::ListViewState& list = sim::detail::list(dialog, controlId);
    list.rows.clear();
    list.selectedRow = list.selectionMark = -1;
    return true;
}

void listViewAddExtendedStyle(Window dialog, int controlId, std::uint32_t bits) {
    std::lock_guard lock(ui().mutex);
    sim::detail::list(dialog, controlId).extendedStyle |= bits;
}

int listViewInsertColumn(Window dialog, int controlId, int column, const char* heading, int format, int width) {
    std::lock_guard lock(ui().mutex);
    auto& columns = sim::detail::list(dialog, controlId).columns;
    if (column < 0) return -1;
    const auto at = std::min(static_cast<std::size_t>(column), columns.size());
    columns.insert(columns.begin() + static_cast<std::ptrdiff_t>(at), {heading != nullptr ? heading : "", format, width});
    return static_cast<int>(at);
}

int listViewInsertItem(Window dialog, int controlId, int row, const char* text) {
    std::lock_guard lock(ui().mutex);
    auto& rows = sim::detail::list(dialog, controlId).rows;
    if (row < 0) return -1;
    const auto at = std::min(static_cast<std::size_t>(row), rows.size());
    rows.insert(rows.begin() + static_cast<std::ptrdiff_t>(at), {text != nullptr ? text : ""});
    return static_cast<int>(at);
}

bool listViewSetItemText(Window dialog, int controlId, int row, int column, const char* text) {
    std::lock_guard lock(ui().mutex);
    auto& rows = sim::detail::list(dialog, controlId).rows;
    if (row < 0 || static_cast<std::size_t>(row) >= rows.size() || column < 0) return false;
    auto& cells = rows[static_cast<std::size_t>(row)];
    if (cells.size() <= static_cast<std::size_t>(column)) cells.resize(static_cast<std::size_t>(column) + 1);
    cells[static_cast<std::size_t>(column)] = text != nullptr ? text : "";
    return true;
}

bool listViewSelectAndFocus(Window dialog, int controlId, int row) {
    std::lock_guard lock(ui().mutex);
    sim::ListViewState& list = sim::detail::list(dialog, controlId);
    if (row < 0 || static_cast<std::size_t>(row) >= list.rows.size()) return false;
    list.selectedRow = row;
    return true;
}

void listViewSetSelectionMark(Window dialog, int controlId, int row) {
    std::lock_guard lock(ui().mutex);
    sim::ListViewState& list = sim::detail::list(dialog, controlId);
    if (row >= -1 && row < static_cast<int>(list.rows.size())) list.selectionMark = row;
}

int listViewSelectionMark(Window dialog, int controlId) {
    std::lock_guard lock(ui().mutex);
    return sim::detail::list(dialog, controlId).selectionMark;
}

bool isButtonChecked(Window dialog, int controlId) {
    std::lock_guard lock(ui().mutex);
    return sim::detail::touch(dialog).checked[controlId];
}

void setButtonChecked(Window dialog, int controlId, bool checked) {
    std::lock_guard lock(ui().mutex);
    sim::detail::touch(dialog).checked[controlId] = checked;
}

void enableDlgItem(Window dialog, int controlId, bool enable) {
    std::lock_guard lock(ui().mutex);
    sim::detail::touch(dialog).enabled[controlId] = enable;
}

void showDlgItem(Window dialog, int controlId, bool show) {
    std::lock_guard lock(ui().mutex);
    sim::detail::touch(dialog).visible[controlId] = show;
}

int getDlgItemText(Window dialog, int controlId, char* buffer, int size) {
    if (buffer == nullptr || size <= 0) return 0;
    std::lock_guard lock(ui().mutex);
    buffer[0] = '\0';
    const sim::detail::ActiveDialog* active = sim::detail::activeDialog(dialog);
    if (active == nullptr) return 0;
    const auto text = active->record.itemTexts.find(controlId);
    if (text == active->record.itemTexts.end()) return 0; // the template's text: none here
    const std::size_t n = std::min(text->second.size(), static_cast<std::size_t>(size - 1));
    std::copy_n(text->second.data(), n, buffer);
    buffer[n] = '\0';
    return static_cast<int>(n);
}

std::intptr_t sendDlgItemMessage(Window dialog, int controlId, std::uint32_t message, std::uintptr_t wParam,
                                 std::intptr_t lParam) {
    std::lock_guard lock(ui().mutex);
    sim::ProgressBarState& bar = sim::detail::touch(dialog).progressBars[controlId];
    const int previous = bar.position;
    switch (message) {
    case kPbmSetRange:
        bar.lower = static_cast<int>(lParam & 0xFFFF);
        bar.upper = static_cast<int>((lParam >> 16) & 0xFFFF);
        return 1;
    case kPbmSetPos:
        bar.position = std::clamp(static_cast<int>(wParam), bar.lower, bar.upper);
        return previous;
    case kPbmDeltaPos:
        bar.position = std::clamp(bar.position + static_cast<int>(wParam), bar.lower, bar.upper);
        return previous;
    case kPbmSetStep: {
        const int old = bar.step;
        bar.step = static_cast<int>(wParam);
        return old;
    }
    case kPbmStepIt:
        ++bar.steps;
        bar.position += bar.step;
        if (bar.position > bar.upper) bar.position = bar.lower + (bar.position - bar.upper);
        return previous;
    case kPbmSetBarColor:
        bar.barColour = static_cast<ColorRef>(lParam);
        return 0;
    case kPbmSetBkColor:
        bar.backgroundColour = static_cast<ColorRef>(lParam);
        return 0;
    default:
        return 0;
    }
}

std::uint32_t programFileName(char* buffer, std::uint32_t size) {
    // Where the simulated command line says the program was installed.
    constexpr char kProgram[] = "C:\\Program Files\\ZelSATA\\ZelSATA.exe";
    if (buffer == nullptr || size == 0) return 0;
    const std::uint32_t length = std::min<std::uint32_t>(sizeof kProgram - 1, size - 1);
    std::copy_n(kProgram, length, buffer);
    buffer[length] = '\0';
    return length;
}

} // namespace zel::platform

namespace zel::sim {

DialogControls dialogControls(platform::Window dialog) {
    std::lock_guard lock(detail::ui().mutex);
    const auto& dialogs = detail::controls().dialogs;
    const auto found = dialogs.find(dialog);
    return found != dialogs.end() ? found->second : DialogControls{};
}

void forgetControls() {
    std::lock_guard lock(detail::ui().mutex);
    detail::ControlsState& s = detail::controls();
    s.dialogs.clear();
    s.script.clear();
    s.delivered.clear();
    s.deferred.clear();
    s.scriptedDialog = 0;
}

void scriptDialogActions(std::vector<UserAction> actions) {
    std::lock_guard lock(detail::ui().mutex);
    detail::controls().script = std::move(actions);
}

} // namespace zel::sim
