// The version dialog's message handlers.
#include "version_dlg.h"

#include "help.h"
#include "own_version.h"
#include "settings.h"
#include "zelsata_app.h"

#include "res/resource_ids.h"

#include <zel/platform/controls.h>
#include <zel/platform/dialog_geometry.h>
#include <zel/platform/paint.h>

#include <cstdlib>
#include <string>

namespace zel::update {

using namespace zel::platform;

namespace {

constexpr ColorRef kBlue = rgb(0, 128, 255);
constexpr ColorRef kRed = rgb(255, 0, 0);
constexpr std::uint32_t kIconId = 128;
// Where the icon goes, in dialog units: its top-left corner.
constexpr Rect kIconPlace{20, 28, 52, 60};
constexpr int kCompactNarrowing = 4;
constexpr int kCompactHeightLargeFont = 115;
constexpr int kCompactHeight = 185;
constexpr int kNameColumnWidth = 232;
constexpr int kVersionColumnWidth = 120;

std::string uiText(std::uint32_t id) {
    const app::CZelSATAApp* app = app::currentApp();
    return app != nullptr ? app->UiText(id) : std::string();
}

// A stored text, or "-" when it is empty or absent.
std::string storedOrDash(const char* name) {
    char value[16] = {};
    app::ReadSetting(kHkeyLocalMachine, app::kSettingsKey, name, value, sizeof value - 1);
    return value[0] != '\0' ? std::string(value) : std::string("-");
}

const Library& resources() {
    static const Library none;
    const app::CZelSATAApp* app = app::currentApp();
    return app != nullptr ? app->resourceLibrary : none;
}

} // namespace

bool IsCompactVersion(std::string_view fileVersion) {
    const std::string head(fileVersion.substr(0, 4));
    return std::strtod(head.c_str(), nullptr) <= 1.14;
}

int CVersionDlg::DoModal(const Library& resourceModule, Window owner) {
    return runModalDialog(*this, resourceModule, IDD_VERSION, owner);
}

bool CVersionDlg::onMessage(Window window, std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam,
                            std::intptr_t& answer) {
    switch (message) {
    case kWmInitDialog:
        answer = OnInitDialog(window) ? 1 : 0;
        return true;
    case kWmPaint:
        OnPaint(window);
        answer = 0;
        return true;
    case kWmCtlColorStatic:
        return OnCtlColor(wParam, static_cast<Window>(lParam), answer);
    case kWmLButtonDown:
        // A click on the face (static texts let it through) closes the dialog.
        endDialog(window, kIdCancel);
        answer = 0;
        return true;
    case kWmCommand:
        return OnCommand(window, wParam);
    case kWmHelp:
        app::OpenHelpOnRequest();
        answer = 1;
        return true;
    default:
        return false;
    }
}

bool CVersionDlg::preTranslate(std::uint32_t message, std::uintptr_t virtualKey) {
    return app::OpenHelpOnF1(message, virtualKey);
}

bool CVersionDlg::OnInitDialog(Window window) {
    enableDlgItem(window, IDC_VERSION_APPLY, false);
    FillTexts(window);
    FillList(window);
    unsigned char autoUpdate[4] = {};
    app::ReadSetting(kHkeyLocalMachine, app::kSettingsKey, app::kAutoUpDate, autoUpdate, sizeof autoUpdate);
    if (autoUpdate[0] == 1) setButtonChecked(window, IDC_VERSION_AUTOUPDATE, true);

    char shown[256] = {};
    getDlgItemText(window, IDC_VERSION_FILE_VERSION, shown, 255);
    compact_ = IsCompactVersion(shown);
    if (compact_) MakeCompact(window);
    return true; // the system sets the focus
}

void CVersionDlg::FillTexts(Window window) {
    // A text the resource cannot give keeps the template's.
    char text[256] = {};
    if (ReadOwnVersionText("ProductName", text, sizeof text)) setDlgItemText(window, IDC_VERSION_PRODUCT, text);
    if (ReadOwnVersionText("FileVersion", text, sizeof text)) setDlgItemText(window, IDC_VERSION_FILE_VERSION, text);
    if (ReadOwnVersionText("LegalCopyright", text, sizeof text)) setDlgItemText(window, IDC_VERSION_COPYRIGHT, text);
    setDlgItemText(window, IDC_VERSION_NOTICE, uiText(IDS_VERSION_NOTICE).c_str());
    setDlgItemText(window, IDC_VERSION_LAST_CHECK_LABEL, uiText(IDS_LAST_UPDATE_CHECK).c_str());
    setDlgItemText(window, IDC_VERSION_AUTOUPDATE, uiText(IDS_AUTOUPDATE_LABEL).c_str());
    setDlgItemText(window, IDC_VERSION_LAST_CHECK, storedOrDash(app::kDate).c_str());
}

void CVersionDlg::FillList(Window window) {
    while (listViewDeleteColumn(window, IDC_VERSION_LIST, 0)) {
    }
    listViewDeleteAllItems(window, IDC_VERSION_LIST);
    listViewAddExtendedStyle(window, IDC_VERSION_LIST, kLvsExFullRowSelect);
    listViewInsertColumn(window, IDC_VERSION_LIST, 0, "", kLvcfmtCenter, kNameColumnWidth);
    listViewInsertColumn(window, IDC_VERSION_LIST, 1, uiText(IDS_COLUMN_INSTALLED_VERSION).c_str(), kLvcfmtCenter,
                         kVersionColumnWidth);
    listViewInsertColumn(window, IDC_VERSION_LIST, 2, uiText(IDS_COLUMN_PUBLISHED_VERSION).c_str(), kLvcfmtCenter,
                         kVersionColumnWidth);
    // A cell the resource cannot fill stays empty.
    char name[256] = {};
    char version[256] = {};
    ReadOwnVersionText("ProductName", name, sizeof name);
    ReadOwnVersionText("FileVersion", version, sizeof version);
    listViewInsertItem(window, IDC_VERSION_LIST, 0, name);
    listViewSetItemText(window, IDC_VERSION_LIST, 0, 1, version);
    listViewSetItemText(window, IDC_VERSION_LIST, 0, 2, storedOrDash(app::kVersion).c_str());
}

void CVersionDlg::MakeCompact(Window window) {
    for (int id : {IDC_VERSION_LAST_CHECK_LABEL, IDC_VERSION_LAST_CHECK, IDC_VERSION_LIST, IDC_VERSION_AUTOUPDATE,
                   IDC_VERSION_APPLY, kIdOk, kIdCancel})
        showDlgItem(window, id, false);
    Rect client = clientRect(window);
    client.right -= kCompactNarrowing;
    client.bottom = client.top + (dialogBaseUnitY() > 16 ? kCompactHeightLargeFont : kCompactHeight);
    resizeForClient(window, client, kWsExClientEdge);
}

void CVersionDlg::OnPaint(Window window) {
    Rect place = kIconPlace;
    mapDialogRect(window, place);
    paintIcon(window, resources(), kIconId, place.left, place.top);
}

bool CVersionDlg::OnCtlColor(std::uintptr_t deviceContext, Window control, std::intptr_t& brush) const {
    switch (controlId(control)) {
    case IDC_VERSION_PRODUCT:
    case IDC_VERSION_COPYRIGHT:
    case IDC_VERSION_FILE_VERSION:
        brush = transparentControlText(deviceContext, kBlue);
        return true;
    case IDC_VERSION_LAST_CHECK_LABEL:
    case IDC_VERSION_NOTICE:
        brush = colouredControlText(deviceContext, kRed);
        return true;
    default:
        return false;
    }
}

bool CVersionDlg::OnCommand(Window window, std::uintptr_t wParam) {
    const int id = static_cast<int>(wParam & 0xFFFF);
    const auto notification = static_cast<std::uint32_t>((wParam >> 16) & 0xFFFF);
    // The about box has no buttons: Enter and Escape only close it.
    if (compact_ && (id == kIdOk || id == kIdCancel)) {
        endDialog(window, id);
        return true;
    }
    if (id == kIdOk) {
        OnOK(window);
        return true;
    }
    if (notification != kBnClicked) return false;
    if (id == IDC_VERSION_AUTOUPDATE) {
        if (const app::CZelSATAApp* app = app::currentApp()) app->ShowMessage(IDS_AUTOUPDATE_NOTICE, kMbIconInformation);
        enableDlgItem(window, IDC_VERSION_APPLY, true);
        return true;
    }
    if (id == IDC_VERSION_APPLY) {
        enableDlgItem(window, IDC_VERSION_APPLY, false);
        SaveAutoUpdateSetting(window);
        return true;
    }
    return false;
}

void CVersionDlg::OnOK(Window window) {
    enableDlgItem(window, kIdOk, false);
    enableDlgItem(window, kIdCancel, false);
    // Owned by this dialog, which stays disabled, buttons and box alike, until the check ends.
    if (app::CZelSATAApp* app = app::currentApp()) app->CheckForUpdate(window);
    SaveAutoUpdateSetting(window);
    enableDlgItem(window, kIdOk, true);
    enableDlgItem(window, kIdCancel, true);
    endDialog(window, kIdOk);
}

void CVersionDlg::SaveAutoUpdateSetting(Window window) {
    const unsigned char state = isButtonChecked(window, IDC_VERSION_AUTOUPDATE) ? 1 : 0;
    app::WriteSetting(kHkeyLocalMachine, app::SETTING_DWORD, app::kSettingsKey, app::kAutoUpDate, &state, 1);
}

} // namespace zel::update

namespace zel::app {

void CZelSATAApp::ShowVersionDialog() {
    update::CVersionDlg dialog;
    dialog.DoModal(resourceLibrary, mainWindow());
}

} // namespace zel::app
