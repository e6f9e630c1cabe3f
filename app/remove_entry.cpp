// The removal request: confirm a system disk, run the progress window, tell the outcome.
#include "remove_progress_dlg.h"
#include "zelsata_app.h"

#include "res/resource_ids.h"

namespace zel::app {

using namespace zel::platform;

int CZelSATAApp::RemoveEntry(int index) {
    CRemoveProgressDlg progress;
    progress.SetEntryIndex(index);
    if (!ConfirmRemoval(progress)) return 0;
    return RunRemoval(progress);
}

bool CZelSATAApp::ConfirmRemoval(const CRemoveProgressDlg& progress) const {
    const std::uint8_t entry = progress.EntryIndex();
    if (entry >= kInventorySize || inventory_.entries[entry].systemDisk != 1) return true;
    char question[128] = {};
    LoadUiString(IDS_CONFIRM_SYSTEM_DISK, question, 128);
    return messageBox(0, question, kProgramTitle, kMbOkCancel) == kIdOk;
}

int CZelSATAApp::RunRemoval(CRemoveProgressDlg& progress) {
    if (progress.DoModal(resourceLibrary, ActivePopup()) == kIdOk) {
        ShowMessage(IDS_REMOVE_SUCCEEDED, kMbIconInformation);
        return 1;
    }
    ShowMessage(IDS_REMOVE_FAILED, kMbIconHand);
    return 0;
}

} // namespace zel::app
