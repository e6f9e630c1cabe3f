#pragma once
// End-to-end scenarios of the running program on the simulated PC: which machine it
// starts on, disks plugged and pulled from outside while it runs, and what the test can
// see of its tray icon, its windows and its list from another process.
#include "program_driver.h"

#include <windows.h>

#include <commctrl.h>
#include <shellapi.h>

#include <string>
#include <vector>

namespace zel::test {

// The program's directory, with its trailing backslash.
inline std::string programDirectory() {
    char directory[1024];
    const std::size_t length = zel::platform::programDirectory(directory, sizeof directory);
    return std::string(directory, length);
}

// The text of a string of the English user-interface library.
inline std::string englishText(UINT id) {
    HMODULE library = LoadLibraryA((programDirectory() + "ZelSATAResUS.dll").c_str());
    char text[256] = {};
    if (library != nullptr) {
        LoadStringA(library, id, text, sizeof text);
        FreeLibrary(library);
    }
    return text;
}

// Sets an environment variable for the processes started in its lifetime.
class ScopedEnvironment {
public:
    ScopedEnvironment(const char* name, const std::string& value) : name_(name) {
        char old[1024];
        const DWORD length = GetEnvironmentVariableA(name, old, sizeof old);
        had_ = length > 0 && length < sizeof old;
        if (had_) old_.assign(old, length);
        SetEnvironmentVariableA(name, value.c_str());
    }
    ~ScopedEnvironment() { SetEnvironmentVariableA(name_, had_ ? old_.c_str() : nullptr); }
    ScopedEnvironment(const ScopedEnvironment&) = delete;
    ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

private:
    const char* name_;
    std::string old_;
    bool had_ = false;
};

// A hand at the simulated PC: the events file the program follows, and the device-change
// broadcast that makes it look. The program runs on the machine file `machine` (beside
// the test; empty: the built-in machine).
class OutsideHand {
public:
    explicit OutsideHand(const std::string& name, const std::string& machine = {})
        : path_(programDirectory() + name + ".events"), events_("ZELSIM_EVENTS", path_),
          machine_("ZELSIM_MACHINE", machine.empty() ? std::string() : programDirectory() + machine) {
        DeleteFileA(path_.c_str());
    }
    ~OutsideHand() { DeleteFileA(path_.c_str()); }
    OutsideHand(const OutsideHand&) = delete;
    OutsideHand& operator=(const OutsideHand&) = delete;

    // Plugs a node given as a machine file's node object (JSON) under a present node.
    bool plug(const std::string& node, const std::string& parent) {
        return append("{\"under\": " + quoted(parent) + ", \"plug\": " + node + "}\n");
    }
    bool pull(const std::string& instanceId) { return append("{\"pull\": " + quoted(instanceId) + "}\n"); }
    // A program opens a file ("E:\\notes.txt"), or closes it again.
    bool open(const std::string& path, unsigned processId, const std::string& image) {
        return append("{\"open\": " + quoted(path) + ", \"process\": " + std::to_string(processId) +
                      ", \"image\": " + quoted(image) + "}\n");
    }
    bool close(const std::string& path, unsigned processId) {
        return append("{\"close\": " + quoted(path) + ", \"process\": " + std::to_string(processId) + "}\n");
    }

    // Tells the program's main window that device nodes changed, and waits until it has
    // handled that.
    static bool broadcast() {
        HWND frame = FindWindowA(nullptr, "ZELSATA");
        DWORD_PTR result = 0;
        return frame != nullptr &&
               SendMessageTimeoutA(frame, WM_DEVICECHANGE, 7, 0, SMTO_NORMAL, 15000, &result) != 0;
    }

private:
    static std::string quoted(const std::string& text) {
        std::string out = "\"";
        for (char c : text) {
            if (c == '\\' || c == '"') out += '\\';
            out += c;
        }
        return out + "\"";
    }
    bool append(const std::string& line) {
        HANDLE file = CreateFileA(path_.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                  OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE) return false;
        DWORD written = 0;
        const bool ok = WriteFile(file, line.data(), static_cast<DWORD>(line.size()), &written, nullptr) != FALSE &&
                        written == line.size();
        CloseHandle(file);
        return ok;
    }

    std::string path_;
    ScopedEnvironment events_;
    ScopedEnvironment machine_;
};

// Whether the program's tray icon (its frame's icon 100) is in the notification area:
// changing nothing of an icon succeeds only for an icon that is there.
inline bool trayIconShown(HWND frame) {
    NOTIFYICONDATAA data{};
    data.cbSize = sizeof data;
    data.hWnd = frame;
    data.uID = 100;
    data.uFlags = 0;
    return Shell_NotifyIconA(NIM_MODIFY, &data) != FALSE;
}

// Whether the program is still inside a removal: it holds the removal marker, and
// ignores device-change broadcasts until it lets it go.
inline bool removalUnderWay() {
    for (const char* name : {"ZelDeviceRemove", "Global\\ZelDeviceRemove"}) {
        if (HANDLE marker = OpenMutexA(SYNCHRONIZE, FALSE, name)) {
            CloseHandle(marker);
            return true;
        }
    }
    return false;
}

// Polls until a condition holds or the time is up.
template <class Condition>
bool eventually(Condition condition, DWORD milliseconds = 15000) {
    for (DWORD waited = 0; waited < milliseconds; waited += 50) {
        if (condition()) return true;
        Sleep(50);
    }
    return condition();
}

struct DialogSearch {
    DWORD processId;
    int childId;
    HWND found;
};

inline BOOL CALLBACK matchDialog(HWND window, LPARAM param) {
    auto* search = reinterpret_cast<DialogSearch*>(param);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    char className[64] = {};
    GetClassNameA(window, className, sizeof className);
    if (owner == search->processId && std::string(className) == "#32770" && IsWindowVisible(window) &&
        GetDlgItem(window, search->childId) != nullptr) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

// The visible dialog of a process that has a control of that id.
inline HWND findDialogWith(DWORD processId, int childId) {
    DialogSearch search{processId, childId, nullptr};
    EnumWindows(matchDialog, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// Memory inside another process, for list-view messages whose parameters are pointers.
class RemoteBuffer {
public:
    RemoteBuffer(DWORD processId, std::size_t size)
        : process_(OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, processId)),
          size_(size) {
        if (process_ != nullptr)
            address_ = VirtualAllocEx(process_, nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
    }
    ~RemoteBuffer() {
        if (address_ != nullptr) VirtualFreeEx(process_, address_, 0, MEM_RELEASE);
        if (process_ != nullptr) CloseHandle(process_);
    }
    RemoteBuffer(const RemoteBuffer&) = delete;
    RemoteBuffer& operator=(const RemoteBuffer&) = delete;

    explicit operator bool() const { return address_ != nullptr; }
    char* at(std::size_t offset) const { return static_cast<char*>(address_) + offset; }
    bool write(std::size_t offset, const void* data, std::size_t size) const {
        SIZE_T done = 0;
        return offset + size <= size_ && WriteProcessMemory(process_, at(offset), data, size, &done) && done == size;
    }
    bool read(std::size_t offset, void* data, std::size_t size) const {
        SIZE_T done = 0;
        return offset + size <= size_ && ReadProcessMemory(process_, at(offset), data, size, &done) && done == size;
    }

private:
    HANDLE process_;
    void* address_ = nullptr;
    std::size_t size_;
};

// The list view of another process, read the way its own code would.
class RemoteList {
public:
    RemoteList(HWND list, DWORD processId) : list_(list), buffer_(processId, kItemSize + kTextSize) {}

    int count() const { return static_cast<int>(SendMessageA(list_, LVM_GETITEMCOUNT, 0, 0)); }

    std::string text(int row, int column) const {
        LVITEMA item{};
        item.iSubItem = column;
        item.pszText = buffer_.at(kItemSize);
        item.cchTextMax = kTextSize;
        char text[kTextSize] = {};
        if (!buffer_ || !buffer_.write(0, &item, sizeof item)) return "?";
        SendMessageA(list_, LVM_GETITEMTEXTA, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(buffer_.at(0)));
        if (!buffer_.read(kItemSize, text, sizeof text)) return "?";
        text[kTextSize - 1] = '\0';
        return text;
    }

    std::vector<std::string> column(int column) const {
        std::vector<std::string> texts;
        for (int row = 0; row < count(); ++row) texts.push_back(text(row, column));
        return texts;
    }

    // The row's rectangle on the screen.
    bool rowOnScreen(int row, RECT& rect) const {
        RECT bounds{};
        bounds.left = LVIR_LABEL;
        if (!buffer_ || !buffer_.write(0, &bounds, sizeof bounds)) return false;
        if (SendMessageA(list_, LVM_GETITEMRECT, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(buffer_.at(0))) ==
            0)
            return false;
        if (!buffer_.read(0, &rect, sizeof rect)) return false;
        MapWindowPoints(list_, nullptr, reinterpret_cast<POINT*>(&rect), 2);
        return true;
    }

private:
    static constexpr std::size_t kItemSize = 256;
    static constexpr int kTextSize = 512;
    HWND list_;
    RemoteBuffer buffer_;
};

// Starts a program of the host (such as xdotool, by its path on Wine's drive Z:). Wine
// reports neither its end nor its exit code, so callers wait for what it does.
inline bool startHostProgram(const std::string& commandLine) {
    Process process("Z:" + commandLine);
    return process.started();
}

} // namespace zel::test
