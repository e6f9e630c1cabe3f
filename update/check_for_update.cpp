// The update check: the download dialog fetches and stores the published version, which
// is then compared with the program's own.
#include "check_for_update.h"

#include "download_dlg.h"
#include "own_version.h"
#include "settings.h"
#include "version_file.h"
#include "zelsata_app.h"

#include "res/resource_ids.h"

#include <zel/platform/ui.h>

namespace zel::update {

void OpenWithShell(const char* text) { platform::shellExecute("open", text); }

} // namespace zel::update

namespace zel::app {

using namespace zel::platform;

void CZelSATAApp::CheckForUpdate(Window owner) {
    if (checking_) return;
    checking_ = true;
    struct Done {
        bool& flag;
        ~Done() { flag = false; }
    } done{checking_};
    update::CDownLoadDlg download;
    if (download.DoModal(resourceLibrary, owner != 0 ? owner : mainWindow()) != kIdOk) return; // the dialog has said why

    char published[16] = {};
    ReadSetting(kHkeyLocalMachine, kSettingsKey, kVersion, published, sizeof published);
    char own[256] = {};
    if (!update::ReadOwnVersionText("FileVersion", own, sizeof own)) return;
    if (!update::IsDifferentVersion(published, own)) {
        ShowMessage(IDS_NO_NEW_VERSION, kMbIconHand);
        return;
    }
    const std::string question = UiText(IDS_ASK_OPEN_HOME_PAGE);
    if (messageBox(0, question.c_str(), "ZelSATA DownLoad", kMbYesNo) != kIdYes) return;
    char home[128] = {};
    ReadSetting(kHkeyLocalMachine, kSettingsKey, kHome, home, sizeof home - 1);
    // Only a web address goes to the shell: whatever else the store holds could name a
    // program to start.
    if (!update::IsWebAddress(home)) return;
    update::OpenWithShell(home);
}

} // namespace zel::app
