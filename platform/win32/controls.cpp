// Dialog controls over SendMessageA to the control found with GetDlgItem.
#include <zel/platform/controls.h>

#include <windows.h>
#include <commctrl.h>

namespace zel::platform {

static_assert(kWmHelp == WM_HELP && kVkF1 == VK_F1 && kBnClicked == BN_CLICKED);
static_assert(kLvcfmtCenter == LVCFMT_CENTER && kLvsExFullRowSelect == LVS_EX_FULLROWSELECT);
static_assert(kPbmSetRange == PBM_SETRANGE && kPbmSetPos == PBM_SETPOS && kPbmDeltaPos == PBM_DELTAPOS &&
              kPbmSetStep == PBM_SETSTEP && kPbmStepIt == PBM_STEPIT && kPbmSetBarColor == PBM_SETBARCOLOR &&
              kPbmSetBkColor == PBM_SETBKCOLOR);

namespace {

HWND item(Window dialog, int controlId) { return GetDlgItem(reinterpret_cast<HWND>(dialog), controlId); }

LRESULT sendTo(Window dialog, int controlId, UINT message, WPARAM wParam, LPARAM lParam) {
    HWND control = item(dialog, controlId);
    return control != nullptr ? SendMessageA(control, message, wParam, lParam) : 0;
}

} // namespace

bool listViewDeleteColumn(Window dialog, int controlId, int column) {
    return sendTo(dialog, controlId, LVM_DELETECOLUMN, static_cast<WPARAM>(column), 0) != FALSE;
}

bool listViewDeleteAllItems(Window dialog, int controlId) {
    return sendTo(dialog, controlId, LVM_DELETEALLITEMS, 0, 0) != FALSE;
}

void listViewAddExtendedStyle(Window dialog, int controlId, std::uint32_t bits) {
    const auto style = static_cast<DWORD>(sendTo(dialog, controlId, LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0));
    sendTo(dialog, controlId, LVM_SETEXTENDEDLISTVIEWSTYLE, 0, static_cast<LPARAM>(style | bits));
}

int listViewInsertColumn(Window dialog, int controlId, int column, const char* heading, int format, int width) {
    HWND control = item(dialog, controlId);
    if (control == nullptr) return -1;
    LVCOLUMNA lvColumn{};
    lvColumn.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
    lvColumn.fmt = format;
    lvColumn.cx = width;
    lvColumn.pszText = const_cast<char*>(heading);
    lvColumn.iSubItem = column;
    return static_cast<int>(
        SendMessageA(control, LVM_INSERTCOLUMNA, static_cast<WPARAM>(column), reinterpret_cast<LPARAM>(&lvColumn)));
}

int listViewInsertItem(Window dialog, int controlId, int row, const char* text) {
    HWND control = item(dialog, controlId);
    if (control == nullptr) return -1;
    LVITEMA lvItem{};
    lvItem.mask = LVIF_TEXT;
    lvItem.iItem = row;
    lvItem.pszText = const_cast<char*>(text);
    return static_cast<int>(SendMessageA(control, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&lvItem)));
}

bool listViewSetItemText(Window dialog, int controlId, int row, int column, const char* text) {
    LVITEMA lvItem{};
    lvItem.iSubItem = column;
    lvItem.pszText = const_cast<char*>(text);
    return sendTo(dialog, controlId, LVM_SETITEMTEXTA, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&lvItem)) !=
           FALSE;
}

bool listViewSelectAndFocus(Window dialog, int controlId, int row) {
    LVITEMA lvItem{};
    lvItem.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    lvItem.state = LVIS_SELECTED | LVIS_FOCUSED;
    return sendTo(dialog, controlId, LVM_SETITEMSTATE, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&lvItem)) !=
           FALSE;
}

void listViewSetSelectionMark(Window dialog, int controlId, int row) {
    sendTo(dialog, controlId, LVM_SETSELECTIONMARK, 0, static_cast<LPARAM>(row));
}

int listViewSelectionMark(Window dialog, int controlId) {
    HWND control = item(dialog, controlId);
    return control != nullptr ? static_cast<int>(SendMessageA(control, LVM_GETSELECTIONMARK, 0, 0)) : -1;
}

bool isButtonChecked(Window dialog, int controlId) {
    return sendTo(dialog, controlId, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void setButtonChecked(Window dialog, int controlId, bool checked) {
    sendTo(dialog, controlId, BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
}

void enableDlgItem(Window dialog, int controlId, bool enable) {
    if (HWND control = item(dialog, controlId)) EnableWindow(control, enable ? TRUE : FALSE);
}

void showDlgItem(Window dialog, int controlId, bool show) {
    if (HWND control = item(dialog, controlId)) ShowWindow(control, show ? SW_SHOW : SW_HIDE);
}

int getDlgItemText(Window dialog, int controlId, char* buffer, int size) {
    if (buffer == nullptr || size <= 0) return 0;
    return static_cast<int>(GetDlgItemTextA(reinterpret_cast<HWND>(dialog), controlId, buffer, size));
}

std::intptr_t sendDlgItemMessage(Window dialog, int controlId, std::uint32_t message, std::uintptr_t wParam,
                                 std::intptr_t lParam) {
    return sendTo(dialog, controlId, message, wParam, lParam);
}

std::uint32_t programFileName(char* buffer, std::uint32_t size) {
    return GetModuleFileNameA(nullptr, buffer, size);
}

} // namespace zel::platform
