// Windows' question before a device goes: WM_DEVICECHANGE with DBT_DEVICEQUERYREMOVE, sent
// to every top-level window and waited for. Here the windows of this process are asked,
// each given a few seconds, as Windows gives up on a program that does not answer.
//
// For tests: ZELSTANDIN_QUESTION_DELAY (milliseconds) holds the removal before it asks, as
// a slow disk would, so that something can happen meanwhile; ZELSTANDIN_LOG names a file
// that gets one line per question with the number of windows that did not answer.
#include "removal_question.h"

#include <windows.h>
#include <dbt.h>

#include "model.h" // the simulated machine's hook for the question (platform/sim/src)

#include <cstdio>
#include <cstdlib>
#include <vector>

namespace zel::standin {
namespace {

constexpr UINT kAnswerMilliseconds = 5000;

// Each removal is asked about by its own thread before the machine's lock is taken; the
// machine's hook then only reads the answer.
thread_local bool windowsAgreed = true;
bool gatheredAnswer() { return windowsAgreed; }
const bool hookInstalled = (sim::detail::setRemovalQuestion(&gatheredAnswer), true);

BOOL CALLBACK collectOurs(HWND window, LPARAM windows) {
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    if (process == GetCurrentProcessId()) reinterpret_cast<std::vector<HWND>*>(windows)->push_back(window);
    return TRUE;
}

DWORD environmentNumber(const char* name) {
    char text[32] = {};
    const DWORD length = GetEnvironmentVariableA(name, text, sizeof text);
    return length > 0 && length < sizeof text ? static_cast<DWORD>(std::strtoul(text, nullptr, 10)) : 0;
}

void logLine(int windows, int unanswered) {
    char path[MAX_PATH] = {};
    const DWORD length = GetEnvironmentVariableA("ZELSTANDIN_LOG", path, sizeof path);
    if (length == 0 || length >= sizeof path) return;
    char line[96];
    const int size = std::snprintf(line, sizeof line, "removal question: %d windows, %d unanswered\r\n", windows,
                                   unanswered);
    HANDLE file = CreateFileA(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return;
    DWORD written = 0;
    WriteFile(file, line, static_cast<DWORD>(size), &written, nullptr);
    CloseHandle(file);
}

} // namespace

void askWindowsBeforeRemoval() {
    (void)hookInstalled;
    if (const DWORD delay = environmentNumber("ZELSTANDIN_QUESTION_DELAY")) Sleep(delay);
    std::vector<HWND> windows;
    EnumWindows(collectOurs, reinterpret_cast<LPARAM>(&windows));
    DEV_BROADCAST_HDR header{};
    header.dbch_size = sizeof header;
    header.dbch_devicetype = DBT_DEVTYP_DEVNODE;
    int unanswered = 0;
    bool agreed = true;
    for (HWND window : windows) {
        DWORD_PTR answer = 0;
        if (SendMessageTimeoutA(window, WM_DEVICECHANGE, DBT_DEVICEQUERYREMOVE, reinterpret_cast<LPARAM>(&header),
                                SMTO_NORMAL, kAnswerMilliseconds, &answer) == 0)
            ++unanswered;
        else if (answer == BROADCAST_QUERY_DENY)
            agreed = false;
    }
    logLine(static_cast<int>(windows.size()), unanswered);
    windowsAgreed = agreed;
}

} // namespace zel::standin
