// The programs holding files open on some drives, found the way Windows 2000 and XP
// allow: the system's handle table, each file handle of another process duplicated into
// this one, its object name ("\Device\HarddiskVolume3\dir\name") compared with what the
// drive letters stand for. Needs the debug privilege, which an administrator can enable.
#include <zel/platform/holders.h>

#include <windows.h>

#include <process.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace zel::platform {
namespace {

using NtStatus = LONG;
constexpr NtStatus kStatusInfoLengthMismatch = static_cast<NtStatus>(0xC0000004);
constexpr ULONG kSystemProcessInformation = 5;
constexpr ULONG kSystemHandleInformation = 16;
constexpr ULONG kObjectNameInformation = 1;
// Neither table grows past this; a system that says otherwise is not answered.
constexpr std::size_t kTableLimit = 64u << 20;
// A name query that takes longer is on an object that is no file on a volume (a pipe
// that passed the type check): its worker is left behind.
constexpr DWORD kNameQueryMilliseconds = 250;
// The longest object name asked for: a counted string of at most 32767 characters.
constexpr ULONG kNameLimit = 16 + 65536;
// After that many workers left behind the search gives up: the list would not be complete.
constexpr int kAbandonedLimit = 3;

using QuerySystemInformationFn = NtStatus(WINAPI*)(ULONG, PVOID, ULONG, PULONG);
using QueryObjectFn = NtStatus(WINAPI*)(HANDLE, ULONG, PVOID, ULONG, PULONG);

// One entry of the system handle table (handle values above 0xFFFF do not fit it; the
// extended table that has room for them came after Windows 2000).
struct HandleEntry {
    ULONG processId;
    UCHAR objectType;
    UCHAR flags;
    USHORT handle;
    PVOID object;
    ACCESS_MASK access;
};
struct HandleTable {
    ULONG count;
    HandleEntry entries[1];
};
static_assert(sizeof(HandleEntry) == (sizeof(void*) == 8 ? 24 : 16));
static_assert(offsetof(HandleTable, entries) == sizeof(void*));

// A counted string of the native API.
struct NativeString {
    USHORT length; // bytes
    USHORT maximum;
    PWSTR buffer;
};

// The fixed part of a process record of SystemProcessInformation.
struct ProcessRecord {
    ULONG next; // bytes to the next record, 0 for the last
    ULONG threads;
    LARGE_INTEGER reserved[6];
    NativeString image;
    LONG basePriority;
    HANDLE processId;
};
static_assert(offsetof(ProcessRecord, image) == 56);

// A kernel handle, closed once on every path.
class Handle {
public:
    Handle() = default;
    explicit Handle(HANDLE h) : h_(h == INVALID_HANDLE_VALUE ? nullptr : h) {}
    ~Handle() { reset(); }
    Handle(Handle&& other) noexcept : h_(other.release()) {}
    Handle& operator=(Handle&& other) noexcept {
        if (this != &other) {
            reset();
            h_ = other.release();
        }
        return *this;
    }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    HANDLE get() const { return h_; }
    HANDLE release() {
        HANDLE h = h_;
        h_ = nullptr;
        return h;
    }
    void reset() {
        if (h_ != nullptr) CloseHandle(h_);
        h_ = nullptr;
    }
    explicit operator bool() const { return h_ != nullptr; }

private:
    HANDLE h_ = nullptr;
};

template <class Function>
Function ntdllFunction(const char* name) {
    HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    if (ntdll == nullptr) return nullptr;
    // Through void*: the exported address is typed as a function of no arguments.
    return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(ntdll, name)));
}

// One system information table, asked again with a larger buffer until it fits.
std::vector<std::uint64_t> systemTable(QuerySystemInformationFn query, ULONG table) {
    std::vector<std::uint64_t> buffer(64 * 1024 / sizeof(std::uint64_t));
    for (;;) {
        const std::size_t bytes = buffer.size() * sizeof(std::uint64_t);
        ULONG needed = 0;
        const NtStatus status = query(table, buffer.data(), static_cast<ULONG>(bytes), &needed);
        if (status >= 0) return buffer;
        if (status != kStatusInfoLengthMismatch || bytes * 2 > kTableLimit) return {};
        const std::size_t next = std::max<std::size_t>(bytes * 2, needed + 4096);
        buffer.assign(next / sizeof(std::uint64_t) + 1, 0);
    }
}

// Text of the ANSI code page for a counted wide string.
std::string narrow(const wchar_t* text, int characters) {
    if (text == nullptr || characters <= 0) return {};
    const int size = WideCharToMultiByte(CP_ACP, 0, text, characters, nullptr, 0, nullptr, nullptr);
    if (size <= 0) return {};
    std::string out(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(CP_ACP, 0, text, characters, out.data(), size, nullptr, nullptr);
    return out;
}

// Process ID to image name, from the system's process list.
std::map<std::uint32_t, std::string> processImages(QuerySystemInformationFn query) {
    std::map<std::uint32_t, std::string> images;
    const std::vector<std::uint64_t> table = systemTable(query, kSystemProcessInformation);
    const auto* base = reinterpret_cast<const unsigned char*>(table.data());
    const std::size_t size = table.size() * sizeof(std::uint64_t);
    for (std::size_t at = 0; !table.empty() && at + sizeof(ProcessRecord) <= size;) {
        ProcessRecord record;
        std::memcpy(&record, base + at, sizeof record);
        const auto pid = static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(record.processId));
        images[pid] = narrow(record.image.buffer, record.image.length / 2);
        if (record.next == 0) break;
        at += record.next;
    }
    return images;
}

// The debug privilege, enabled for as long as this lives and then put back as it was.
class DebugPrivilege {
public:
    DebugPrivilege() {
        HANDLE token = nullptr;
        if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &token)) {
            denied_ = GetLastError() == ERROR_ACCESS_DENIED;
            return;
        }
        token_ = Handle(token);
        TOKEN_PRIVILEGES wanted{};
        wanted.PrivilegeCount = 1;
        wanted.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
        if (!LookupPrivilegeValueA(nullptr, "SeDebugPrivilege", &wanted.Privileges[0].Luid)) return;
        DWORD size = sizeof previous_;
        if (!AdjustTokenPrivileges(token_.get(), FALSE, &wanted, sizeof previous_, &previous_, &size)) {
            denied_ = true;
            return;
        }
        // The call succeeds without the privilege in the token, and says so only here.
        if (GetLastError() == ERROR_NOT_ALL_ASSIGNED) {
            denied_ = true;
            return;
        }
        enabled_ = true;
    }
    ~DebugPrivilege() {
        if (enabled_) AdjustTokenPrivileges(token_.get(), FALSE, &previous_, 0, nullptr, nullptr);
    }
    DebugPrivilege(const DebugPrivilege&) = delete;
    DebugPrivilege& operator=(const DebugPrivilege&) = delete;
    bool enabled() const { return enabled_; }
    bool denied() const { return denied_; }

private:
    Handle token_;
    TOKEN_PRIVILEGES previous_{};
    bool enabled_ = false;
    bool denied_ = false;
};

// The object-name query on a worker thread of its own. A query that does not come back in
// time leaves the worker behind with the handle it queries and the block they share: the
// worker closes that handle and frees the block itself, should the query ever return.
class NameWorker {
public:
    explicit NameWorker(QueryObjectFn query) {
        auto* shared = new (std::nothrow) Shared;
        if (shared == nullptr) return;
        shared->query = query;
        shared->start = Handle(CreateEventA(nullptr, FALSE, FALSE, nullptr));
        shared->done = Handle(CreateEventA(nullptr, FALSE, FALSE, nullptr));
        if (!shared->start || !shared->done) {
            delete shared;
            return;
        }
        const std::uintptr_t thread = _beginthreadex(nullptr, 0, run, shared, 0, nullptr);
        if (thread == 0) {
            delete shared;
            return;
        }
        thread_ = Handle(reinterpret_cast<HANDLE>(thread));
        shared_ = shared;
    }
    ~NameWorker() {
        if (shared_ == nullptr) return;
        InterlockedExchange(&shared_->quit, 1);
        SetEvent(shared_->start.get());
        // A worker that is idle ends at once; one still in a query is not waited for.
        release(shared_);
    }
    NameWorker(const NameWorker&) = delete;
    NameWorker& operator=(const NameWorker&) = delete;
    explicit operator bool() const { return shared_ != nullptr; }

    enum class Answer { name, none, timedOut };

    // Queries the name of `file`, which the worker takes over and closes.
    Answer name(Handle file, std::wstring& name) {
        shared_->file = file.release();
        SetEvent(shared_->start.get());
        if (WaitForSingleObject(shared_->done.get(), kNameQueryMilliseconds) != WAIT_OBJECT_0) return Answer::timedOut;
        if (!shared_->answered) return Answer::none;
        name = shared_->name;
        return Answer::name;
    }

private:
    struct Shared {
        ~Shared() {
            if (file != nullptr) CloseHandle(file); // handed over, never taken up
        }
        LONG references = 2; // the worker and its owner
        LONG quit = 0;
        QueryObjectFn query = nullptr;
        Handle start;
        Handle done;
        HANDLE file = nullptr; // the worker's while a query runs
        bool answered = false;
        std::wstring name;
    };

    static void release(Shared* shared) {
        if (InterlockedDecrement(&shared->references) == 0) delete shared;
    }

    static unsigned __stdcall run(void* argument) {
        auto* shared = static_cast<Shared*>(argument);
        std::vector<std::uint64_t> buffer(4096 / sizeof(std::uint64_t));
        while (WaitForSingleObject(shared->start.get(), INFINITE) == WAIT_OBJECT_0 &&
               InterlockedCompareExchange(&shared->quit, 0, 0) == 0) {
            Handle file(shared->file);
            shared->file = nullptr;
            ULONG needed = 0;
            NtStatus status = shared->query(file.get(), kObjectNameInformation, buffer.data(),
                                            static_cast<ULONG>(buffer.size() * sizeof(std::uint64_t)), &needed);
            // A long path: once more with the room it asked for.
            if (status < 0 && needed > buffer.size() * sizeof(std::uint64_t) && needed <= kNameLimit) {
                buffer.assign(needed / sizeof(std::uint64_t) + 1, 0);
                status = shared->query(file.get(), kObjectNameInformation, buffer.data(),
                                       static_cast<ULONG>(buffer.size() * sizeof(std::uint64_t)), &needed);
            }
            shared->answered = false;
            if (status >= 0) {
                NativeString text;
                std::memcpy(&text, buffer.data(), sizeof text);
                if (text.buffer != nullptr) {
                    shared->name.assign(text.buffer, text.length / sizeof(wchar_t));
                    shared->answered = true;
                }
            }
            // Closed before the answer is given: once the owner has it, nothing it handed
            // over is still open.
            file.reset();
            SetEvent(shared->done.get());
        }
        release(shared);
        return 0;
    }

    Handle thread_; // closing it does not end the thread
    Shared* shared_ = nullptr;
};

// "E" to L"\Device\HarddiskVolume3", for the letters asked about that name a device.
std::vector<std::pair<char, std::wstring>> letterDevices(std::string_view letters) {
    std::vector<std::pair<char, std::wstring>> devices;
    for (char c : letters) {
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
        if (c < 'A' || c > 'Z') continue;
        const char drive[] = {c, ':', '\0'};
        char target[1024] = {};
        if (QueryDosDeviceA(drive, target, sizeof target) == 0) continue;
        std::wstring wide;
        for (const char* p = target; *p != '\0'; ++p) wide += static_cast<wchar_t>(static_cast<unsigned char>(*p));
        devices.emplace_back(c, wide);
    }
    return devices;
}

wchar_t upper(wchar_t c) { return c >= L'a' && c <= L'z' ? static_cast<wchar_t>(c - L'a' + L'A') : c; }

// Whether an object name lies on that device: the device's name, then the end or a '\'.
bool onDevice(const std::wstring& name, const std::wstring& device) {
    if (device.empty() || name.size() < device.size()) return false;
    for (std::size_t i = 0; i < device.size(); ++i)
        if (upper(name[i]) != upper(device[i])) return false;
    return name.size() == device.size() || name[device.size()] == L'\\';
}

// The handle table's type number of files: that of a file this process opens itself.
int fileObjectType(const HandleTable& table, std::size_t count, HANDLE own) {
    const DWORD self = GetCurrentProcessId();
    for (std::size_t i = 0; i < count; ++i)
        if (table.entries[i].processId == self &&
            table.entries[i].handle == static_cast<USHORT>(reinterpret_cast<std::uintptr_t>(own)))
            return table.entries[i].objectType;
    return -1;
}

} // namespace

HolderReport findFileHolders(std::string_view driveLetters) {
    const auto querySystem = ntdllFunction<QuerySystemInformationFn>("NtQuerySystemInformation");
    const auto queryObject = ntdllFunction<QueryObjectFn>("NtQueryObject");
    if (querySystem == nullptr || queryObject == nullptr) return {};
    const auto devices = letterDevices(driveLetters);
    if (devices.empty()) return {HolderSearch::found, {}};

    const DebugPrivilege privilege;
    if (!privilege.enabled()) return {privilege.denied() ? HolderSearch::noRights : HolderSearch::unavailable, {}};

    // A file of our own, open while the table is taken, tells the type number of files.
    char self[MAX_PATH] = {};
    const DWORD selfLength = GetModuleFileNameA(nullptr, self, sizeof self);
    const Handle ownFile(selfLength == 0 || selfLength >= sizeof self
                             ? nullptr
                             : CreateFileA(self, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                           OPEN_EXISTING, 0, nullptr));
    const std::vector<std::uint64_t> buffer = systemTable(querySystem, kSystemHandleInformation);
    if (buffer.empty()) return {};
    const auto& table = *reinterpret_cast<const HandleTable*>(buffer.data());
    const std::size_t room = (buffer.size() * sizeof(std::uint64_t) - offsetof(HandleTable, entries)) / sizeof(HandleEntry);
    const std::size_t count = std::min<std::size_t>(table.count, room);
    const int fileType = ownFile ? fileObjectType(table, count, ownFile.get()) : -1;
    const std::map<std::uint32_t, std::string> images = processImages(querySystem);

    HolderReport report{HolderSearch::found, {}};
    std::map<std::uint32_t, Handle> processes; // opened once each, for duplication
    auto worker = std::make_unique<NameWorker>(queryObject);
    int abandoned = 0;
    const DWORD selfId = GetCurrentProcessId();
    for (std::size_t i = 0; i < count && *worker; ++i) {
        const HandleEntry& entry = table.entries[i];
        if (entry.processId == selfId || (fileType >= 0 && entry.objectType != fileType)) continue;
        if (std::any_of(report.holders.begin(), report.holders.end(),
                        [&](const FileHolder& h) { return h.processId == entry.processId; }))
            continue; // already named
        auto process = processes.find(entry.processId);
        if (process == processes.end())
            process = processes.emplace(entry.processId, Handle(OpenProcess(PROCESS_DUP_HANDLE, FALSE, entry.processId))).first;
        if (!process->second) continue; // the system's own processes refuse even an administrator
        HANDLE copy = nullptr;
        if (!DuplicateHandle(process->second.get(), reinterpret_cast<HANDLE>(static_cast<std::uintptr_t>(entry.handle)),
                             GetCurrentProcess(), &copy, 0, FALSE, DUPLICATE_SAME_ACCESS))
            continue;
        Handle duplicate(copy);
        // Only files on disks: a name query on a synchronous pipe can block for ever.
        if (GetFileType(duplicate.get()) != FILE_TYPE_DISK) continue;
        std::wstring name;
        switch (worker->name(std::move(duplicate), name)) {
        case NameWorker::Answer::timedOut:
            worker = std::make_unique<NameWorker>(queryObject);
            if (++abandoned >= kAbandonedLimit) return {};
            continue;
        case NameWorker::Answer::none:
            continue;
        case NameWorker::Answer::name:
            break;
        }
        if (std::none_of(devices.begin(), devices.end(), [&](const auto& d) { return onDevice(name, d.second); }))
            continue;
        const auto image = images.find(entry.processId);
        report.holders.push_back({image != images.end() ? image->second : std::string(), entry.processId});
    }
    if (!*worker) return {};
    std::sort(report.holders.begin(), report.holders.end(),
              [](const FileHolder& a, const FileHolder& b) { return a.processId < b.processId; });
    return report;
}

} // namespace zel::platform
