// The removal progress window's message handlers.
#include "remove_progress_dlg.h"

#include "help.h"
#include "removal_worker.h"
#include "zelsata_app.h"

#include "res/resource_ids.h"

#include <zel/platform/system.h>

namespace zel::app {

using namespace zel::platform;

namespace {

constexpr ColorRef kFaceColour = rgb(254, 250, 163);
constexpr ColorRef kTextColour = rgb(0, 128, 255);
constexpr int kCornerSize = 20;
// Gives the worker a head start before the first poll is even scheduled.
constexpr std::uint32_t kWorkerHeadStartMilliseconds = 10;

} // namespace

int CRemoveProgressDlg::DoModal(const Library& resourceModule, Window owner) {
    return runModalDialog(*this, resourceModule, IDD_REMOVE_PROGRESS, owner);
}

bool CRemoveProgressDlg::onMessage(Window window, std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam,
                                   std::intptr_t& answer) {
    switch (message) {
    case kWmInitDialog:
        answer = OnInitDialog(window) ? 1 : 0;
        return true;
    case kWmTimer:
        return OnTimer(window, wParam);
    case kWmCtlColorDlg:
    case kWmCtlColorStatic:
        return OnCtlColor(message, wParam, static_cast<Window>(lParam), answer);
    case kWmDestroy:
        OnDestroy();
        return false;
    default:
        return false;
    }
}

bool CRemoveProgressDlg::preTranslate(std::uint32_t message, std::uintptr_t virtualKey) {
    if (OpenHelpOnF1(message, virtualKey)) return true;
    // Neither Enter, nor Escape, nor Alt+F4 may end the removal's window.
    if (message != kWmKeyDown && message != kWmSysKeyDown) return false;
    return virtualKey == kVkReturn || virtualKey == kVkEscape || virtualKey == kVkF4;
}

bool CRemoveProgressDlg::OnInitDialog(Window window) {
    shapeRoundedWindow(window, kCornerSize, kCornerSize);
    brush = SolidBrush::create(kFaceColour);
    char text[256] = {};
    if (const CZelSATAApp* app = currentApp()) app->LoadUiString(IDS_REMOVING, text, 255);
    setDlgItemText(window, IDC_PROGRESS_TEXT, text);
    setTimer(window, IDT_START_WORKER, kStartWorkerMilliseconds);
    return true; // the system sets the focus
}

bool CRemoveProgressDlg::OnTimer(Window window, std::uintptr_t id) {
    switch (id) {
    case IDT_START_WORKER:
        killTimer(window, IDT_START_WORKER);
        worker = WorkerThread::start(RemovalWorker, this);
        // Without a worker no result would ever come: count it as a failed removal.
        if (!worker) result.store(kRemovalFailed);
        sleepMilliseconds(kWorkerHeadStartMilliseconds);
        setTimer(window, IDT_POLL_WORKER, kPollWorkerMilliseconds);
        return false;
    case IDT_POLL_WORKER:
        switch (result.load()) {
        case kRemovalDone:
            killTimer(window, IDT_POLL_WORKER);
            setTimer(window, IDT_FINISH, kFinishMilliseconds);
            return false;
        case kRemovalFailed:
            killTimer(window, IDT_POLL_WORKER);
            endDialog(window, kIdCancel);
            return true;
        default:
            return false; // still running: the next tick polls again
        }
    case IDT_FINISH:
        killTimer(window, IDT_FINISH);
        endDialog(window, kIdOk);
        return true;
    default:
        return false;
    }
}

bool CRemoveProgressDlg::OnCtlColor(std::uint32_t message, std::uintptr_t deviceContext, Window control,
                                    std::intptr_t& brushResult) const {
    if (message == kWmCtlColorDlg) {
        if (!brush) return false;
        brushResult = brush.asResult();
        return true;
    }
    if (controlId(control) != IDC_PROGRESS_TEXT) return false; // other statics: the default colours
    brushResult = transparentControlText(deviceContext, kTextColour);
    return true;
}

void CRemoveProgressDlg::OnDestroy() {
    // The worker holds a pointer to this window: it must have ended before the window
    // goes. It writes its result last, and the window only closes on that result, so
    // this wait is short.
    worker.join();
    brush.reset();
}

} // namespace zel::app
