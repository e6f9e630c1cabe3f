// appshot: runs one of the program's own dialogs with its real logic, so that
// scripts/screenshots can photograph it as users see it.
//
//   appshot {version|download} [--rect-file FILE] [--release-file FILE] [--settle MS]
//
// "version" runs the version dialog, "download" the update check (its download dialog
// fetches from the server named by ZELSATA_UPDATE_HOST). Once the dialog is on the
// screen and has had MS milliseconds to settle, its window rectangle "x y width height"
// goes to the rect file; when the release file exists (or after a minute) the dialog is
// cancelled and the program ends at once, a fetch still under way included.
#include "builtin_texts.h"
#include "zelsata_app.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

struct Options {
    std::string mode;
    std::string rectFile;
    std::string releaseFile;
    DWORD settle = 500;
};

Options g_options;

BOOL CALLBACK findOwnDialog(HWND window, LPARAM found) {
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    char className[16] = {};
    GetClassNameA(window, className, sizeof className);
    if (process == GetCurrentProcessId() && IsWindowVisible(window) && std::strcmp(className, "#32770") == 0) {
        *reinterpret_cast<HWND*>(found) = window;
        return FALSE;
    }
    return TRUE;
}

bool exists(const std::string& file) {
    return !file.empty() && GetFileAttributesA(file.c_str()) != INVALID_FILE_ATTRIBUTES;
}

DWORD WINAPI watch(void*) {
    HWND dialog = nullptr;
    for (int waited = 0; dialog == nullptr && waited < 60000; waited += 50) {
        EnumWindows(findOwnDialog, reinterpret_cast<LPARAM>(&dialog));
        if (dialog == nullptr) Sleep(50);
    }
    if (dialog == nullptr) ExitProcess(2);
    Sleep(g_options.settle);
    RECT r{};
    GetWindowRect(dialog, &r);
    if (!g_options.rectFile.empty()) {
        if (FILE* out = std::fopen(g_options.rectFile.c_str(), "w")) {
            std::fprintf(out, "%ld %ld %ld %ld\n", r.left, r.top, r.right - r.left, r.bottom - r.top);
            std::fclose(out);
        }
    }
    for (int waited = 0; !exists(g_options.releaseFile) && waited < 60000; waited += 100) Sleep(100);
    PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
    Sleep(2000);
    ExitProcess(0); // a fetch blocked on a silent server is not waited for
}

} // namespace

int main(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--rect-file") == 0 && i + 1 < argc)
            g_options.rectFile = argv[++i];
        else if (std::strcmp(argv[i], "--release-file") == 0 && i + 1 < argc)
            g_options.releaseFile = argv[++i];
        else if (std::strcmp(argv[i], "--settle") == 0 && i + 1 < argc)
            g_options.settle = static_cast<DWORD>(std::strtoul(argv[++i], nullptr, 10));
        else
            g_options.mode = argv[i];
    }
    if (g_options.mode != "version" && g_options.mode != "download") {
        std::fprintf(stderr, "usage: appshot {version|download} [--rect-file FILE] [--release-file FILE] "
                             "[--settle MS]\n");
        return 1;
    }

    zel::app::CZelSATAApp app;
    char directory[MAX_PATH] = {};
    zel::platform::programDirectory(directory, sizeof directory);
    const bool japanese = zel::app::isJapaneseLocale(zel::platform::getUserDefaultLcid());
    app.resourceLibrary =
        zel::platform::Library::load((std::string(directory) + (japanese ? "ZelSATARes.dll" : "ZelSATAResUS.dll")).c_str());
    if (!app.resourceLibrary) return 3;

    HANDLE watcher = CreateThread(nullptr, 0, watch, nullptr, 0, nullptr);
    if (watcher == nullptr) return 4;
    CloseHandle(watcher);
    if (g_options.mode == "version")
        app.ShowVersionDialog();
    else
        app.CheckForUpdate();
    Sleep(INFINITE); // the watcher ends the program
}
