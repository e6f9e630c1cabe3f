#pragma once
// The simulated dialog controls: what list views, check boxes and enabled states hold in
// each dialog, and a user who acts on the next dialog while it runs.

#include <zel/platform/controls.h>
#include <zel/platform/paint.h>
#include <zel/sim/machine.h> // ZELSIM_API

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace zel::sim {

struct ListColumn {
    std::string heading;
    int format = 0;
    int width = 0;
};

struct ListViewState {
    std::vector<ListColumn> columns;
    std::vector<std::vector<std::string>> rows; // cells by column; missing cells are empty
    std::uint32_t extendedStyle = 0;
    int selectedRow = -1; // selected and focused
    int selectionMark = -1;
};

// A progress bar as its messages left it. The position wraps to the lower bound when a
// step passes the upper one, as the control does.
struct ProgressBarState {
    int lower = 0;
    int upper = 100;
    int step = 10;
    int position = 0;
    int steps = 0; // PBM_STEPIT messages received
    std::optional<platform::ColorRef> barColour;
    std::optional<platform::ColorRef> backgroundColour;
};

struct DialogControls {
    std::map<int, ProgressBarState> progressBars;
    std::map<int, bool> visible; // controls never shown or hidden are absent (shown)
    std::map<int, ListViewState> lists;
    std::map<int, bool> checked;
    std::map<int, bool> enabled; // controls never disabled or enabled are absent (enabled)

    bool isVisible(int id) const {
        const auto found = visible.find(id);
        return found == visible.end() || found->second;
    }
    bool isEnabled(int id) const {
        const auto found = enabled.find(id);
        return found == enabled.end() || found->second;
    }
    const ListViewState& list(int id) const {
        static const ListViewState none;
        const auto found = lists.find(id);
        return found != lists.end() ? found->second : none;
    }
};

// The controls of a dialog as they are now (or were when it ended), until forgetControls.
ZELSIM_API DialogControls dialogControls(platform::Window dialog);
// Forgets every dialog's controls and any script not yet delivered.
ZELSIM_API void forgetControls();

// One thing the user does while a dialog runs.
struct UserAction {
    enum class Kind { clickButton, clickCheckBox, clickListRow, message, call };
    Kind kind = Kind::call;
    int control = 0;
    int row = -1;
    std::uint32_t message = 0;
    std::uintptr_t wParam = 0;
    std::intptr_t lParam = 0;
    std::function<void(platform::Window dialog)> function;

    // A click on an enabled button: WM_COMMAND with BN_CLICKED. A disabled one ignores it.
    static UserAction clickButton(int id) { return {Kind::clickButton, id, -1, 0, 0, 0, {}}; }
    // A click on an enabled automatic check box: the tick changes, then BN_CLICKED.
    static UserAction clickCheckBox(int id) { return {Kind::clickCheckBox, id, -1, 0, 0, 0, {}}; }
    // Selecting a row of a list view with the mouse: it becomes the selection mark.
    static UserAction clickListRow(int id, int row) { return {Kind::clickListRow, id, row, 0, 0, 0, {}}; }
    // A message sent to the dialog.
    static UserAction send(std::uint32_t message, std::uintptr_t wParam = 0, std::intptr_t lParam = 0) {
        return {Kind::message, 0, -1, message, wParam, lParam, {}};
    }
    // Anything else at this point of the run (changing the machine, looking at controls).
    static UserAction call(std::function<void(platform::Window)> function) {
        return {Kind::call, 0, -1, 0, 0, 0, std::move(function)};
    }
};

// Actions for the next dialog that touches one of its controls (usually while it
// initialises): queued behind its initialisation and carried out in order, each as one
// message of its run. Ending the dialog leaves the rest undone.
ZELSIM_API void scriptDialogActions(std::vector<UserAction> actions);

} // namespace zel::sim
