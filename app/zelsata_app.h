#pragma once
// The program's one application object: start-up and exit, the shared services every
// window uses (strings, message boxes, settings, markers, busy flag) and the device
// inventory.

#include "inventory.h"
#include "settings.h"

#include <zel/platform/library.h>
#include <zel/platform/system.h>
#include <zel/platform/ui.h>

#include <cstdint>
#include <memory>
#include <string>

namespace zel::tray {
class CMainFrame;
}
namespace zel::update {
struct DownloadSession;
}

namespace zel::app {

class CRemoveProgressDlg;

inline constexpr const char* kProgramTitle = "ZelSATA";
inline constexpr const char* kJapaneseResourceLibrary = "ZelSATARes.dll";
inline constexpr const char* kEnglishResourceLibrary = "ZelSATAResUS.dll";
// Posted to the main window's last active popup after every completed rebuild.
inline constexpr std::uint32_t WM_INVENTORY_CHANGED = platform::kWmUser + 0xE4;
// A needed library (search or download library) cannot be used.
inline constexpr std::uint32_t IDS_LIBRARY_MISSING = 5000;

// How long a removal asked for waits for another program's removal to end.
inline constexpr std::uint32_t kOtherRemovalWaitMilliseconds = 30000;

class CZelSATAApp {
public:
    CZelSATAApp();
    ~CZelSATAApp();
    CZelSATAApp(const CZelSATAApp&) = delete;
    CZelSATAApp& operator=(const CZelSATAApp&) = delete;

    // Start-up: true lets the message loop run; false ends the process (ExitInstance
    // still runs). Exit gives back what start-up took.
    bool InitInstance();
    int Run();
    int ExitInstance();

    // Loads string `id` of the resource library; `size` counts characters modulo 256.
    int LoadUiString(std::uint32_t id, char* buffer, int size) const;
    // String `id` of the resource library, as LoadUiString gives it into 255 characters.
    std::string UiText(std::uint32_t id) const;
    // Shows string `id` in a message box captioned with the program title.
    int ShowMessage(std::uint32_t id, std::uint32_t style) const;

    // Rebuilds the inventory from the search library; always 1.
    int RebuildInventory();

    // Removes inventory entry `index` behind the progress window, asking first for a
    // system disk and telling the outcome: 1 removed, 0 not removed. `shown` is the device
    // the user chose; when the entry is no longer that device, nothing is removed.
    int RemoveEntry(int index, const DeviceIdentity& shown);
    // Whether entry `index` is still the device `shown`; when not, the user is told that
    // the list changed.
    bool StillShows(int index, const DeviceIdentity& shown) const;
    // Changes with every rebuild of the inventory, so a window can tell whether it shows
    // the current one.
    std::uint32_t InventoryGeneration() const { return inventoryGeneration_; }
    // The two halves of a removal, for callers that act in between: the system-disk
    // question (false when the user declines), then the progress window and the outcome
    // message (1 removed, 0 not).
    bool ConfirmRemoval(const CRemoveProgressDlg& progress) const;
    int RunRemoval(CRemoveProgressDlg& progress);

    // Takes the removal marker for a removal of this program. While another program (the
    // command line) holds it, waits for that removal as the command line waits for ours,
    // with the messages flowing, at most kOtherRemovalWaitMilliseconds; then tells the user
    // and answers false. A marker that cannot be made at all stops nothing.
    bool TakeRemovalMarker();
    // Whether a removal's progress window is up: its worker may be waiting for this thread
    // to answer Windows' question about the device, so nothing may close the program now.
    bool RemovalRunning() const { return activeRemoval_ != nullptr; }
    // A close request that came during a removal: the program closes when the removal has
    // ended, without its outcome message (nobody would be left to answer it).
    void CloseAfterRemoval() { closeAfterRemoval_ = true; }
    // Runs a message loop until the running removal's worker has its outcome, or
    // `milliseconds` have passed; true when it has.
    bool WaitForRemoval(std::uint32_t milliseconds);

    // Runs the device list dialog modally.
    void ShowDeviceListDialog();
    // Runs the version dialog modally.
    void ShowVersionDialog();

    // Fetches the published version behind the download dialog (owned by `owner`, the
    // main window when 0), compares it with the program's own and, when they differ,
    // offers the home page. A check asked for while one runs is refused.
    void CheckForUpdate(platform::Window owner = 0);
    // A fetch whose dialog closed before its worker ended, kept until the next check
    // takes it or the program ends (which waits for it).
    void KeepUnfinishedDownload(std::unique_ptr<update::DownloadSession> session);
    std::unique_ptr<update::DownloadSession> TakeUnfinishedDownload();
    // The message id registered for "ZELDOWNLOAD" (0 before the main frame exists).
    std::uint32_t DownloadMessage() const;

    void SetBusy(int value) { busy = static_cast<std::uint8_t>(value); }
    std::uint8_t GetBusy() const { return busy; }

    platform::Window mainWindow() const;
    // The window the user works in: the main window's last active popup (an open dialog),
    // else the main window. Message boxes and the progress window are owned by it, so they
    // disable that dialog while they run and hand the activation back to it.
    platform::Window ActivePopup() const;
    tray::CMainFrame* mainFrame() const { return mainFrame_.get(); }
    const Inventory& inventory() const { return inventory_; }

    platform::MutexHandle instanceMarker;
    platform::MutexHandle changeMarker;
    platform::MutexHandle removeMarker;
    platform::Library resourceLibrary;

private:
    bool loadResourceLibrary(bool japanese);

    std::uint8_t busy = 0;
    CRemoveProgressDlg* activeRemoval_ = nullptr;
    bool closeAfterRemoval_ = false;
    bool checking_ = false; // an update check runs: never two workers on the same blocks and file
    Inventory inventory_{};
    std::uint32_t inventoryGeneration_ = 0;
    std::unique_ptr<tray::CMainFrame> mainFrame_;
    std::unique_ptr<update::DownloadSession> unfinishedDownload_;
};

// The application object of the running program (the one constructed last).
CZelSATAApp* currentApp();

} // namespace zel::app
