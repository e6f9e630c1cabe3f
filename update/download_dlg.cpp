// The download dialog's message handlers.
#include "download_dlg.h"

#include "download_worker.h"
#include "help.h"
#include "update_server.h"
#include "zelsata_app.h"

#include "res/resource_ids.h"

#include <zel/platform/controls.h>
#include <zel/platform/paint.h>
#include <zel/platform/system.h>

#include <string>

namespace zel::update {

using namespace zel::platform;

namespace {

constexpr ColorRef kBarColour = rgb(0, 255, 0);
constexpr ColorRef kBarBackground = rgb(255, 255, 255);
// Gives the worker a head start before the first poll is even scheduled.
constexpr std::uint32_t kWorkerHeadStartMilliseconds = 10;

std::intptr_t bar(Window window, std::uint32_t message, std::uintptr_t wParam = 0, std::intptr_t lParam = 0) {
    return sendDlgItemMessage(window, IDC_DOWNLOAD_PROGRESS, message, wParam, lParam);
}

// The library beside the program, loaded by its full path: the current directory, where
// downloads land, never supplies code.
std::unique_ptr<DownloadSession> bindLibrary() {
    auto session = std::make_unique<DownloadSession>();
    char directory[1024] = {};
    if (programDirectory(directory, sizeof directory) == 0) return nullptr;
    session->library = Library::load((std::string(directory) + kDownLoadLibrary).c_str());
    if (!session->library) return nullptr;
    session->initialization =
        reinterpret_cast<DownLoadInitializationFn>(session->library.symbol("Initialization"));
    session->getDownLoadFile = reinterpret_cast<GetDownLoadFileFn>(session->library.symbol("GetDownLoadFile"));
    session->lastError =
        reinterpret_cast<GetDownLoadFileLastErrorFn>(session->library.symbol("GetDownLoadFileLastError"));
    if (session->initialization == nullptr || session->getDownLoadFile == nullptr) return nullptr;
    return session;
}

void tell(std::uint32_t id) {
    if (const app::CZelSATAApp* app = app::currentApp()) app->ShowMessage(id, kMbIconHand);
}

} // namespace

CDownLoadDlg::~CDownLoadDlg() = default;

int CDownLoadDlg::DoModal(const Library& resourceModule, Window owner) {
    return runModalDialog(*this, resourceModule, IDD_DOWNLOAD, owner);
}

bool CDownLoadDlg::onMessage(Window window, std::uint32_t message, std::uintptr_t wParam, std::intptr_t,
                             std::intptr_t& answer) {
    switch (message) {
    case kWmInitDialog:
        answer = OnInitDialog(window) ? 1 : 0;
        return true;
    case kWmTimer:
        OnTimer(window, wParam);
        return true;
    case kWmDestroy:
        OnDestroy();
        return false;
    case kWmHelp:
        app::OpenHelpOnRequest();
        answer = 1;
        return true;
    default:
        return false; // painting, Enter and Escape: the dialog's own handling
    }
}

bool CDownLoadDlg::preTranslate(std::uint32_t message, std::uintptr_t virtualKey) {
    return app::OpenHelpOnF1(message, virtualKey);
}

void CDownLoadDlg::SetUpBar(Window window) {
    stepCount = kDownloadStepCount;
    const int upper = stepCount * 100;
    bar(window, kPbmSetRange, 0, static_cast<std::intptr_t>(upper) << 16);
    bar(window, kPbmSetStep, 1);
    bar(window, kPbmDeltaPos, 0);
}

bool CDownLoadDlg::OnInitDialog(Window window) {
    bar(window, kPbmSetBarColor, 0, static_cast<std::intptr_t>(kBarColour));
    bar(window, kPbmSetBkColor, 0, static_cast<std::intptr_t>(kBarBackground));

    app::CZelSATAApp* app = app::currentApp();
    // A fetch left running by an earlier dialog that was closed early: follow it instead
    // of starting a second one over the same blocks and file.
    if (app != nullptr) {
        if (std::unique_ptr<DownloadSession> earlier = app->TakeUnfinishedDownload(); earlier && earlier->running()) {
            session_ = std::move(earlier);
            SetUpBar(window);
            setTimer(window, IDT_POLL_DOWNLOAD, kPollDownloadMilliseconds);
            return true;
        } // one that has ended is let go here: joined, its library unloaded
    }

    session_ = bindLibrary();
    if (!session_) {
        tell(IDS_LIBRARY_UNUSABLE);
        endDialog(window, kIdCancel);
        return true;
    }
    session_->initialization();
    FillUpdateBlocks(app != nullptr ? app->mainWindow() : 0, app != nullptr ? app->DownloadMessage() : 0);
    SetUpBar(window);
    setTimer(window, IDT_START_DOWNLOAD, kStartDownloadMilliseconds);
    return true; // the system sets the focus
}

void CDownLoadDlg::OnTimer(Window window, std::uintptr_t id) {
    if (id == IDT_START_DOWNLOAD) {
        killTimer(window, IDT_START_DOWNLOAD);
        session_->worker = WorkerThread::start(DownLoadWorker, session_.get());
        sleepMilliseconds(kWorkerHeadStartMilliseconds);
        setTimer(window, IDT_POLL_DOWNLOAD, kPollDownloadMilliseconds);
        return;
    }
    if (id != IDT_POLL_DOWNLOAD) return;
    killTimer(window, IDT_POLL_DOWNLOAD);
    std::uint32_t code = 0;
    // No thread could be made: no file will come, as when the fetch fails.
    if (!session_->worker.exitCode(code)) code = kDownloadFetchFailed;
    if (code == kStillActive) {
        bar(window, kPbmStepIt);
        setTimer(window, IDT_POLL_DOWNLOAD, kPollDownloadMilliseconds);
        return;
    }
    OnWorkerEnded(window, code);
}

void CDownLoadDlg::OnWorkerEnded(Window window, std::uint32_t code) {
    switch (code) {
    case kDownloadDone:
        bar(window, kPbmSetPos, static_cast<std::uintptr_t>(stepCount) * 100);
        sleepMilliseconds(kShowFullBarMilliseconds);
        endDialog(window, kIdOk);
        return;
    case kDownloadFileUnusable:
        tell(IDS_NO_NEW_VERSION);
        break;
    default: // the fetch failed, whatever the library says of it
        if (session_->lastError != nullptr) session_->lastError();
        tell(IDS_DOWNLOAD_FAILED);
        break;
    }
    endDialog(window, kIdCancel);
}

void CDownLoadDlg::OnDestroy() {
    if (!session_) return;
    // Closed while the worker still runs: the session goes on without the dialog.
    if (session_->running()) {
        if (app::CZelSATAApp* app = app::currentApp()) {
            app->KeepUnfinishedDownload(std::move(session_));
            return;
        }
    }
    session_.reset(); // joins a worker that has ended and unloads the library
}

} // namespace zel::update
