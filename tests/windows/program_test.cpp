// ZelSATA.exe as a user meets it under Wine: it starts hidden, refuses a second copy
// with its built-in message, and quits when its main window is asked to close.
#include <zel/platform/library.h>

#include <gtest/gtest.h>

#include <windows.h>

#include <string>

namespace {

// A process started from the program's directory, ended if still running at the end.
class Process {
public:
    explicit Process(const std::string& commandLine) {
        STARTUPINFOA startup{};
        startup.cb = sizeof startup;
        std::string line = commandLine;
        started_ = CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
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

std::string programPath() {
    char directory[1024];
    const std::size_t length = zel::platform::programDirectory(directory, sizeof directory);
    return length != 0 ? std::string("\"") + directory + "ZelSATA.exe\"" : std::string();
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

struct MessageBoxSearch {
    DWORD processId;
    HWND found;
};

BOOL CALLBACK matchMessageBox(HWND window, LPARAM param) {
    auto* search = reinterpret_cast<MessageBoxSearch*>(param);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    char className[64] = {};
    char caption[64] = {};
    GetClassNameA(window, className, sizeof className);
    GetWindowTextA(window, caption, sizeof caption);
    if (owner == search->processId && std::string(className) == "#32770" && std::string(caption) == "ZelSATA") {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

// The message box (a dialog captioned "ZelSATA") that a process shows.
HWND findMessageBox(DWORD processId) {
    MessageBoxSearch search{processId, nullptr};
    EnumWindows(matchMessageBox, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

BOOL CALLBACK collectStaticText(HWND child, LPARAM param) {
    char className[32] = {};
    GetClassNameA(child, className, sizeof className);
    char buffer[512] = {};
    GetWindowTextA(child, buffer, sizeof buffer);
    if (std::string(className) == "Static" && buffer[0] != '\0') *reinterpret_cast<std::string*>(param) = buffer;
    return TRUE;
}

// The static text of a message box.
std::string messageText(HWND box) {
    std::string text;
    EnumChildWindows(box, collectStaticText, reinterpret_cast<LPARAM>(&text));
    return text;
}

TEST(Program, StartsHiddenRefusesASecondCopyAndQuitsOnClose) {
    const std::string path = programPath();
    ASSERT_FALSE(path.empty());

    Process first(path);
    ASSERT_TRUE(first.started());
    HWND frame = waitForWindow([] { return FindWindowA("ZelSATAFrame", "ZelSATA"); });
    ASSERT_NE(frame, nullptr) << "the main window, found by its title";
    EXPECT_FALSE(IsWindowVisible(frame));
    EXPECT_EQ(first.waitForExit(0), STILL_ACTIVE);

    Process second(path);
    ASSERT_TRUE(second.started());
    HWND box = waitForWindow([&] { return findMessageBox(second.id()); });
    ASSERT_NE(box, nullptr) << "the second copy says it is already running";
    EXPECT_EQ(messageText(box), "It has already started.");
    PostMessageA(box, WM_COMMAND, IDOK, 0);
    EXPECT_NE(second.waitForExit(15000), STILL_ACTIVE) << "the second copy ends";
    EXPECT_EQ(first.waitForExit(0), STILL_ACTIVE) << "the first copy keeps running";

    PostMessageA(frame, WM_CLOSE, 0, 0);
    EXPECT_EQ(first.waitForExit(15000), 0u) << "WM_CLOSE ends the program";
    EXPECT_EQ(FindWindowA("ZelSATAFrame", "ZelSATA"), nullptr);
}

} // namespace
