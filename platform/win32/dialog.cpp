// Modal dialogs over CreateDialogParamA and a modal loop of our own. DialogBoxParamA
// would hide its loop, and filtering keys there takes a thread-wide message hook and a
// global to find the handler; with our own loop the handler sees each key first and
// IsDialogMessageA does the rest.
#include <zel/platform/dialog.h>

#include <windows.h>

namespace zel::platform {

static_assert(kWmKeyDown == WM_KEYDOWN && kWmSysKeyDown == WM_SYSKEYDOWN && kWmInitDialog == WM_INITDIALOG);
static_assert(kWmCtlColorDlg == WM_CTLCOLORDLG && kWmCtlColorStatic == WM_CTLCOLORSTATIC);
static_assert(kVkReturn == VK_RETURN && kVkEscape == VK_ESCAPE && kVkF4 == VK_F4);

namespace {

HWND toHwnd(Window window) { return reinterpret_cast<HWND>(window); }
Window toWindow(HWND hwnd) { return reinterpret_cast<Window>(hwnd); }

// One modal run, reached from the dialog's window through DWLP_USER.
struct Session {
    DialogHandler* handler;
    bool ended = false;
    int code = -1;
};

// Messages whose result a dialog procedure returns itself instead of through
// DWLP_MSGRESULT.
bool returnsDirectly(UINT message) {
    switch (message) {
    case WM_INITDIALOG:
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC:
    case WM_COMPAREITEM:
    case WM_VKEYTOITEM:
    case WM_CHARTOITEM:
    case WM_QUERYDRAGICON:
        return true;
    default:
        return false;
    }
}

INT_PTR CALLBACK dialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) SetWindowLongPtrA(hwnd, DWLP_USER, lParam);
    auto* session = reinterpret_cast<Session*>(GetWindowLongPtrA(hwnd, DWLP_USER));
    if (session == nullptr) return FALSE; // messages before WM_INITDIALOG (WM_SETFONT, ...)
    std::intptr_t result = 0;
    const bool handled = session->handler->onMessage(toWindow(hwnd), message, wParam, lParam, result);
    if (message == WM_NCDESTROY) SetWindowLongPtrA(hwnd, DWLP_USER, 0);
    if (!handled) {
        // The framework's default: OK and Cancel end the dialog.
        const int command = LOWORD(wParam);
        if (message == WM_COMMAND && (command == IDOK || command == IDCANCEL)) {
            session->ended = true;
            session->code = command;
            return TRUE;
        }
        return message == WM_INITDIALOG ? TRUE : FALSE;
    }
    if (returnsDirectly(message)) return static_cast<INT_PTR>(result);
    SetWindowLongPtrA(hwnd, DWLP_MSGRESULT, result);
    return TRUE;
}

Session* sessionOf(Window dialog) {
    HWND hwnd = toHwnd(dialog);
    if (!IsWindow(hwnd) || GetWindowLongPtrA(hwnd, DWLP_DLGPROC) != reinterpret_cast<LONG_PTR>(&dialogProc))
        return nullptr;
    return reinterpret_cast<Session*>(GetWindowLongPtrA(hwnd, DWLP_USER));
}

// Ends with the dialog's code, or -1 when the loop saw WM_QUIT (which it puts back for
// the program's own loop).
void modalLoop(HWND dialog, DialogHandler& handler, Session& session) {
    MSG msg;
    while (!session.ended) {
        const BOOL got = GetMessageA(&msg, nullptr, 0, 0);
        if (got == 0 || got == -1) {
            if (got == 0) PostQuitMessage(static_cast<int>(msg.wParam));
            session.code = -1;
            return;
        }
        const bool key = msg.message == WM_KEYDOWN || msg.message == WM_SYSKEYDOWN;
        if (key && (msg.hwnd == dialog || IsChild(dialog, msg.hwnd)) && handler.preTranslate(msg.message, msg.wParam))
            continue;
        if (IsDialogMessageA(dialog, &msg)) continue;
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

} // namespace

int runModalDialog(DialogHandler& handler, const Library& resourceModule, std::uint32_t templateId, Window owner) {
    Session session{&handler};
    HWND dialog = CreateDialogParamA(static_cast<HINSTANCE>(resourceModule.native()), MAKEINTRESOURCEA(templateId),
                                     toHwnd(owner), dialogProc, reinterpret_cast<LPARAM>(&session));
    if (dialog == nullptr) return -1;
    HWND ownerHwnd = toHwnd(owner);
    const bool disableOwner = ownerHwnd != nullptr && IsWindowEnabled(ownerHwnd);
    if (disableOwner) EnableWindow(ownerHwnd, FALSE);
    if (!session.ended) {
        ShowWindow(dialog, SW_SHOW);
        modalLoop(dialog, handler, session);
    }
    // The owner comes back before the dialog goes, so that activation returns to it.
    if (disableOwner) EnableWindow(ownerHwnd, TRUE);
    DestroyWindow(dialog);
    return session.code;
}

bool endDialog(Window dialog, int code) {
    Session* session = sessionOf(dialog);
    if (session == nullptr) return false;
    session->ended = true;
    session->code = code;
    PostMessageA(toHwnd(dialog), WM_NULL, 0, 0); // wakes the loop should it be waiting
    return true;
}

bool setDlgItemText(Window dialog, int controlId, const char* text) {
    return SetDlgItemTextA(toHwnd(dialog), controlId, text) != FALSE;
}

int controlId(Window control) { return GetDlgCtrlID(toHwnd(control)); }

} // namespace zel::platform
