#include "uninstall_helper.h"

#include <zel/platform/ui.h>

#include <cstdint>

namespace zel::uninst {

using namespace zel::platform;

namespace {

struct Target {
    const char* windowTitle;
    const char* messageName;
    bool frameOnly; // only the program's own main window, by its class as well as its title
};

constexpr Target kSiblingIcon{"TaskIcon", "ZELSHIELD", false};
constexpr Target kSiblingProgram{"ZELSHIELD", "ZELTASKTARY", false};
// Its message boxes, and an Explorer window showing its folder, carry the same title.
constexpr Target kMainProgram{"ZELSATA", "ZELSATA", true};

// Posts the target's message to its window, if it runs. The message is registered only
// once a window is found.
void close(const Target& target) {
    const Window window = target.frameOnly ? findFrameWindow(target.windowTitle) : findWindow(target.windowTitle);
    if (window == 0) return;
    const std::uint32_t message = registerWindowMessage(target.messageName);
    postMessage(window, message, 0, 0);
}

} // namespace

void RunUninstallHelper(std::string_view commandLine) {
    const char selector = commandLine.empty() ? '\0' : commandLine.back();
    if (selector == '0') {
        close(kSiblingIcon);
        close(kSiblingProgram);
    } else if (selector == '1') {
        close(kMainProgram);
    } else {
        messageBox(0, kSelectorMessage, kProgramTitle, kMbIconHand | kMbOk);
        close(kSiblingIcon);
        close(kSiblingProgram);
        close(kMainProgram);
    }
}

} // namespace zel::uninst
