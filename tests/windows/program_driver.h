#pragma once
// Driving the program's executables from a test under Wine: start them, find their
// windows and message boxes, read and answer them.

#include <zel/platform/library.h>

#include <windows.h>

#include <string>

namespace zel::test {

// A process started from the program's directory, ended if still running at the end.
class Process {
public:
    // Started in `directory` when one is given, else in the test's own.
    explicit Process(const std::string& commandLine, const char* directory = nullptr) {
        STARTUPINFOA startup{};
        startup.cb = sizeof startup;
        std::string line = commandLine;
        started_ = CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, directory, &startup,
                                  &info_) != FALSE;
    }
    ~Process() {
        if (!started_) return;
        if (WaitForSingleObject(info_.hProcess, 0) == WAIT_TIMEOUT) TerminateProcess(info_.hProcess, 99);
        CloseHandle(info_.hThread);
        CloseHandle(info_.hProcess);
    }
    Process(const Process&) = delete;
    Process& operator=(const Process&) = delete;

    bool started() const { return started_; }
    // The exit code once the process ends within the time, else STILL_ACTIVE.
    DWORD waitForExit(DWORD milliseconds) const {
        WaitForSingleObject(info_.hProcess, milliseconds);
        DWORD code = STILL_ACTIVE;
        GetExitCodeProcess(info_.hProcess, &code);
        return code;
    }
    DWORD id() const { return info_.dwProcessId; }

private:
    PROCESS_INFORMATION info_{};
    bool started_ = false;
};

// The quoted full path of a program beside the test.
inline std::string programPath(const char* name = "ZelSATA.exe") {
    char directory[1024];
    const std::size_t length = zel::platform::programDirectory(directory, sizeof directory);
    return length != 0 ? std::string("\"") + directory + name + "\"" : std::string();
}

// The full path of a file in the program's directory.
inline std::string besideThisProgram(const char* file) {
    char directory[1024];
    return zel::platform::programDirectory(directory, sizeof directory) != 0 ? std::string(directory) + file
                                                                             : std::string();
}

// Polls for a window until it appears or the time is up.
template <class Find>
HWND waitForWindow(Find find, DWORD milliseconds = 15000) {
    for (DWORD waited = 0; waited < milliseconds; waited += 50) {
        if (HWND window = find()) return window;
        Sleep(50);
    }
    return nullptr;
}

struct PopupMenuSearch {
    DWORD processId;
    HWND found;
};

inline BOOL CALLBACK matchPopupMenu(HWND window, LPARAM param) {
    auto* search = reinterpret_cast<PopupMenuSearch*>(param);
    char name[16] = {};
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner != search->processId || !IsWindowVisible(window) || GetClassNameA(window, name, sizeof name) == 0 ||
        std::string(name) != "#32768")
        return TRUE;
    search->found = window;
    return FALSE;
}

// The visible popup menu (class "#32768") of the process, if one is up.
inline HWND findPopupMenu(DWORD processId) {
    PopupMenuSearch search{processId, nullptr};
    EnumWindows(matchPopupMenu, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// Chooses item `command` of the device menu as a user does: a left click on the icon shows
// the menu (the program notes what each item names), the menu closes, and the item's
// command arrives. False when no menu came up or it did not close.
inline bool chooseDeviceItem(HWND frame, DWORD processId, WPARAM command) {
    constexpr UINT kTrayNotify = WM_APP + 0x64;
    constexpr LPARAM kTrayIconId = 100;
    PostMessageA(frame, kTrayNotify, kTrayIconId, WM_LBUTTONDOWN);
    if (waitForWindow([&] { return findPopupMenu(processId); }) == nullptr) return false;
    PostMessageA(frame, WM_CANCELMODE, 0, 0); // default processing ends the menu
    if (waitForWindow([&] { return findPopupMenu(processId) == nullptr ? frame : nullptr; }) == nullptr) return false;
    PostMessageA(frame, WM_COMMAND, command, 0);
    return true;
}

struct MessageBoxSearch {
    DWORD processId;
    HWND found;
    const char* caption;
    HWND besides;
};

inline BOOL CALLBACK matchMessageBox(HWND window, LPARAM param) {
    auto* search = reinterpret_cast<MessageBoxSearch*>(param);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    char className[64] = {};
    char caption[64] = {};
    GetClassNameA(window, className, sizeof className);
    GetWindowTextA(window, caption, sizeof caption);
    if (window != search->besides && owner == search->processId && std::string(className) == "#32770" &&
        std::string(caption) == search->caption && IsWindowVisible(window)) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

// The message box (a dialog captioned "ZelSATA", or `caption`) that a process shows, other
// than `besides`.
inline HWND findMessageBox(DWORD processId, const char* caption = "ZelSATA", HWND besides = nullptr) {
    MessageBoxSearch search{processId, nullptr, caption, besides};
    EnumWindows(matchMessageBox, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

inline BOOL CALLBACK collectStaticText(HWND child, LPARAM param) {
    char className[32] = {};
    GetClassNameA(child, className, sizeof className);
    char buffer[512] = {};
    GetWindowTextA(child, buffer, sizeof buffer);
    if (std::string(className) == "Static" && buffer[0] != '\0') *reinterpret_cast<std::string*>(param) = buffer;
    return TRUE;
}

// The static text of a message box.
inline std::string messageText(HWND box) {
    std::string text;
    EnumChildWindows(box, collectStaticText, reinterpret_cast<LPARAM>(&text));
    return text;
}

} // namespace zel::test
