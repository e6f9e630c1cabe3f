#pragma once
// The program's main window: never shown; it exists to receive the tray icon's
// callbacks, the menus' commands, device-change broadcasts and the program's
// registered messages.

#include <zel/platform/ui.h>

namespace zel::tray {

class CMainFrame final : public platform::WindowHandler {
public:
    // Creates the hidden frame window; false when the system refuses.
    bool Create(const char* title);
    platform::Window window() const { return frame_.id(); }

    bool onMessage(platform::Window window, std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam,
                   std::intptr_t& result) override;

private:
    platform::FrameWindow frame_;
};

} // namespace zel::tray
