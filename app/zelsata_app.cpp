// Start-up, exit and the shared services of the application object.
#include "zelsata_app.h"

#include "builtin_texts.h"
#include "download_session.h"
#include "main_frame.h"
#include "markers.h"

#include <cstring>
#include <string>

namespace zel::app {

using namespace zel::platform;

namespace {

CZelSATAApp* g_currentApp = nullptr;

// The program's own directory, where every library of the program lies.
std::string programDir() {
    char buffer[1024];
    return programDirectory(buffer, sizeof buffer) != 0 ? std::string(buffer) : std::string();
}

} // namespace

CZelSATAApp* currentApp() { return g_currentApp; }

CZelSATAApp::CZelSATAApp() { g_currentApp = this; }

CZelSATAApp::~CZelSATAApp() {
    if (g_currentApp == this) g_currentApp = nullptr;
}

void CZelSATAApp::KeepUnfinishedDownload(std::unique_ptr<update::DownloadSession> session) {
    unfinishedDownload_ = std::move(session);
}

std::unique_ptr<update::DownloadSession> CZelSATAApp::TakeUnfinishedDownload() {
    return std::move(unfinishedDownload_);
}

std::uint32_t CZelSATAApp::DownloadMessage() const { return mainFrame_ ? mainFrame_->downloadMessage() : 0; }

Window CZelSATAApp::mainWindow() const { return mainFrame_ ? mainFrame_->window() : 0; }

Window CZelSATAApp::ActivePopup() const {
    // Owned by the hidden main window instead, a box or progress window would re-enable it
    // under an open dialog and activate it on closing: the dialog would then stop hearing
    // of inventory changes, and stay clickable during a removal.
    const Window popup = getLastActivePopup(mainWindow());
    return popup != 0 ? popup : mainWindow();
}

bool CZelSATAApp::InitInstance() {
    // 1. The language of the two built-in messages.
    const bool japanese = isJapaneseLocale(getUserDefaultLcid());
    char alreadyRunning[255] = {};
    char missingLibrary[255] = {};
    std::strncpy(alreadyRunning, builtinTexts(japanese).alreadyRunning, sizeof alreadyRunning - 1);
    std::strncpy(missingLibrary, builtinTexts(japanese).missingLibrary, sizeof missingLibrary - 1);

    // 2. One copy per log-on session (per machine on Windows XP).
    instanceMarker = AcquireMarker(kInstanceMarker);
    if (!instanceMarker) {
        messageBox(0, alreadyRunning, kProgramTitle, kMbIconHand);
        return false;
    }

    // 3, 4. The user interface's language, which every later lookup uses.
    if (!loadResourceLibrary(japanese)) {
        messageBox(0, missingLibrary, kProgramTitle, kMbIconHand);
        return false;
    }
    setResourceModule(resourceLibrary);

    // 5-8. The hidden main window, found by its title.
    mainFrame_ = std::make_unique<tray::CMainFrame>();
    if (!mainFrame_->Create(kProgramTitle)) {
        mainFrame_.reset();
        return false;
    }
    showWindow(mainWindow(), kSwHide);
    setWindowText(mainWindow(), kProgramTitle);

    // 9-11.
    initCommonControls();
    RebuildInventory();
    SetBusy(0);
    return true;
}

int CZelSATAApp::Run() { return runMessageLoop(); }

int CZelSATAApp::ExitInstance() {
    // A fetch still under way gets a few seconds; one that does not end by then is left
    // running, with its session, until the process ends.
    if (unfinishedDownload_ && !unfinishedDownload_->worker.waitFor(update::kExitWaitForFetch))
        update::LeaveToProcessEnd(std::move(unfinishedDownload_));
    unfinishedDownload_.reset();
    ReleaseMarker(instanceMarker);
    mainFrame_.reset();
    resourceLibrary.reset();
    return 0;
}

bool CZelSATAApp::loadResourceLibrary(bool japanese) {
    const std::string directory = programDir();
    if (japanese) resourceLibrary = Library::load((directory + kJapaneseResourceLibrary).c_str());
    if (!resourceLibrary) resourceLibrary = Library::load((directory + kEnglishResourceLibrary).c_str());
    return static_cast<bool>(resourceLibrary);
}

int CZelSATAApp::LoadUiString(std::uint32_t id, char* buffer, int size) const {
    // The size is an 8-bit quantity; a size of 0 would make the system hand back a
    // pointer in the buffer instead of text, so nothing is loaded then.
    const int length = size & 0xFF;
    if (buffer == nullptr || length == 0) return 0;
    return loadString(resourceLibrary, id, buffer, length);
}

std::string CZelSATAApp::UiText(std::uint32_t id) const {
    char text[256] = {};
    LoadUiString(id, text, 255);
    return text;
}

int CZelSATAApp::ShowMessage(std::uint32_t id, std::uint32_t style) const {
    char text[256] = {};
    LoadUiString(id, text, 255);
    return messageBox(ActivePopup(), text, kProgramTitle, style);
}

} // namespace zel::app
