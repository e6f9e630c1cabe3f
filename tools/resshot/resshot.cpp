// resshot: shows one dialog of a user-interface resource library the way the program
// shows it (texts, list columns and a few sample rows, colours, the rounded progress
// window, the compact about box), so that its layout can be looked at and photographed.
//
//   resshot LIBRARY DIALOG-ID [--compact] [--rect-file FILE] [--release-file FILE]
//
// Once the dialog is painted it writes "left top width height" of its window to the
// rect file, then stays until the release file exists (or a minute has passed), so a
// script can take a screenshot in between. Without the files it stays until closed.
// The version texts come from this program's own version resource, which is the one
// ZelSATA.exe carries.
#include <res/resource_ids.h>

#include <windows.h>

#include <commctrl.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

constexpr COLORREF kBlue = RGB(0, 128, 255);
constexpr COLORREF kRed = RGB(255, 0, 0);
constexpr COLORREF kFace = RGB(254, 250, 163);
constexpr UINT_PTR kTimerReport = 1;
constexpr UINT_PTR kTimerPoll = 2;

struct Options {
    HMODULE library = nullptr;
    int dialog = 0;
    bool compact = false;
    std::string rectFile;
    std::string releaseFile;
    HBRUSH face = nullptr;
    DWORD started = 0;
};

Options options;

std::string uiString(UINT id) {
    char text[256] = {};
    LoadStringA(options.library, id, text, sizeof text);
    return text;
}

void setText(HWND dialog, int control, const std::string& text) { SetDlgItemTextA(dialog, control, text.c_str()); }

std::string ownVersionValue(const char* name) {
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    DWORD handle = 0;
    const DWORD size = GetFileVersionInfoSizeA(path, &handle);
    if (size == 0) return {};
    std::string block(size, '\0');
    if (!GetFileVersionInfoA(path, 0, size, block.data())) return {};
    void* value = nullptr;
    UINT length = 0;
    const std::string query = std::string("\\StringFileInfo\\041104b0\\") + name;
    if (!VerQueryValueA(block.data(), query.c_str(), &value, &length) || value == nullptr) return {};
    return static_cast<const char*>(value);
}

void addColumn(HWND list, int index, const std::string& heading, int width) {
    LVCOLUMNA column{};
    column.mask = LVCF_FMT | LVCF_TEXT | LVCF_WIDTH;
    column.fmt = LVCFMT_CENTER;
    column.cx = width;
    column.pszText = const_cast<char*>(heading.c_str());
    SendMessageA(list, LVM_INSERTCOLUMNA, index, reinterpret_cast<LPARAM>(&column));
}

void addRow(HWND list, int row, const std::string& first, const std::string& second, const std::string& third) {
    LVITEMA item{};
    item.mask = LVIF_TEXT;
    item.iItem = row;
    item.pszText = const_cast<char*>(first.c_str());
    SendMessageA(list, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item));
    const std::string* cells[] = {&second, &third};
    for (int sub = 1; sub <= 2; ++sub) {
        item.iSubItem = sub;
        item.pszText = const_cast<char*>(cells[sub - 1]->c_str());
        SendMessageA(list, LVM_SETITEMTEXTA, row, reinterpret_cast<LPARAM>(&item));
    }
}

void prepareList(HWND list) {
    const LRESULT extended = SendMessageA(list, LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0);
    SendMessageA(list, LVM_SETEXTENDEDLISTVIEWSTYLE, 0, extended | LVS_EX_FULLROWSELECT);
}

void selectFirstRow(HWND list) {
    LVITEMA item{};
    item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    item.state = LVIS_SELECTED | LVIS_FOCUSED;
    SendMessageA(list, LVM_SETITEMSTATE, 0, reinterpret_cast<LPARAM>(&item));
}

void fillVersionDialog(HWND dialog) {
    setText(dialog, IDC_VERSION_PRODUCT, ownVersionValue("ProductName"));
    setText(dialog, IDC_VERSION_FILE_VERSION, ownVersionValue("FileVersion"));
    setText(dialog, IDC_VERSION_COPYRIGHT, ownVersionValue("LegalCopyright"));
    setText(dialog, IDC_VERSION_NOTICE, uiString(IDS_VERSION_NOTICE));
    setText(dialog, IDC_VERSION_LAST_CHECK_LABEL, uiString(IDS_LAST_UPDATE_CHECK));
    setText(dialog, IDC_VERSION_LAST_CHECK, "2006/8/9");
    setText(dialog, IDC_VERSION_AUTOUPDATE, uiString(IDS_AUTOUPDATE_LABEL));
    EnableWindow(GetDlgItem(dialog, IDC_VERSION_APPLY), FALSE);
    HWND list = GetDlgItem(dialog, IDC_VERSION_LIST);
    prepareList(list);
    addColumn(list, 0, "", 232);
    addColumn(list, 1, uiString(IDS_COLUMN_INSTALLED_VERSION), 120);
    addColumn(list, 2, uiString(IDS_COLUMN_PUBLISHED_VERSION), 120);
    addRow(list, 0, ownVersionValue("ProductName"), ownVersionValue("FileVersion"), "1.15");
    if (options.compact) {
        for (int id : {IDC_VERSION_LAST_CHECK_LABEL, IDC_VERSION_LAST_CHECK, IDC_VERSION_LIST, IDC_VERSION_AUTOUPDATE,
                       IDC_VERSION_APPLY, IDOK, IDCANCEL}) {
            ShowWindow(GetDlgItem(dialog, id), SW_HIDE);
        }
        RECT client;
        GetClientRect(dialog, &client);
        client.right -= 4;
        client.bottom = client.top + (HIWORD(GetDialogBaseUnits()) > 16 ? 115 : 185);
        AdjustWindowRectEx(&client, static_cast<DWORD>(GetWindowLongA(dialog, GWL_STYLE)), FALSE, WS_EX_CLIENTEDGE);
        SetWindowPos(dialog, nullptr, 0, 0, client.right - client.left, client.bottom - client.top,
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
}

void fillDeviceListDialog(HWND dialog) {
    setText(dialog, IDC_DEVICES_PROMPT, uiString(IDS_DEVICES_PROMPT));
    setText(dialog, IDC_DEVICES_NOTE, uiString(IDS_DEVICES_NOTE));
    setText(dialog, IDC_DEVICES_AUTORUN, uiString(IDS_AUTORUN_LABEL));
    EnableWindow(GetDlgItem(dialog, IDC_DEVICES_APPLY), FALSE);
    HWND list = GetDlgItem(dialog, IDC_DEVICES_LIST);
    prepareList(list);
    addColumn(list, 0, uiString(IDS_COLUMN_NAME), 260);
    addColumn(list, 1, uiString(IDS_COLUMN_DRIVE_LETTERS), 90);
    addColumn(list, 2, uiString(IDS_COLUMN_TYPE), 120);
    addRow(list, 0, "WDC WD2500JS-00NCB1", "E: F: ", uiString(IDS_TYPE_DRIVE));
    addRow(list, 1, "ST3160827AS", "G: ", uiString(IDS_TYPE_DRIVE));
    addRow(list, 2, "_NEC DVD_RW ND-3550A", "H: ", uiString(IDS_TYPE_CD_DVD));
    selectFirstRow(list);
    SendMessageA(GetDlgItem(dialog, IDC_DEVICES_AUTORUN), BM_SETCHECK, BST_CHECKED, 0);
}

void fillProgressWindow(HWND dialog) {
    RECT window;
    GetWindowRect(dialog, &window);
    SetWindowRgn(dialog, CreateRoundRectRgn(0, 0, window.right - window.left, window.bottom - window.top, 20, 20), TRUE);
    options.face = CreateSolidBrush(kFace);
    setText(dialog, IDC_PROGRESS_TEXT, uiString(IDS_REMOVING));
}

void fillDownloadDialog(HWND dialog) {
    HWND bar = GetDlgItem(dialog, IDC_DOWNLOAD_PROGRESS);
    SendMessageA(bar, PBM_SETBARCOLOR, 0, RGB(0, 255, 0));
    SendMessageA(bar, PBM_SETBKCOLOR, 0, RGB(255, 255, 255));
    SendMessageA(bar, PBM_SETRANGE, 0, MAKELPARAM(0, 500));
    SendMessageA(bar, PBM_SETPOS, 200, 0);
}

INT_PTR colourStatic(HDC dc, HWND control) {
    const int id = GetDlgCtrlID(control);
    if (options.dialog == IDD_REMOVE_PROGRESS) {
        if (id == IDC_PROGRESS_TEXT) {
            SetTextColor(dc, kBlue);
            SetBkMode(dc, TRANSPARENT);
            return reinterpret_cast<INT_PTR>(GetStockObject(NULL_BRUSH));
        }
        return 0;
    }
    if (options.dialog == IDD_VERSION) {
        switch (id) {
        case IDC_VERSION_PRODUCT:
        case IDC_VERSION_COPYRIGHT:
        case IDC_VERSION_FILE_VERSION:
            SetTextColor(dc, kBlue);
            SetBkMode(dc, TRANSPARENT);
            return reinterpret_cast<INT_PTR>(GetStockObject(NULL_BRUSH));
        case IDC_VERSION_NOTICE:
        case IDC_VERSION_LAST_CHECK_LABEL:
            SetTextColor(dc, kRed);
            SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
            return reinterpret_cast<INT_PTR>(GetStockObject(NULL_BRUSH));
        default:
            break;
        }
    }
    return 0;
}

void paintVersionIcon(HWND dialog) {
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(dialog, &paint);
    RECT place = {VERSION_ICON_LEFT, VERSION_ICON_TOP, VERSION_ICON_LEFT + 32, VERSION_ICON_TOP + 32};
    MapDialogRect(dialog, &place);
    if (HICON icon = LoadIconA(options.library, MAKEINTRESOURCEA(IDI_ZELSATA))) {
        DrawIcon(dc, place.left, place.top, icon);
    }
    EndPaint(dialog, &paint);
}

void reportRect(HWND dialog) {
    RECT rect;
    GetWindowRect(dialog, &rect);
    std::printf("%ld %ld %ld %ld\n", rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top);
    std::fflush(stdout);
    if (!options.rectFile.empty()) {
        const std::string partial = options.rectFile + ".part";
        if (FILE* file = std::fopen(partial.c_str(), "wb")) {
            std::fprintf(file, "%ld %ld %ld %ld\n", rect.left, rect.top, rect.right - rect.left,
                         rect.bottom - rect.top);
            std::fclose(file);
            MoveFileExA(partial.c_str(), options.rectFile.c_str(), MOVEFILE_REPLACE_EXISTING);
        }
    }
}

INT_PTR CALLBACK dialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG:
        switch (options.dialog) {
        case IDD_VERSION: fillVersionDialog(dialog); break;
        case IDD_DEVICE_LIST: fillDeviceListDialog(dialog); break;
        case IDD_REMOVE_PROGRESS: fillProgressWindow(dialog); break;
        case IDD_DOWNLOAD: fillDownloadDialog(dialog); break;
        default: break;
        }
        SetTimer(dialog, kTimerReport, 700, nullptr);
        return TRUE;
    case WM_CTLCOLORSTATIC:
        return colourStatic(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam));
    case WM_CTLCOLORDLG:
        if (options.face != nullptr) return reinterpret_cast<INT_PTR>(options.face);
        return 0;
    case WM_PAINT:
        if (options.dialog != IDD_VERSION) return FALSE;
        paintVersionIcon(dialog);
        return TRUE;
    case WM_TIMER:
        if (wParam == kTimerReport) {
            KillTimer(dialog, kTimerReport);
            reportRect(dialog);
            SetTimer(dialog, kTimerPoll, 100, nullptr);
        } else if (wParam == kTimerPoll) {
            const bool released = !options.releaseFile.empty() &&
                                  GetFileAttributesA(options.releaseFile.c_str()) != INVALID_FILE_ATTRIBUTES;
            const bool waitedTooLong = !options.rectFile.empty() && GetTickCount() - options.started > 60000;
            if (released || waitedTooLong) DestroyWindow(dialog);
        }
        return TRUE;
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) DestroyWindow(dialog);
        return TRUE;
    case WM_DESTROY:
        PostQuitMessage(0);
        return FALSE;
    default:
        return FALSE;
    }
}

// A plain desktop behind the dialog: under Xvfb nothing else repaints the screen, and a
// photograph of the dialog's surroundings (the progress window's rounded corners) would
// show whatever was there before.
HWND createBackdrop() {
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = DefWindowProcA;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BACKGROUND + 1);
    windowClass.lpszClassName = "ResshotBackdrop";
    RegisterClassA(&windowClass);
    HWND backdrop = CreateWindowExA(WS_EX_TOOLWINDOW, windowClass.lpszClassName, "", WS_POPUP | WS_VISIBLE, 0, 0,
                                    GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN), nullptr, nullptr,
                                    windowClass.hInstance, nullptr);
    UpdateWindow(backdrop);
    return backdrop;
}

int usage() {
    std::fprintf(stderr, "usage: resshot LIBRARY DIALOG-ID [--compact] [--rect-file FILE] [--release-file FILE]\n");
    return 2;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 3) return usage();
    for (int i = 3; i < argc; ++i) {
        if (std::strcmp(argv[i], "--compact") == 0) {
            options.compact = true;
        } else if (std::strcmp(argv[i], "--rect-file") == 0 && i + 1 < argc) {
            options.rectFile = argv[++i];
        } else if (std::strcmp(argv[i], "--release-file") == 0 && i + 1 < argc) {
            options.releaseFile = argv[++i];
        } else {
            return usage();
        }
    }
    options.dialog = std::atoi(argv[2]);
    options.started = GetTickCount();
    InitCommonControls();
    options.library = LoadLibraryA(argv[1]);
    if (options.library == nullptr) {
        std::fprintf(stderr, "resshot: cannot load %s (error %lu)\n", argv[1], GetLastError());
        return 1;
    }
    HWND backdrop = createBackdrop();
    HWND dialog = CreateDialogParamA(options.library, MAKEINTRESOURCEA(options.dialog), backdrop, dialogProc, 0);
    if (dialog == nullptr) {
        std::fprintf(stderr, "resshot: dialog %d does not open (error %lu)\n", options.dialog, GetLastError());
        return 1;
    }
    ShowWindow(dialog, SW_SHOW);
    UpdateWindow(dialog);
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        if (!IsDialogMessageA(dialog, &message)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
    }
    DestroyWindow(backdrop);
    if (options.face != nullptr) DeleteObject(options.face);
    FreeLibrary(options.library);
    return 0;
}
