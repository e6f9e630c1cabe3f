#include "device_list_dlg.h"

#include "commands.h"
#include "help.h"
#include "markers.h"
#include "remove_progress_dlg.h"
#include "settings.h"
#include "zelsata_app.h"

#include "res/resource_ids.h"

#include <zel/platform/controls.h>

#include <zel/text.h>

#include <cstring>
#include <string>

namespace zel::app {

using namespace zel::platform;

namespace {

struct Column {
    std::uint32_t heading;
    int width;
};
constexpr Column kColumns[] = {{IDS_COLUMN_NAME, 260}, {IDS_COLUMN_DRIVE_LETTERS, 90}, {IDS_COLUMN_TYPE, 120}};

// "E: F: " for E and F; "-" without letters.
std::string letterCell(const InventoryEntry& entry) {
    std::string cell;
    for (char letter : fieldText(entry.driveLetters)) cell += {letter, ':', ' '};
    return cell.empty() ? "-" : cell;
}

std::uint32_t typeString(const InventoryEntry& entry) {
    if (entry.kind == kKindHost) return IDS_TYPE_HOST_ADAPTER;
    return entry.deviceClass == 5 ? IDS_TYPE_CD_DVD : IDS_TYPE_DRIVE;
}

} // namespace

int CDeviceListDlg::DoModal(const Library& resourceModule, Window owner) {
    return runModalDialog(*this, resourceModule, IDD_DEVICE_LIST, owner);
}

bool CDeviceListDlg::onMessage(Window window, std::uint32_t message, std::uintptr_t wParam, std::intptr_t,
                               std::intptr_t& result) {
    const int id = static_cast<int>(wParam & 0xFFFF);
    const auto notification = static_cast<std::uint32_t>((wParam >> 16) & 0xFFFF);
    switch (message) {
    case kWmInitDialog:
        result = OnInitDialog(window) ? 1 : 0;
        return true;
    case kWmHelp:
        OpenHelpOnRequest();
        result = 1;
        return true;
    case WM_INVENTORY_CHANGED:
        FillList();
        result = 1;
        return true;
    case kWmCommand:
        if (id == kIdOk) {
            OnOK();
            result = 0;
            return true;
        }
        if (notification != kBnClicked) return false;
        if (id == IDC_DEVICES_AUTORUN) OnAutoRunClicked();
        else if (id == IDC_DEVICES_APPLY) OnApply();
        else return false; // Cancel closes the dialog the default way
        result = 0;
        return true;
    default:
        return false;
    }
}

bool CDeviceListDlg::preTranslate(std::uint32_t message, std::uintptr_t virtualKey) {
    return OpenHelpOnF1(message, virtualKey); // other keys go on as usual
}

void CDeviceListDlg::DoDataExchange(Window window) {
    list_ = {window, IDC_DEVICES_LIST};
    autoRun_ = {window, IDC_DEVICES_AUTORUN};
}

bool CDeviceListDlg::OnInitDialog(Window window) {
    dialog_ = window;
    DoDataExchange(window);
    enableDlgItem(dialog_, IDC_DEVICES_APPLY, false);
    setDlgItemText(dialog_, IDC_DEVICES_PROMPT, currentApp()->UiText(IDS_DEVICES_PROMPT).c_str());
    setDlgItemText(dialog_, IDC_DEVICES_NOTE, currentApp()->UiText(IDS_DEVICES_NOTE).c_str());
    setDlgItemText(dialog_, IDC_DEVICES_AUTORUN, currentApp()->UiText(IDS_AUTORUN_LABEL).c_str());
    FillList();
    unsigned char autoRun[4] = {};
    ReadSetting(kHkeyLocalMachine, kSettingsKey, kAutoRun, autoRun, sizeof autoRun);
    if (autoRun[0] == 1) setButtonChecked(autoRun_.dialog, autoRun_.id, true);
    return true;
}

void CDeviceListDlg::FillList() {
    const Window d = list_.dialog;
    const int list = list_.id;
    while (listViewDeleteColumn(d, list, 0)) {
    }
    listViewDeleteAllItems(d, list);
    listViewAddExtendedStyle(d, list, kLvsExFullRowSelect);
    for (int c = 0; c < 3; ++c)
        listViewInsertColumn(d, list, c, currentApp()->UiText(kColumns[c].heading).c_str(), kLvcfmtCenter, kColumns[c].width);

    const Inventory& inventory = currentApp()->inventory();
    shownGeneration_ = currentApp()->InventoryGeneration();
    rows_.clear();
    if (!inventory.devicesPresent()) {
        enableDlgItem(dialog_, kIdOk, false);
        listViewInsertItem(d, list, 0, currentApp()->UiText(IDS_NO_DEVICES).c_str());
        listViewSelectAndFocus(d, list, 0);
        return; // OK is disabled: no mark needed
    }
    enableDlgItem(dialog_, kIdOk, true);
    // Rows keep the inventory's order: row i is entry i.
    for (int i = 0; i < kInventorySize && inventory.entries[i].valid == 1; ++i) {
        const InventoryEntry& entry = inventory.entries[i];
        const std::string name(entry.kind == kKindHost ? fieldText(entry.hostName) : fieldText(entry.driveName));
        listViewInsertItem(d, list, i, name.c_str());
        listViewSetItemText(d, list, i, 1, letterCell(entry).c_str());
        listViewSetItemText(d, list, i, 2, currentApp()->UiText(typeString(entry)).c_str());
        rows_.push_back(DeviceIdentity::of(entry));
    }
    // The highlighted row is what OK removes, without the user clicking it first.
    listViewSelectAndFocus(d, list, 0);
    listViewSetSelectionMark(d, list, 0);
}

void CDeviceListDlg::OnOK() {
    // The row the user last selected; without one there is nothing to remove. One removal
    // at a time: the dialog's boxes disable it, and this holds even if one did not.
    const int index = listViewSelectionMark(list_.dialog, list_.id);
    if (removing_ || index < 0 || index >= static_cast<int>(rows_.size())) return;
    removing_ = true;
    CZelSATAApp& app = *currentApp();
    const DeviceIdentity shown = rows_[static_cast<std::size_t>(index)];
    CRemoveProgressDlg progress;
    progress.SetEntryIndex(index);
    // The row must still be that device before the question and after it, whose message
    // loop may have run a rebuild.
    const bool go = app.StillShows(index, shown) && app.ConfirmRemoval(progress) && app.StillShows(index, shown);
    // Held for the whole removal so that its own broadcasts rebuild nothing; another
    // program's removal is waited for first.
    if (go && !app.TakeRemovalMarker()) {
        RefillIfChanged();
    } else if (go) {
        app.RunRemoval(progress);
        ReleaseMarker(app.removeMarker);
        postMessage(app.mainWindow(), kWmDeviceChange, tray::DBT_DEVNODES_CHANGED, 0);
        // Still the old inventory; the rebuild just asked for refills the list again.
        FillList();
        StoreStartupSetting();
    } else {
        RefillIfChanged();
    }
    removing_ = false;
}

void CDeviceListDlg::RefillIfChanged() {
    if (currentApp()->InventoryGeneration() != shownGeneration_) FillList();
}

void CDeviceListDlg::OnAutoRunClicked() {
    currentApp()->ShowMessage(IDS_AUTORUN_NOTICE, kMbIconInformation);
    RefillIfChanged();
    enableDlgItem(dialog_, IDC_DEVICES_APPLY, true);
}

void CDeviceListDlg::OnApply() {
    enableDlgItem(dialog_, IDC_DEVICES_APPLY, false);
    StoreStartupSetting();
}

void CDeviceListDlg::StoreStartupSetting() {
    const unsigned char on = isButtonChecked(autoRun_.dialog, autoRun_.id) ? 1 : 0;
    WriteSetting(kHkeyLocalMachine, SETTING_DWORD, kSettingsKey, kAutoRun, &on, sizeof on);
    // The log-on command line ends in "ZelSATA.exe" and its closing quote: the extension's
    // last letter switches it between the program and a file that does not exist.
    char command[260] = {};
    ReadSetting(kHkeyLocalMachine, kRunKey, kRunValueName, command, sizeof command);
    const std::size_t length = strnlen(command, sizeof command);
    if (length < 2) return; // missing or too short: not ours to create or repair
    command[length - 2] = on == 1 ? 'e' : '_';
    WriteSetting(kHkeyLocalMachine, SETTING_STRING, kRunKey, kRunValueName, command,
                 static_cast<std::uint32_t>(length));
}

} // namespace zel::app
