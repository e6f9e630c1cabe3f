// zeldemo: a scripted tour of the running tray program on the simulated PC, for
// scripts/run when no one sits at a display. It starts ZelSATA.exe from its own folder,
// opens the device menu, removes a disk, opens the device list, plugs a disk from
// outside and quits through the uninstall helper, printing what it observed at each
// step (never what it meant to happen). Exit status 0 only when every step was seen.
//
//   zeldemo [--shots DIR]
//
// With --shots, each step worth a picture writes DIR\NAME.rect ("x y width height" of
// the window on the screen) and waits up to ten seconds for DIR\NAME.done, which the
// script creates once it has photographed that area.
#include "card_devices.h"
#include "scenario.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

using namespace zel::test;

constexpr UINT kTrayNotify = 0x8064;
constexpr WPARAM kFirstDeviceItem = 1001;
constexpr int kListId = 1007;

std::string g_shots;
int g_failures = 0;

void say(const char* format, ...) {
    va_list args;
    va_start(args, format);
    std::vprintf(format, args);
    va_end(args);
    std::printf("\n");
    std::fflush(stdout);
}

// A step that was not observed: said, counted, and the tour goes on where it can.
bool expect(bool seen, const char* what) {
    if (!seen) {
        say("  NOT SEEN: %s", what);
        ++g_failures;
    }
    return seen;
}

bool fileExists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

void shoot(HWND window, const char* name) {
    if (g_shots.empty() || window == nullptr) return;
    RECT r{};
    if (!GetWindowRect(window, &r)) return;
    const std::string base = g_shots + "\\" + name;
    if (FILE* out = std::fopen((base + ".rect").c_str(), "w")) {
        std::fprintf(out, "%ld %ld %ld %ld\n", r.left, r.top, r.right - r.left, r.bottom - r.top);
        std::fclose(out);
    }
    for (int waited = 0; waited < 10000 && !fileExists(base + ".done"); waited += 50) Sleep(50);
    if (fileExists(base + ".done")) say("  screenshot: %s.png", name);
}

// The hook (zeldemo_menu.dll) set on the program's thread, which reads its open menu
// from inside; unhooked at the end.
class MenuReader {
public:
    explicit MenuReader(DWORD threadId) : library_(LoadLibraryA(besideThisProgram("zeldemo_menu.dll").c_str())) {
        if (library_ == nullptr) return;
        const auto hook = reinterpret_cast<HOOKPROC>(reinterpret_cast<void*>(GetProcAddress(library_, "ZelDemoMenuHook")));
        if (hook != nullptr) hook_ = SetWindowsHookExA(WH_CALLWNDPROC, hook, library_, threadId);
    }
    ~MenuReader() {
        if (hook_ != nullptr) UnhookWindowsHookEx(hook_);
        if (library_ != nullptr) FreeLibrary(library_);
    }
    MenuReader(const MenuReader&) = delete;
    MenuReader& operator=(const MenuReader&) = delete;

    // The items of the open popup menu, read by the program's own thread.
    std::vector<std::string> items(HWND popup) const {
        std::vector<std::string> items;
        if (hook_ == nullptr) return items;
        const std::string file = besideThisProgram("zeldemo-menu.txt");
        DeleteFileA(file.c_str());
        DWORD_PTR result = 0;
        SendMessageTimeoutA(popup, RegisterWindowMessageA("ZelDemoReadMenu"), 0, 0, SMTO_NORMAL, 5000, &result);
        if (FILE* in = std::fopen(file.c_str(), "r")) {
            char line[300];
            while (std::fgets(line, sizeof line, in) != nullptr) {
                std::string text(line);
                while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
                items.push_back(text);
            }
            std::fclose(in);
        }
        DeleteFileA(file.c_str());
        return items;
    }

private:
    HMODULE library_;
    HHOOK hook_ = nullptr;
};

const MenuReader* g_menuReader = nullptr;

// The items of a popup menu on the screen: read through its window where the system
// allows it, else through the hook.
std::vector<std::string> menuItems(HWND popup) {
    std::vector<std::string> items;
    const auto menu = reinterpret_cast<HMENU>(SendMessageA(popup, MN_GETHMENU, 0, 0));
    const int count = menu != nullptr ? GetMenuItemCount(menu) : -1;
    for (int i = 0; i < count; ++i) {
        char text[256] = {};
        GetMenuStringA(menu, static_cast<UINT>(i), text, sizeof text, MF_BYPOSITION);
        items.emplace_back(text);
    }
    if (items.empty() && g_menuReader != nullptr) items = g_menuReader->items(popup);
    return items;
}

// Shows the device menu with a left click on the icon, as the icon's owner sees it;
// its items (empty when none could be read), the menu closed again.
std::vector<std::string> showDeviceMenu(HWND frame, DWORD processId, const char* shot) {
    PostMessageA(frame, kTrayNotify, 100, WM_LBUTTONDOWN);
    HWND popup = waitForWindow([&] { return findPopupMenu(processId); });
    if (!expect(popup != nullptr, "the device menu")) return {};
    Sleep(300);
    const std::vector<std::string> items = menuItems(popup);
    RECT r{};
    GetWindowRect(popup, &r);
    if (items.empty()) {
        say("  device menu shown (%ld x %ld pixels); its items could not be read", r.right - r.left,
            r.bottom - r.top);
    } else {
        say("  device menu shown, %zu items:", items.size());
        for (const std::string& item : items) say("    %s", item.c_str());
    }
    shoot(popup, shot);
    PostMessageA(frame, WM_CANCELMODE, 0, 0);
    expect(waitForWindow([&] { return findPopupMenu(processId) == nullptr ? frame : nullptr; }) != nullptr,
           "the device menu closing");
    return items;
}

// Answers the next message box of the process with OK; its text.
std::string answerBox(DWORD processId, const char* shot, HWND besides = nullptr) {
    HWND box = waitForWindow([&] { return findMessageBox(processId, "ZelSATA", besides); });
    if (!expect(box != nullptr, "a message box")) return {};
    Sleep(300);
    const std::string text = messageText(box);
    say("  message box \"ZelSATA\" shown");
    shoot(box, shot);
    PostMessageA(box, WM_COMMAND, IDOK, 0);
    waitForWindow([&] { return IsWindow(box) ? nullptr : box; }, 5000);
    return text;
}

void sayRows(const RemoteList& rows) {
    for (int row = 0; row < rows.count(); ++row)
        say("    %s | %s | %s", rows.text(row, 0).c_str(), rows.text(row, 1).c_str(), rows.text(row, 2).c_str());
}

bool contains(const std::vector<std::string>& items, const std::string& part) {
    for (const std::string& item : items)
        if (item.find(part) != std::string::npos) return true;
    return false;
}

int tour() {
    OutsideHand hand("zeldemo");
    say("1. start ZelSATA.exe on the simulated PC");
    Process program(programPath());
    if (!expect(program.started(), "the program starting")) return 1;
    HWND frame = waitForWindow([] { return FindWindowA("ZelSATAFrame", "ZelSATA"); });
    if (!expect(frame != nullptr, "its main window (class ZelSATAFrame, title ZelSATA)")) return 1;
    say("  main window found: class ZelSATAFrame, title ZelSATA, process %lu", program.id());
    if (expect(eventually([&] { return trayIconShown(frame); }), "its tray icon")) say("  tray icon shown");
    const MenuReader reader(GetWindowThreadProcessId(frame, nullptr));
    g_menuReader = &reader;

    say("2. left click on the icon: the device menu");
    const std::vector<std::string> before = showDeviceMenu(frame, program.id(), "1-device-menu");
    if (!before.empty()) expect(contains(before, "E:"), "an item for the disk on E:");

    say("3. remove the disk of the first item (E:)");
    PostMessageA(frame, kTrayNotify, 100, WM_LBUTTONDOWN);
    if (waitForWindow([&] { return findPopupMenu(program.id()); }) != nullptr) {
        PostMessageA(frame, WM_CANCELMODE, 0, 0);
        waitForWindow([&] { return findPopupMenu(program.id()) == nullptr ? frame : nullptr; });
        PostMessageA(frame, WM_COMMAND, kFirstDeviceItem, 0);
        const std::string text = answerBox(program.id(), "2-removed");
        say("  message: \"%s\"", text.c_str());
    } else {
        expect(false, "the device menu");
    }
    expect(eventually([] { return !removalUnderWay(); }), "the removal ending");
    const std::vector<std::string> after = showDeviceMenu(frame, program.id(), "3-device-menu-after");
    if (!after.empty() && expect(!contains(after, "E:"), "the next menu without the disk on E:"))
        say("  the disk on E: is gone from the menu");

    say("4. double click on the icon: the device list");
    PostMessageA(frame, kTrayNotify, 100, WM_LBUTTONDBLCLK);
    HWND dialog = waitForWindow([&] { return findDialogWith(program.id(), kListId); });
    if (expect(dialog != nullptr, "the device list dialog")) {
        RemoteList rows(GetDlgItem(dialog, kListId), program.id());
        say("  device list dialog shown, %d rows:", rows.count());
        sayRows(rows);
        const std::vector<std::string> letters = rows.column(1);
        if (expect(rows.count() > 0 && !contains(letters, "E:"), "the list without the disk on E:"))
            say("  the disk on E: is gone from the list");
        Sleep(300);
        shoot(dialog, "4-device-list");

        say("5. plug a disk from outside (the one on E: comes back) and broadcast the change");
        const int count = rows.count();
        expect(hand.plug(kWdcDisk, kCard) && OutsideHand::broadcast(), "the plug and the broadcast");
        if (expect(eventually([&] { return rows.count() == count + 1; }), "the list growing by one row")) {
            say("  device list refilled, %d rows:", rows.count());
            sayRows(rows);
            if (expect(contains(rows.column(1), "E:"), "the plugged disk's row with E:"))
                say("  the disk on E: is back in the list");
        }
        Sleep(300);
        shoot(dialog, "5-device-list-plugged");
        PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
        expect(eventually([&] { return !IsWindow(dialog); }), "the device list closing");
    }

    say("6. quit through the uninstall helper (ZelUninst.exe 1)");
    Process uninstall(programPath("ZelUninst.exe") + " 1");
    const DWORD helperCode = uninstall.waitForExit(15000);
    const DWORD programCode = program.waitForExit(15000);
    say("  ZelUninst.exe exit status %lu; ZelSATA.exe %s", helperCode,
        programCode == STILL_ACTIVE ? "still running" : ("ended with status " + std::to_string(programCode)).c_str());
    expect(helperCode == 0 && programCode == 0, "the program ending by itself");
    return g_failures == 0 ? 0 : 1;
}

} // namespace

int main(int argc, char** argv) {
    for (int i = 1; i + 1 < argc; ++i)
        if (std::strcmp(argv[i], "--shots") == 0) g_shots = argv[++i];
    const int status = tour();
    say(status == 0 ? "every step observed" : "%d step(s) not observed", g_failures);
    return status;
}
