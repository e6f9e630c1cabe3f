// Dialog sizes in the simulated ui: every dialog opens with the same client rectangle,
// and dialog units follow a system font 8 pixels wide and `baseUnitY` high.
#include "dialog_state.h"

#include <zel/platform/dialog_geometry.h>

namespace zel::platform {

using sim::detail::dialogs;
using sim::detail::ui;

int dialogBaseUnitY() {
    std::lock_guard lock(ui().mutex);
    return dialogs().baseUnitY;
}

Rect clientRect(Window window) {
    std::lock_guard lock(ui().mutex);
    const sim::detail::ActiveDialog* dialog = sim::detail::activeDialog(window);
    if (dialog == nullptr) return {};
    return dialog->record.resizedClient.value_or(sim::kDialogClient);
}

bool mapDialogRect(Window dialog, Rect& rect) {
    std::lock_guard lock(ui().mutex);
    if (sim::detail::activeDialog(dialog) == nullptr) return false;
    constexpr int kBaseUnitX = 8;
    const int baseUnitY = dialogs().baseUnitY;
    rect = {rect.left * kBaseUnitX / 4, rect.top * baseUnitY / 8, rect.right * kBaseUnitX / 4,
            rect.bottom * baseUnitY / 8};
    return true;
}

bool resizeForClient(Window window, Rect client, std::uint32_t) {
    std::lock_guard lock(ui().mutex);
    sim::detail::ActiveDialog* dialog = sim::detail::activeDialog(window);
    if (dialog == nullptr) return false;
    dialog->record.resizedClient = client;
    return true;
}

} // namespace zel::platform

namespace zel::sim {

void setDialogBaseUnitY(int pixels) {
    std::lock_guard lock(detail::ui().mutex);
    detail::dialogs().baseUnitY = pixels;
}

} // namespace zel::sim
