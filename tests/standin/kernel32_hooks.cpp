// kernel32's device calls, taken over in every module of the process: the import
// address tables of all loaded modules are patched when the stand-in loads, and again
// after every LoadLibrary* call, so modules loaded later (the search library is loaded
// and freed at each rebuild) answer from the simulated machine too. Windows' own modules
// keep the real calls. Handles and paths that are not the simulated machine's pass
// through to kernel32.
#include "live_objects.h"
#include "standin_control.h"

#include <windows.h>
#include <tlhelp32.h>

#include <zel/sim/machine.h>

#include <cctype>
#include <cstdio>
#include <cstring>
#include <string>

using namespace zel;

namespace zel::standin {

std::recursive_mutex& lock() {
    static std::recursive_mutex* const instance = new std::recursive_mutex;
    return *instance;
}
Live<SimDevice>& devices() {
    static auto* const instance = new Live<SimDevice>;
    return *instance;
}
Live<SimFind>& finds() {
    static auto* const instance = new Live<SimFind>;
    return *instance;
}
Live<SimSet>& sets() {
    static auto* const instance = new Live<SimSet>;
    return *instance;
}

} // namespace zel::standin

namespace {

HMODULE self = nullptr;

bool startsWith(const char* text, const char* prefix) { return std::strncmp(text, prefix, std::strlen(prefix)) == 0; }

// "\\.\X" and "\\?\X" paths are devices; named pipes and mailslots stay Windows'.
bool devicePath(const char* path) {
    if (path == nullptr || !(startsWith(path, "\\\\.\\") || startsWith(path, "\\\\?\\"))) return false;
    char lower[16] = {};
    for (int i = 0; i < 15 && path[4 + i] != '\0'; ++i) lower[i] = static_cast<char>(std::tolower(path[4 + i]));
    return !startsWith(lower, "pipe\\") && !startsWith(lower, "mailslot\\");
}

// "X:\\name": a file in a drive's root, which the simulated machine answers for every
// letter (the letters are the machine's). Deeper paths and wildcards stay Windows'.
bool rootFile(const char* path) {
    if (path == nullptr || path[0] == '\0' || path[1] != ':' || path[2] != '\\' || path[3] == '\0') return false;
    return std::isalpha(static_cast<unsigned char>(path[0])) && std::strpbrk(path + 3, "\\/*?") == nullptr;
}

HANDLE WINAPI hookCreateFileA(LPCSTR path, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES security,
                              DWORD disposition, DWORD flags, HANDLE templateFile) {
    if (!devicePath(path)) return CreateFileA(path, access, share, security, disposition, flags, templateFile);
    std::lock_guard guard(standin::lock());
    // Opened for queries (no access) or to read the layout; writing is not modelled.
    platform::DeviceHandle handle;
    if (access == 0)
        handle = platform::DeviceHandle::openForQuery(path);
    else if (access == GENERIC_READ)
        handle = platform::openForRead(path);
    if (!handle) {
        SetLastError(access == 0 || access == GENERIC_READ ? ERROR_FILE_NOT_FOUND : ERROR_ACCESS_DENIED);
        return INVALID_HANDLE_VALUE;
    }
    auto device = std::make_unique<standin::SimDevice>();
    device->handle = std::move(handle);
    return standin::devices().add(std::move(device));
}

BOOL WINAPI hookDeviceIoControl(HANDLE device, DWORD code, LPVOID in, DWORD inSize, LPVOID out, DWORD outSize,
                                LPDWORD returned, LPOVERLAPPED overlapped) {
    {
        std::lock_guard guard(standin::lock());
        standin::SimDevice* d = standin::devices().find(device);
        if (d != nullptr) {
            if (returned == nullptr && overlapped == nullptr) {
                SetLastError(ERROR_INVALID_PARAMETER);
                return FALSE;
            }
            std::uint32_t count = 0;
            const bool ok = platform::deviceIoControl(d->handle, code, out, outSize, count);
            if (returned != nullptr) *returned = count;
            if (ok) return TRUE;
            // The smallest buffer each known query accepts; below it the size is the fault.
            const DWORD smallest = code == platform::kIoctlStorageGetDeviceNumber ? sizeof(platform::StorageDeviceNumber)
                                   : code == platform::kIoctlDiskGetDriveLayout     ? platform::kDriveLayoutInfoSize
                                   : code == platform::kIoctlDiskGetDriveLayoutEx   ? platform::kDriveLayoutInfoExSize
                                                                                    : 0;
            SetLastError(smallest == 0          ? ERROR_INVALID_FUNCTION
                         : outSize < smallest   ? ERROR_INSUFFICIENT_BUFFER
                                                : ERROR_NOT_SUPPORTED);
            return FALSE;
        }
    }
    return DeviceIoControl(device, code, in, inSize, out, outSize, returned, overlapped);
}

BOOL WINAPI hookCloseHandle(HANDLE handle) {
    {
        std::lock_guard guard(standin::lock());
        if (standin::devices().remove(handle) || standin::closeProcessObject(handle)) return TRUE;
    }
    return CloseHandle(handle);
}

DWORD WINAPI hookGetLogicalDrives() {
    std::lock_guard guard(standin::lock());
    return platform::getLogicalDrives();
}

UINT WINAPI hookGetDriveTypeA(LPCSTR root) {
    std::lock_guard guard(standin::lock());
    return platform::getDriveType(root);
}

HANDLE WINAPI hookFindFirstFileA(LPCSTR path, LPWIN32_FIND_DATAA data) {
    if (!rootFile(path)) return FindFirstFileA(path, data);
    std::lock_guard guard(standin::lock());
    if (data == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return INVALID_HANDLE_VALUE;
    }
    if (!platform::fileExists(path)) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }
    std::memset(data, 0, sizeof *data);
    data->dwFileAttributes = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
    std::snprintf(data->cFileName, sizeof data->cFileName, "%s", path + 3);
    return standin::finds().add(std::make_unique<standin::SimFind>());
}

BOOL WINAPI hookFindClose(HANDLE find) {
    {
        std::lock_guard guard(standin::lock());
        if (standin::finds().remove(find)) return TRUE;
    }
    return FindClose(find);
}

// The two directories as the machine's system section gives them: the length written,
// or the size needed (terminator included) when the buffer is too small.
UINT directory(const std::optional<std::string> sim::System::*which, char* buffer, UINT size,
               std::uint32_t (*call)(char*, std::uint32_t)) {
    std::lock_guard guard(standin::lock());
    const std::uint32_t written = call(buffer, size);
    if (written != 0) return written;
    const std::optional<std::string>& path = sim::current().system.*which;
    if (!path) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return 0;
    }
    return static_cast<UINT>(path->size() + 1);
}

UINT WINAPI hookGetWindowsDirectoryA(LPSTR buffer, UINT size) {
    return directory(&sim::System::windowsDirectory, buffer, size, platform::getWindowsDirectory);
}

DWORD WINAPI hookGetCurrentDirectoryA(DWORD size, LPSTR buffer) {
    return directory(&sim::System::currentDirectory, buffer, size, platform::getCurrentDirectory);
}

void patchAll();

HMODULE WINAPI hookLoadLibraryA(LPCSTR name) {
    HMODULE module = LoadLibraryA(name);
    patchAll();
    return module;
}
HMODULE WINAPI hookLoadLibraryW(LPCWSTR name) {
    HMODULE module = LoadLibraryW(name);
    patchAll();
    return module;
}
HMODULE WINAPI hookLoadLibraryExA(LPCSTR name, HANDLE file, DWORD flags) {
    HMODULE module = LoadLibraryExA(name, file, flags);
    patchAll();
    return module;
}
HMODULE WINAPI hookLoadLibraryExW(LPCWSTR name, HANDLE file, DWORD flags) {
    HMODULE module = LoadLibraryExW(name, file, flags);
    patchAll();
    return module;
}

struct Hook {
    const char* name;
    void* replacement;
};

const Hook kHooks[] = {
    {"CreateFileA", reinterpret_cast<void*>(hookCreateFileA)},
    {"DeviceIoControl", reinterpret_cast<void*>(hookDeviceIoControl)},
    {"CloseHandle", reinterpret_cast<void*>(hookCloseHandle)},
    {"GetLogicalDrives", reinterpret_cast<void*>(hookGetLogicalDrives)},
    {"GetDriveTypeA", reinterpret_cast<void*>(hookGetDriveTypeA)},
    {"FindFirstFileA", reinterpret_cast<void*>(hookFindFirstFileA)},
    {"FindClose", reinterpret_cast<void*>(hookFindClose)},
    {"GetWindowsDirectoryA", reinterpret_cast<void*>(hookGetWindowsDirectoryA)},
    {"GetCurrentDirectoryA", reinterpret_cast<void*>(hookGetCurrentDirectoryA)},
    {"LoadLibraryA", reinterpret_cast<void*>(hookLoadLibraryA)},
    {"LoadLibraryW", reinterpret_cast<void*>(hookLoadLibraryW)},
    {"LoadLibraryExA", reinterpret_cast<void*>(hookLoadLibraryExA)},
    {"LoadLibraryExW", reinterpret_cast<void*>(hookLoadLibraryExW)},
};

// Points a module's kernel32 and advapi32 imports of the hooked names at the replacements.
void patchModule(unsigned char* base) {
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    if (dos->e_magic != IMAGE_DOS_SIGNATURE) return;
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY& dir = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    if (dir.VirtualAddress == 0) return;
    for (auto* d = reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(base + dir.VirtualAddress); d->Name != 0; ++d) {
        const char* library = reinterpret_cast<const char*>(base + d->Name);
        if ((_stricmp(library, "kernel32.dll") != 0 && _stricmp(library, "advapi32.dll") != 0) ||
            d->OriginalFirstThunk == 0)
            continue;
        auto* names = reinterpret_cast<const IMAGE_THUNK_DATA*>(base + d->OriginalFirstThunk);
        auto* slots = reinterpret_cast<IMAGE_THUNK_DATA*>(base + d->FirstThunk);
        for (; names->u1.AddressOfData != 0; ++names, ++slots) {
            if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal)) continue;
            const auto* byName = reinterpret_cast<const IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData);
            const char* name = reinterpret_cast<const char*>(byName->Name);
            void* replacement = standin::processHook(name);
            for (const Hook& h : kHooks)
                if (std::strcmp(name, h.name) == 0) replacement = h.replacement;
            if (replacement != nullptr) {
                const auto value = reinterpret_cast<ULONG_PTR>(replacement);
                if (slots->u1.Function == value) continue;
                DWORD old = 0;
                if (VirtualProtect(&slots->u1.Function, sizeof slots->u1.Function, PAGE_READWRITE, &old)) {
                    slots->u1.Function = value;
                    VirtualProtect(&slots->u1.Function, sizeof slots->u1.Function, old, &old);
                }
            }
        }
    }
}

// Every module of the process but this one and Windows' own (those in its directory).
void patchAll() {
    char windows[MAX_PATH] = {};
    const UINT length = GetWindowsDirectoryA(windows, sizeof windows);
    const HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPMODULE, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return;
    MODULEENTRY32 entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Module32First(snapshot, &entry); more; more = Module32Next(snapshot, &entry)) {
        if (entry.hModule == self) continue;
        if (length > 0 && length < sizeof windows && _strnicmp(entry.szExePath, windows, length) == 0) continue;
        patchModule(entry.modBaseAddr);
    }
    CloseHandle(snapshot);
}

} // namespace

extern "C" {

int WINAPI ZelStandIn_LoadMachine(const char* path) {
    std::lock_guard guard(standin::lock());
    std::string error;
    auto machine = sim::loadMachineFile(path != nullptr ? path : "", error);
    if (!machine) {
        std::fprintf(stderr, "stand-in: %s\n", error.c_str());
        return FALSE;
    }
    sim::install(std::move(*machine));
    return TRUE;
}

int WINAPI ZelStandIn_AddFault(const char* op, const char* subject, unsigned skip, unsigned times) {
    std::lock_guard guard(standin::lock());
    for (int i = 0; i < static_cast<int>(sim::Op::count_); ++i) {
        const auto candidate = static_cast<sim::Op>(i);
        if (op == nullptr || std::strcmp(sim::opName(candidate), op) != 0) continue;
        sim::addFault(sim::Fault{candidate, subject != nullptr ? subject : "", skip, times});
        return TRUE;
    }
    return FALSE;
}

void WINAPI ZelStandIn_OpenHandles(ZelStandInHandles* counts) {
    if (counts == nullptr) return;
    std::lock_guard guard(standin::lock());
    const sim::HandleCounts open = sim::openHandles();
    counts->devices = open.devices;
    counts->infoSets = open.infoSets;
    counts->finds = standin::finds().size();
    counts->processes = standin::processes().size();
    counts->files = standin::openFiles().size();
    counts->debugPrivilege = standin::debugPrivilegeEnabled() ? 1 : 0;
}

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) {
        self = instance;
        DisableThreadLibraryCalls(instance);
        patchAll();
    }
    return TRUE;
}

} // extern "C"
