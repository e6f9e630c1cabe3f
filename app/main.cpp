// ZelSATA.exe: the notification-area program.
#include "zelsata_app.h"

namespace {
zel::app::CZelSATAApp theApp; // the program's one application object, zero before start-up
}

int main() {
    int code = 0;
    if (theApp.InitInstance()) code = theApp.Run();
    const int exitCode = theApp.ExitInstance();
    return code != 0 ? code : exitCode;
}
