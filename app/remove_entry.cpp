// The removal request: confirm a system disk, run the progress window, tell the outcome.
#include "holders_text.h"
#include "markers.h"
#include "remove_progress_dlg.h"
#include "zelsata_app.h"

#include "res/resource_ids.h"

#include <string>

namespace zel::app {

using namespace zel::platform;

int CZelSATAApp::RemoveEntry(int index, const DeviceIdentity& shown) {
    if (!StillShows(index, shown)) return 0;
    CRemoveProgressDlg progress;
    progress.SetEntryIndex(index);
    if (!ConfirmRemoval(progress)) return 0;
    // The question's own message loop may have run a rebuild.
    if (!StillShows(index, shown)) return 0;
    return RunRemoval(progress);
}

bool CZelSATAApp::StillShows(int index, const DeviceIdentity& shown) const {
    if (shown.shownAt(inventory_, index)) return true;
    ShowMessage(IDS_LIST_CHANGED, kMbIconInformation);
    return false;
}

bool CZelSATAApp::ConfirmRemoval(const CRemoveProgressDlg& progress) const {
    const std::uint8_t entry = progress.EntryIndex();
    if (entry >= kInventorySize || inventory_.entries[entry].systemDisk != 1) return true;
    char question[128] = {};
    LoadUiString(IDS_CONFIRM_SYSTEM_DISK, question, 128);
    // Owned by the open dialog, which stays disabled while the question is up: no second
    // removal can start from it meanwhile.
    return messageBox(ActivePopup(), question, kProgramTitle, kMbOkCancel) == kIdOk;
}

int CZelSATAApp::RunRemoval(CRemoveProgressDlg& progress) {
    activeRemoval_ = &progress;
    const int ended = progress.DoModal(resourceLibrary, ActivePopup());
    activeRemoval_ = nullptr;
    if (closeAfterRemoval_) {
        // Asked to close meanwhile: close now, with no box left waiting for an answer.
        closeAfterRemoval_ = false;
        postMessage(mainWindow(), kWmClose, 0, 0);
        return ended == kIdOk ? 1 : 0;
    }
    if (ended == kIdOk) {
        ShowMessage(IDS_REMOVE_SUCCEEDED, kMbIconInformation);
        return 1;
    }
    const std::string message =
        RemovalFailureText(progress.Failure(), [this](std::uint32_t id) { return UiText(id); });
    messageBox(ActivePopup(), message.c_str(), kProgramTitle, kMbIconHand);
    return 0;
}

} // namespace zel::app

namespace zel::app {

bool CZelSATAApp::WaitForRemoval(std::uint32_t milliseconds) {
    if (activeRemoval_ == nullptr) return true;
    const auto outcomeKnown = [](void* progress) {
        return static_cast<CRemoveProgressDlg*>(progress)->Result().load() != kRemovalRunning;
    };
    return pumpMessagesUntil(outcomeKnown, activeRemoval_, milliseconds);
}

} // namespace zel::app

namespace zel::app {

bool CZelSATAApp::TakeRemovalMarker() {
    const auto taken = [](void* self) {
        MutexHandle& marker = static_cast<CZelSATAApp*>(self)->removeMarker;
        if (marker) return true; // taken at an earlier look
        bool heldElsewhere = false;
        marker = AcquireMarker(kRemoveMarker, &heldElsewhere);
        return !heldElsewhere;
    };
    if (taken(this) || pumpMessagesUntil(taken, this, kOtherRemovalWaitMilliseconds)) return true;
    ShowMessage(IDS_REMOVAL_BUSY, kMbIconInformation);
    return false;
}

} // namespace zel::app
