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

} // namespace zel::app
