#include "main_frame.h"

namespace zel::tray {

bool CMainFrame::Create(const char* title) {
    frame_ = platform::FrameWindow::create(*this, title);
    return static_cast<bool>(frame_);
}

bool CMainFrame::onMessage(platform::Window, std::uint32_t message, std::uintptr_t, std::intptr_t,
                           std::intptr_t& result) {
    switch (message) {
    case platform::kWmCreate:
        result = 0;
        return true;
    default:
        return false; // WM_CLOSE destroys the frame, whose destruction ends the loop
    }
}

} // namespace zel::tray
