#pragma once
// The simulated dialogs' state, shared by the dialog and drawing backends and guarded by
// the ui's mutex: the runs in progress (innermost last), those that ended, the scripted
// keys and the live brushes.

#include "ui_state.h"

#include <zel/sim/dialog.h>

#include <deque>
#include <map>
#include <utility>
#include <vector>

namespace zel::sim::detail {

struct ActiveDialog {
    bool ended = false;
    int code = -1;
    DialogRun record;
};

struct DialogState {
    std::vector<ActiveDialog*> active;
    std::vector<DialogRun> runs;
    std::deque<std::pair<int, bool>> keys; // (virtual key, alt)
    std::map<std::uintptr_t, platform::ColorRef> brushes;
    std::uintptr_t nextBrush = 0x1B000010;
    int baseUnitY = 16;
};

DialogState& dialogs();
ActiveDialog* activeDialog(Window dialog);

// Dialog controls are not windows of their own here; a control is named by this base
// plus its identifier where a message passes one (WM_CTLCOLORSTATIC).
inline constexpr Window kControlBase = 0x7F000000;
// The hollow stock brush (NULL_BRUSH) as a message result.
inline constexpr std::intptr_t kHollowBrush = 0x1B00000C;

} // namespace zel::sim::detail
