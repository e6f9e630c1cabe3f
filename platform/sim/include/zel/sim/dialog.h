#pragma once
// The simulated modal dialogs, drawing calls and worker threads: what tests script and
// inspect. A dialog runs on the virtual clock: when its queue is empty the clock jumps
// to the next due timer, after every worker thread has finished (a worker takes no
// virtual time), so a dialog that waits for its worker runs in microseconds.

#include <zel/platform/dialog.h>
#include <zel/platform/dialog_geometry.h>
#include <zel/platform/paint.h>
#include <zel/sim/machine.h> // ZELSIM_API

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

namespace zel::sim {

// One modal run of a dialog, from its opening to its end.
struct DialogRun {
    std::uint32_t templateId = 0;
    platform::Window window = 0;
    platform::Window owner = 0;
    bool ownerDisabled = false; // the owner was enabled before and disabled during the run
    int endCode = 0;
    std::uint64_t openedAt = 0; // virtual clock
    std::uint64_t endedAt = 0;
    std::vector<std::pair<std::uint64_t, std::uintptr_t>> timerTicks;    // (clock, timer id) dispatched
    std::vector<std::pair<std::uint32_t, std::uintptr_t>> swallowedKeys; // (message, key)
    std::map<int, std::string> itemTexts;                                // control id -> last text set
    std::optional<std::pair<int, int>> roundedCorners;                   // shapeRoundedWindow's corners
    // Its first painting: the colour of the brush its face got, and the controls whose
    // text went transparent, with the text colour.
    std::optional<platform::ColorRef> faceColour;
    std::map<int, platform::ColorRef> transparentText;
    std::map<int, platform::ColorRef> textColours; // coloured text on the default background
    // The icon its WM_PAINT drew: (icon id, x, y) in client pixels.
    std::optional<std::tuple<std::uint32_t, int, int>> paintedIcon;
    // The client rectangle it was resized to, if any.
    std::optional<platform::Rect> resizedClient;
};

// Runs that have ended since the last forgetDialogs(), in order.
ZELSIM_API std::vector<DialogRun> dialogRuns();
// Forgets the runs and any keys scripted but not yet pressed.
ZELSIM_API void forgetDialogs();
// A key pressed while the next dialog runs, right after it opens: WM_KEYDOWN, or
// WM_SYSKEYDOWN with Alt held. Unless the dialog swallows it, Enter chooses OK, Escape
// Cancel, and Alt+F4 closes the dialog (Cancel).
ZELSIM_API void pressKey(int virtualKey, bool alt = false);

// The system font's height that dialogs are laid out with (16 unless set), and the
// client rectangle every simulated dialog opens with.
ZELSIM_API void setDialogBaseUnitY(int pixels);
inline constexpr platform::Rect kDialogClient{0, 0, 380, 260};

// Solid brushes not yet deleted.
ZELSIM_API std::int64_t liveBrushes();

// Worker threads started and not yet finished, and thread handles not yet closed.
ZELSIM_API int runningThreads();
ZELSIM_API std::int64_t openThreadHandles();

} // namespace zel::sim
