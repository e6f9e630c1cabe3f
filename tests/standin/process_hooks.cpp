// The process side of the stand-in: the programs of the simulated machine and the files
// they hold open, as the holder search asks for them. The system handle table and the
// process list (ntdll, found through GetProcAddress), OpenProcess, DuplicateHandle,
// GetFileType, the object name, QueryDosDeviceA and the debug privilege answer from the
// machine; every other process, handle and drive goes to Windows.
#include "live_objects.h"

#include <windows.h>

#include <zel/platform/holders.h>
#include <zel/sim/machine.h>

#include <cstring>
#include <string>
#include <vector>

using namespace zel;

namespace zel::standin {

Live<SimProcess>& processes() {
    static auto* const instance = new Live<SimProcess>;
    return *instance;
}
Live<SimOpenFile>& openFiles() {
    static auto* const instance = new Live<SimOpenFile>;
    return *instance;
}
bool& debugPrivilegeEnabled() {
    static bool enabled = false;
    return enabled;
}

bool closeProcessObject(void* handle) { return processes().remove(handle) || openFiles().remove(handle); }

} // namespace zel::standin

namespace {

using NtStatus = LONG;
constexpr NtStatus kStatusSuccess = 0;
constexpr NtStatus kStatusInfoLengthMismatch = static_cast<NtStatus>(0xC0000004);
constexpr NtStatus kStatusNotImplemented = static_cast<NtStatus>(0xC0000002);
constexpr NtStatus kStatusAccessDenied = static_cast<NtStatus>(0xC0000022);
constexpr ULONG kSystemProcessInformation = 5;
constexpr ULONG kSystemHandleInformation = 16;
constexpr ULONG kObjectNameInformation = 1;
constexpr UCHAR kFileObjectType = 28;

using QuerySystemInformationFn = NtStatus(WINAPI*)(ULONG, PVOID, ULONG, PULONG);
using QueryObjectFn = NtStatus(WINAPI*)(HANDLE, ULONG, PVOID, ULONG, PULONG);

struct HandleEntry {
    ULONG processId;
    UCHAR objectType;
    UCHAR flags;
    USHORT handle;
    PVOID object;
    ACCESS_MASK access;
};
struct NativeString {
    USHORT length;
    USHORT maximum;
    PWSTR buffer;
};
struct ProcessRecord {
    ULONG next;
    ULONG threads;
    LARGE_INTEGER reserved[6];
    NativeString image;
    LONG basePriority;
    HANDLE processId;
};

template <class Function>
Function ntdllFunction(const char* name) {
    HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    return ntdll == nullptr ? nullptr : reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(ntdll, name)));
}

const sim::Process* simProcess(std::uint32_t id) {
    for (const sim::Process& p : sim::current().processes)
        if (p.id == id) return &p;
    return nullptr;
}

// A file's handle value in its program: 4 for its first open, 8 for the second, ...
USHORT handleValue(std::size_t index) { return static_cast<USHORT>(4 * (index + 1)); }

// "\Device\HarddiskVolume5" for E: (the letter's place in the alphabet), as QueryDosDeviceA
// and the object names give it.
std::string volumeDevice(char letter) {
    const char upper = letter >= 'a' && letter <= 'z' ? static_cast<char>(letter - 'a' + 'A') : letter;
    return "\\Device\\HarddiskVolume" + std::to_string(upper - 'A' + 1);
}

bool hasVolume(char letter) {
    for (const sim::Volume& v : sim::current().volumes)
        if (v.letter == (letter >= 'a' && letter <= 'z' ? static_cast<char>(letter - 'a' + 'A') : letter)) return true;
    return false;
}

// Copies `bytes` out when they fit, else reports the size needed.
NtStatus answer(const std::vector<unsigned char>& bytes, PVOID buffer, ULONG size, PULONG returned) {
    if (returned != nullptr) *returned = static_cast<ULONG>(bytes.size());
    if (buffer == nullptr || size < bytes.size()) return kStatusInfoLengthMismatch;
    std::memcpy(buffer, bytes.data(), bytes.size());
    return kStatusSuccess;
}

NtStatus handleTable(PVOID buffer, ULONG size, PULONG returned) {
    std::vector<HandleEntry> entries;
    for (const sim::Process& p : sim::current().processes)
        for (std::size_t i = 0; i < p.openFiles.size(); ++i)
            entries.push_back({p.id, kFileObjectType, 0, handleValue(i), nullptr, FILE_READ_DATA});
    std::vector<unsigned char> bytes(sizeof(ULONG_PTR) + entries.size() * sizeof(HandleEntry));
    const ULONG count = static_cast<ULONG>(entries.size());
    std::memcpy(bytes.data(), &count, sizeof count);
    if (!entries.empty()) std::memcpy(bytes.data() + sizeof(ULONG_PTR), entries.data(), entries.size() * sizeof(HandleEntry));
    return answer(bytes, buffer, size, returned);
}

// Each record followed by its image name; the names' pointers point into the caller's buffer.
NtStatus processList(PVOID buffer, ULONG size, PULONG returned) {
    const std::vector<sim::Process>& list = sim::current().processes;
    std::vector<std::size_t> offsets;
    std::size_t total = 0;
    for (const sim::Process& p : list) {
        offsets.push_back(total);
        total += (sizeof(ProcessRecord) + (p.image.size() + 1) * sizeof(wchar_t) + 7) / 8 * 8;
    }
    std::vector<unsigned char> bytes(total == 0 ? sizeof(ProcessRecord) : total);
    auto* base = static_cast<unsigned char*>(buffer);
    for (std::size_t i = 0; i < list.size(); ++i) {
        ProcessRecord record{};
        record.next = i + 1 < list.size() ? static_cast<ULONG>(offsets[i + 1] - offsets[i]) : 0;
        record.image.length = static_cast<USHORT>(list[i].image.size() * sizeof(wchar_t));
        record.image.maximum = static_cast<USHORT>(record.image.length + sizeof(wchar_t));
        record.image.buffer = reinterpret_cast<PWSTR>(base + offsets[i] + sizeof(ProcessRecord));
        record.processId = reinterpret_cast<HANDLE>(static_cast<ULONG_PTR>(list[i].id));
        std::memcpy(bytes.data() + offsets[i], &record, sizeof record);
        for (std::size_t c = 0; c < list[i].image.size(); ++c) {
            const wchar_t wide = static_cast<unsigned char>(list[i].image[c]);
            std::memcpy(bytes.data() + offsets[i] + sizeof(ProcessRecord) + c * sizeof(wchar_t), &wide, sizeof wide);
        }
    }
    return answer(bytes, buffer, size, returned);
}

NtStatus WINAPI hookNtQuerySystemInformation(ULONG table, PVOID buffer, ULONG size, PULONG returned) {
    std::lock_guard guard(standin::lock());
    if (table == kSystemHandleInformation || table == kSystemProcessInformation) {
        // Counted, and the outside commands (files opened and closed) applied, as the
        // simulated machine's own holder question does.
        const platform::HolderReport report = platform::findFileHolders("");
        if (report.status == platform::HolderSearch::noRights) return kStatusAccessDenied;
        if (report.status == platform::HolderSearch::unavailable) return kStatusNotImplemented;
        return table == kSystemHandleInformation ? handleTable(buffer, size, returned)
                                                 : processList(buffer, size, returned);
    }
    const auto system = ntdllFunction<QuerySystemInformationFn>("NtQuerySystemInformation");
    return system != nullptr ? system(table, buffer, size, returned) : kStatusNotImplemented;
}

NtStatus WINAPI hookNtQueryObject(HANDLE handle, ULONG kind, PVOID buffer, ULONG size, PULONG returned) {
    {
        std::lock_guard guard(standin::lock());
        if (const standin::SimOpenFile* file = standin::openFiles().find(handle)) {
            if (kind != kObjectNameInformation) return kStatusNotImplemented;
            std::string name = volumeDevice(file->path[0]) + (file->path.size() > 2 ? file->path.substr(2) : "");
            std::vector<unsigned char> bytes(sizeof(NativeString) + (name.size() + 1) * sizeof(wchar_t));
            NativeString text{};
            text.length = static_cast<USHORT>(name.size() * sizeof(wchar_t));
            text.maximum = static_cast<USHORT>(text.length + sizeof(wchar_t));
            text.buffer = reinterpret_cast<PWSTR>(static_cast<unsigned char*>(buffer) + sizeof(NativeString));
            std::memcpy(bytes.data(), &text, sizeof text);
            for (std::size_t c = 0; c < name.size(); ++c) {
                const wchar_t wide = static_cast<unsigned char>(name[c]);
                std::memcpy(bytes.data() + sizeof(NativeString) + c * sizeof(wchar_t), &wide, sizeof wide);
            }
            return answer(bytes, buffer, size, returned);
        }
    }
    const auto system = ntdllFunction<QueryObjectFn>("NtQueryObject");
    return system != nullptr ? system(handle, kind, buffer, size, returned) : kStatusNotImplemented;
}

FARPROC WINAPI hookGetProcAddress(HMODULE module, LPCSTR name) {
    const bool byName = reinterpret_cast<ULONG_PTR>(name) > 0xFFFF;
    if (byName && module != nullptr && module == GetModuleHandleA("ntdll.dll")) {
        if (std::strcmp(name, "NtQuerySystemInformation") == 0)
            return reinterpret_cast<FARPROC>(reinterpret_cast<void*>(hookNtQuerySystemInformation));
        if (std::strcmp(name, "NtQueryObject") == 0)
            return reinterpret_cast<FARPROC>(reinterpret_cast<void*>(hookNtQueryObject));
    }
    return GetProcAddress(module, name);
}

HANDLE WINAPI hookOpenProcess(DWORD access, BOOL inherit, DWORD id) {
    {
        std::lock_guard guard(standin::lock());
        if (simProcess(id) != nullptr) {
            if ((access & ~static_cast<DWORD>(PROCESS_DUP_HANDLE | PROCESS_QUERY_INFORMATION)) != 0) {
                SetLastError(ERROR_ACCESS_DENIED); // nothing else is modelled
                return nullptr;
            }
            auto process = std::make_unique<standin::SimProcess>();
            process->id = id;
            return standin::processes().add(std::move(process));
        }
    }
    return OpenProcess(access, inherit, id);
}

BOOL WINAPI hookDuplicateHandle(HANDLE sourceProcess, HANDLE source, HANDLE targetProcess, LPHANDLE target,
                                DWORD access, BOOL inherit, DWORD options) {
    {
        std::lock_guard guard(standin::lock());
        if (const standin::SimProcess* process = standin::processes().find(sourceProcess)) {
            const sim::Process* p = simProcess(process->id);
            const auto value = reinterpret_cast<ULONG_PTR>(source);
            const std::size_t index = value / 4 - 1;
            if (target == nullptr || targetProcess != GetCurrentProcess() || (options & DUPLICATE_CLOSE_SOURCE) != 0) {
                SetLastError(ERROR_INVALID_PARAMETER);
                return FALSE;
            }
            // A file closed since the table was taken is a handle that no longer exists.
            if (p == nullptr || value == 0 || value % 4 != 0 || index >= p->openFiles.size()) {
                SetLastError(ERROR_INVALID_HANDLE);
                return FALSE;
            }
            auto file = std::make_unique<standin::SimOpenFile>();
            file->processId = p->id;
            file->path = p->openFiles[index];
            *target = standin::openFiles().add(std::move(file));
            return TRUE;
        }
    }
    return DuplicateHandle(sourceProcess, source, targetProcess, target, access, inherit, options);
}

DWORD WINAPI hookGetFileType(HANDLE handle) {
    {
        std::lock_guard guard(standin::lock());
        if (standin::openFiles().find(handle) != nullptr) return FILE_TYPE_DISK;
    }
    return GetFileType(handle);
}

DWORD WINAPI hookQueryDosDeviceA(LPCSTR drive, LPSTR target, DWORD size) {
    if (drive != nullptr && drive[0] != '\0' && drive[1] == ':' && drive[2] == '\0') {
        std::lock_guard guard(standin::lock());
        if (!hasVolume(drive[0])) {
            SetLastError(ERROR_FILE_NOT_FOUND);
            return 0;
        }
        const std::string device = volumeDevice(drive[0]);
        // The name and the list's two terminators.
        if (target == nullptr || size < device.size() + 2) {
            SetLastError(ERROR_INSUFFICIENT_BUFFER);
            return 0;
        }
        std::memcpy(target, device.c_str(), device.size() + 1);
        target[device.size() + 1] = '\0';
        return static_cast<DWORD>(device.size() + 2);
    }
    return QueryDosDeviceA(drive, target, size);
}

// The debug privilege: granted unless the machine says the user lacks it, and kept as a
// flag so that a test sees it dropped again.
BOOL WINAPI hookAdjustTokenPrivileges(HANDLE token, BOOL disableAll, PTOKEN_PRIVILEGES state, DWORD size,
                                      PTOKEN_PRIVILEGES previous, PDWORD returned) {
    LUID debug{};
    if (state == nullptr || disableAll || state->PrivilegeCount != 1 || !LookupPrivilegeValueA(nullptr, "SeDebugPrivilege", &debug) ||
        state->Privileges[0].Luid.LowPart != debug.LowPart || state->Privileges[0].Luid.HighPart != debug.HighPart)
        return AdjustTokenPrivileges(token, disableAll, state, size, previous, returned);
    std::lock_guard guard(standin::lock());
    bool& enabled = standin::debugPrivilegeEnabled();
    const bool wanted = (state->Privileges[0].Attributes & SE_PRIVILEGE_ENABLED) != 0;
    if (wanted && sim::current().holderQuery == sim::HolderQuery::noRights) {
        if (returned != nullptr) *returned = 0;
        SetLastError(ERROR_NOT_ALL_ASSIGNED);
        return TRUE;
    }
    if (previous != nullptr) {
        if (size < sizeof(TOKEN_PRIVILEGES)) {
            SetLastError(ERROR_INSUFFICIENT_BUFFER);
            return FALSE;
        }
        previous->PrivilegeCount = 1;
        previous->Privileges[0].Luid = debug;
        previous->Privileges[0].Attributes = enabled ? SE_PRIVILEGE_ENABLED : 0;
        if (returned != nullptr) *returned = sizeof(TOKEN_PRIVILEGES);
    }
    enabled = wanted;
    SetLastError(ERROR_SUCCESS);
    return TRUE;
}

struct ProcessHook {
    const char* name;
    void* replacement;
};

const ProcessHook kProcessHooks[] = {
    {"GetProcAddress", reinterpret_cast<void*>(hookGetProcAddress)},
    {"OpenProcess", reinterpret_cast<void*>(hookOpenProcess)},
    {"DuplicateHandle", reinterpret_cast<void*>(hookDuplicateHandle)},
    {"GetFileType", reinterpret_cast<void*>(hookGetFileType)},
    {"QueryDosDeviceA", reinterpret_cast<void*>(hookQueryDosDeviceA)},
    {"AdjustTokenPrivileges", reinterpret_cast<void*>(hookAdjustTokenPrivileges)},
};

} // namespace

namespace zel::standin {

void* processHook(const char* name) {
    for (const ProcessHook& h : kProcessHooks)
        if (std::strcmp(name, h.name) == 0) return h.replacement;
    return nullptr;
}

} // namespace zel::standin
