// ZelUninst.exe: run by an uninstaller with a one-character selector at the end of its
// command line. No window, no message loop; the exit code is always 0.
#include "uninstall_helper.h"

#include <zel/platform/ui.h>

int main() {
    zel::uninst::RunUninstallHelper(zel::platform::commandLine());
    return 0;
}
