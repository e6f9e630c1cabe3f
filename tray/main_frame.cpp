#include "main_frame.h"

#include "check_for_update.h"
#include "command_menu.h"
#include "commands.h"
#include "device_menu.h"
#include "help.h"
#include "markers.h"
#include "rescan.h"
#include "zelsata_app.h"

#include <cstring>

namespace zel::tray {

using namespace zel::platform;
using app::CZelSATAApp;

namespace {

CZelSATAApp& theApp() { return *app::currentApp(); }

} // namespace

CMainFrame::CMainFrame()
    : closeRequestMessage_(registerWindowMessage("ZELSATA")), downloadMessage_(registerWindowMessage("ZELDOWNLOAD")),
      taskbarCreatedMessage_(registerWindowMessage("TaskbarCreated")) {}

bool CMainFrame::Create(const char* title) {
    frame_ = FrameWindow::create(*this, title);
    if (!frame_) self_ = 0;
    return static_cast<bool>(frame_);
}

bool CMainFrame::SetTrayIcon(std::uint32_t operation) {
    char tip[64] = {};
    theApp().LoadUiString(IDS_TRAY_TIP, tip, sizeof tip);
    switch (operation) {
    case kNimAdd: trayIcon_.flags = kNifMessage | kNifIcon | kNifTip; break;
    case kNimModify: trayIcon_.flags = kNifIcon | kNifTip; break;
    case kNimDelete: trayIcon_.flags = 0; break;
    default: break; // flags stay as they were
    }
    trayIcon_.window = window();
    trayIcon_.id = kTrayIconId;
    trayIcon_.callbackMessage = WM_TRAYNOTIFY;
    std::memcpy(trayIcon_.tip, tip, sizeof tip); // at most 63 characters and the terminator
    return shellNotifyIcon(operation, trayIcon_);
}

void CMainFrame::ShowOrHideTrayIcon() {
    if (!theApp().inventory().devicesPresent()) {
        killTimer(window(), IDT_TRAY_RETRY);
        SetTrayIcon(kNimDelete);
        return;
    }
    // An add is refused also when the icon is already there, which a modification shows.
    if (SetTrayIcon(kNimAdd) || SetTrayIcon(kNimModify)) {
        killTimer(window(), IDT_TRAY_RETRY);
        return;
    }
    setTimer(window(), IDT_TRAY_RETRY, kTrayRetryMilliseconds);
}

bool CMainFrame::onMessage(Window window, std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam,
                           std::intptr_t& result) {
    if (self_ == 0) self_ = window;
    switch (message) {
    case kWmCreate:
        result = OnCreate();
        return true;
    case kWmTimer:
        if (wParam == IDT_STARTUP) OnStartupTimer();
        if (wParam == IDT_TRAY_RETRY) ShowOrHideTrayIcon();
        return false; // ticks also get the default processing
    case kWmClose:
        // Not while a removal runs: its worker may be waiting for this very thread to answer
        // Windows' question about the device, and the window it reports to would die with
        // the frame. The program closes when the removal has ended.
        if (!theApp().RemovalRunning()) return false;
        theApp().CloseAfterRemoval();
        result = 0;
        return true;
    case kWmQueryEndSession:
        // Log-off: the removal finishes first, with the messages still flowing.
        if (theApp().RemovalRunning()) {
            theApp().CloseAfterRemoval();
            theApp().WaitForRemoval(kLogOffRemovalWaitMilliseconds);
        }
        result = 1;
        return true;
    case kWmDestroy:
        // The stored record, unchanged: deleting an icon never added is refused, harmlessly.
        shellNotifyIcon(kNimDelete, trayIcon_);
        return false;
    case WM_TRAYNOTIFY:
        OnTrayNotify(static_cast<std::uint32_t>(lParam));
        result = 0;
        return true;
    case kWmCommand:
        return OnCommand(static_cast<std::uint32_t>(wParam & 0xFFFF));
    case kWmMeasureItem:
        MeasureCommandItem(lParam);
        result = 1;
        return true;
    case kWmDrawItem:
        DrawCommandItem(lParam);
        result = 1;
        return true;
    case kWmDeviceChange:
        OnDeviceChange(wParam);
        result = 1;
        return true;
    default:
        break;
    }
    if (message == closeRequestMessage_ && message != 0) {
        if (wParam == 0) postMessage(theApp().mainWindow(), kWmClose, 0, 0);
        result = 1;
        return true;
    }
    if (message == taskbarCreatedMessage_ && message != 0) {
        // Explorer restarted and forgot every icon.
        ShowOrHideTrayIcon();
        result = 0;
        return true;
    }
    if (message == downloadMessage_ && message != 0) {
        result = 1; // accepted; the download library may post it, nothing follows
        return true;
    }
    return false;
}

std::intptr_t CMainFrame::OnCreate() {
    trayIcon_.icon = loadIcon(theApp().resourceLibrary, IDI_TRAY, 16);
    setTimer(window(), IDT_STARTUP, 1000);
    return 0;
}

void CMainFrame::OnStartupTimer() {
    killTimer(window(), IDT_STARTUP);
    ShowOrHideTrayIcon();
    unsigned char autoUpdate[4] = {};
    app::ReadSetting(kHkeyLocalMachine, app::kSettingsKey, app::kAutoUpDate, autoUpdate, sizeof autoUpdate);
    if (autoUpdate[0] != 1) return;
    // Busy like every other check: clicks on the icon only raise what is open.
    CZelSATAApp& app = theApp();
    const int wasBusy = app.GetBusy();
    app.SetBusy(1);
    char question[256] = {};
    app.LoadUiString(IDS_ASK_CHECK_FOR_UPDATE, question, 255);
    if (messageBox(0, question, "ZelSATA DownLoad", kMbYesNo) == kIdYes) app.CheckForUpdate();
    app.SetBusy(wasBusy);
}

void CMainFrame::OnTrayNotify(std::uint32_t mouseMessage) {
    CZelSATAApp& app = theApp();
    Point cursor;
    switch (mouseMessage) {
    case kWmLButtonDown:
        if (app.GetBusy() == 1) {
            Raise();
            break;
        }
        getCursorPos(cursor);
        setForegroundWindow(window());
        menuDevices_ = BuildDeviceMenu(deviceMenu_);
        trackPopupMenu(deviceMenu_, window(), cursor);
        // Lets the menu close properly: otherwise the next click may open one that vanishes.
        postMessage(window(), kWmNull, 0, 0);
        break;
    case kWmRButtonUp:
        if (app.GetBusy() == 1) {
            Raise();
            break;
        }
        getCursorPos(cursor);
        setForegroundWindow(window());
        setFocus(window());
        ShowCommandMenu(window(), cursor);
        postMessage(window(), kWmNull, 0, 0);
        break;
    case kWmLButtonDblClk:
        if (app.GetBusy() == 1)
            Raise();
        else if (getKeyState(kVkControl) < 0)
            postMessage(app.mainWindow(), kWmClose, 0, 0);
        else
            ShowDeviceList();
        break;
    default:
        break;
    }
    if (!app.inventory().devicesPresent()) SetTrayIcon(kNimDelete);
}

bool CMainFrame::OnCommand(std::uint32_t command) {
    if (command >= IDM_DEVICE_FIRST && command <= IDM_DEVICE_LAST) {
        OnDeviceItem(static_cast<int>(command - IDM_DEVICE_FIRST));
        return true;
    }
    switch (command) {
    case IDM_DEVICE_LIST:
        ShowDeviceList();
        return true;
    case IDM_VERSION_INFO:
        theApp().SetBusy(1);
        theApp().ShowVersionDialog();
        theApp().SetBusy(0);
        return true;
    case IDM_RESCAN:
        // Devices found are told by the usual device-change message; the rebuild follows
        // also where Windows does not send it.
        app::RescanHostAdapters();
        postMessage(theApp().mainWindow(), kWmDeviceChange, DBT_DEVNODES_CHANGED, 0);
        return true;
    case IDM_EXIT:
        postMessage(theApp().mainWindow(), kWmClose, 0, 0);
        return true;
    case IDM_HELP:
        app::OpenHelpPage();
        return true;
    case IDM_OPEN_LINK: {
        char address[256] = {};
        theApp().LoadUiString(IDS_WEB_ADDRESS, address, 255);
        update::OpenWithShell(address);
        return true;
    }
    default:
        return false;
    }
}

void CMainFrame::OnDeviceChange(std::uintptr_t event) {
    CZelSATAApp& app = theApp();
    // A removal holds its marker for its whole length: its own broadcasts are ignored.
    MutexHandle removal = app::AcquireMarker(app::kRemoveMarker);
    if (!removal) return;
    app::ReleaseMarker(removal);
    // Rebuilds never nest (a message box inside one runs its own message loop).
    MutexHandle change = app::AcquireMarker(app::kChangeMarker);
    if (!change) return;
    app.changeMarker = std::move(change);
    if (event == DBT_DEVNODES_CHANGED || event == DBT_DEVICEARRIVAL || event == DBT_DEVICEREMOVECOMPLETE) {
        app.RebuildInventory();
        ShowOrHideTrayIcon();
    }
    app::ReleaseMarker(app.changeMarker);
}

void CMainFrame::OnDeviceItem(int index) {
    CZelSATAApp& app = theApp();
    app.SetBusy(1);
    // Held for the whole removal, so the broadcasts it causes are ignored; another
    // program's removal is waited for first.
    if (!app.TakeRemovalMarker()) {
        app.SetBusy(0);
        return;
    }
    // The device the item named when the menu was shown, not whatever stands at its index now.
    const app::DeviceIdentity shown =
        index < static_cast<int>(menuDevices_.size()) ? menuDevices_[static_cast<std::size_t>(index)] : app::DeviceIdentity{};
    app.RemoveEntry(index, shown);
    app::ReleaseMarker(app.removeMarker);
    // One rebuild follows each removal.
    postMessage(app.mainWindow(), kWmDeviceChange, DBT_DEVNODES_CHANGED, 0);
    app.SetBusy(0);
}

void CMainFrame::ShowDeviceList() {
    CZelSATAApp& app = theApp();
    app.SetBusy(1); // tray clicks only raise the dialog while it is open
    app.ShowDeviceListDialog();
    app.SetBusy(0);
}

void CMainFrame::Raise() {
    // The frame stays hidden; the modal dialog it owns comes to the front with it.
    setWindowTopmost(window(), true);
    setWindowTopmost(window(), false);
}

} // namespace zel::tray
