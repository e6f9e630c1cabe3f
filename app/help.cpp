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

bool OpenHelpOnF1(std::uint32_t message, std::uintptr_t virtualKey) {
    if (message != platform::kWmKeyDown && message != platform::kWmSysKeyDown) return false;
    if (virtualKey != static_cast<std::uintptr_t>(platform::kVkF1)) return false;
    OpenHelpPage();
    return true;
}

} // namespace zel::app
