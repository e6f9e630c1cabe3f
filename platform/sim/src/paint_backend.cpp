// The simulated drawing calls: brushes are counted with their colours, and what a
// dialog's drawing asked for is recorded in its run.
#include "dialog_state.h"

#include <zel/platform/paint.h>

namespace zel::platform {

using sim::detail::dialogs;
using sim::detail::ui;

namespace {

// Notes a control's text colour in the innermost dialog's run and answers with the
// hollow brush. The simulated dialogs paint a control with its own name as the device
// context.
std::intptr_t recordTextColour(std::map<int, ColorRef> sim::DialogRun::*colours, std::uintptr_t deviceContext,
                               ColorRef textColour) {
    std::lock_guard lock(ui().mutex);
    auto& active = dialogs().active;
    if (!active.empty() && deviceContext > sim::detail::kControlBase)
        (active.back()->record.*colours)[static_cast<int>(deviceContext - sim::detail::kControlBase)] = textColour;
    return sim::detail::kHollowBrush;
}

} // namespace

SolidBrush SolidBrush::create(ColorRef colour) {
    std::lock_guard lock(ui().mutex);
    sim::detail::DialogState& d = dialogs();
    const std::uintptr_t handle = d.nextBrush;
    d.nextBrush += 4;
    d.brushes[handle] = colour;
    return SolidBrush(reinterpret_cast<void*>(handle));
}


void SolidBrush::reset() {
    if (handle_ == nullptr) return;
    std::lock_guard lock(ui().mutex);
    dialogs().brushes.erase(reinterpret_cast<std::uintptr_t>(handle_));
    handle_ = nullptr;
}

bool shapeRoundedWindow(Window window, int cornerWidth, int cornerHeight) {
    std::lock_guard lock(ui().mutex);
    if (sim::detail::find(ui(), window) == nullptr) return false;
    if (sim::detail::ActiveDialog* dialog = sim::detail::activeDialog(window))
        dialog->record.roundedCorners = std::pair{cornerWidth, cornerHeight};
    return true;
}

std::intptr_t transparentControlText(std::uintptr_t deviceContext, ColorRef textColour) {
    return recordTextColour(&sim::DialogRun::transparentText, deviceContext, textColour);
}

std::intptr_t colouredControlText(std::uintptr_t deviceContext, ColorRef textColour) {
    return recordTextColour(&sim::DialogRun::textColours, deviceContext, textColour);
}

bool paintIcon(Window window, const Library& module, std::uint32_t iconId, int x, int y) {
    std::lock_guard lock(ui().mutex);
    sim::detail::ActiveDialog* dialog = sim::detail::activeDialog(window);
    if (dialog == nullptr || !module) return false;
    dialog->record.paintedIcon = std::tuple{iconId, x, y};
    return true;
}

} // namespace zel::platform

namespace zel::sim {

std::int64_t liveBrushes() {
    std::lock_guard lock(detail::ui().mutex);
    return static_cast<std::int64_t>(detail::dialogs().brushes.size());
}

} // namespace zel::sim
