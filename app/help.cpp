#include "help.h"

#include "zelsata_app.h"

#include <zel/platform/controls.h>
#include <zel/platform/ui.h>

#include <string>

namespace zel::app {

void OpenHelpPage() {
    char program[260] = {};
    platform::programFileName(program, sizeof program);
    // Drive and directory of the executable, wherever the current directory is.
    std::string page(program);
    const auto end = page.find_last_of("\\/:");
    page.erase(end == std::string::npos ? 0 : end + 1);
    page += "index.html";
    if (platform::shellExecute("open", page.c_str()) <= 32)
        platform::messageBox(0, "index.html FALSE", kProgramTitle, platform::kMbOk);
}

namespace {
// Set while the help request that the system makes of an F1 press the key filter already
// answered is still to come.
bool g_pressAnswered = false;
} // namespace

bool OpenHelpOnF1(std::uint32_t message, std::uintptr_t virtualKey) {
    if (message != platform::kWmKeyDown && message != platform::kWmSysKeyDown) return false;
    if (virtualKey != static_cast<std::uintptr_t>(platform::kVkF1)) {
        // Posted messages come before the next key: a request still awaited by now went
        // to a window that is gone, and the next request is a new one.
        g_pressAnswered = false;
        return false;
    }
    // The system posted its help request for this press when the key was taken from the
    // queue: set first, for a message box below may already dispatch it.
    g_pressAnswered = message == platform::kWmKeyDown;
    OpenHelpPage();
    return true;
}

void OpenHelpOnRequest() {
    if (g_pressAnswered) {
        g_pressAnswered = false;
        return;
    }
    OpenHelpPage();
}

} // namespace zel::app
