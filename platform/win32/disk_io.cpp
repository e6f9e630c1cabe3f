// Disks opened for reading, DeviceIoControl, files in volume roots and the two
// directories, over the real calls.
#include <zel/platform/machine.h>

#include <windows.h>

#include <mutex>

namespace zel::platform {
namespace {

// A FindFirstFileA search, closed with FindClose on every path.
class FindHandle {
public:
    explicit FindHandle(const char* path) : handle_(FindFirstFileA(path, &data_)) {}
    ~FindHandle() {
        if (*this) FindClose(handle_);
    }
    FindHandle(const FindHandle&) = delete;
    FindHandle& operator=(const FindHandle&) = delete;
    explicit operator bool() const { return handle_ != INVALID_HANDLE_VALUE; }

private:
    WIN32_FIND_DATAA data_{};
    HANDLE handle_;
};

// The two directory calls report the size they need when the buffer is too small: no
// text was written then, which callers see as a failure.
std::uint32_t written(UINT result, std::uint32_t size) { return result < size ? result : 0; }

// The scopes open in this module, and the mode to restore when the last one ends. Nested
// and concurrent scopes share one setting, so none can undo another's.
std::mutex quietMutex;
int quietScopes = 0;
UINT modeBeforeQuiet = 0;

} // namespace

QuietDriveProbes::QuietDriveProbes() {
    const std::lock_guard lock(quietMutex);
    if (quietScopes++ > 0) return;
    modeBeforeQuiet = SetErrorMode(SEM_FAILCRITICALERRORS);
    SetErrorMode(modeBeforeQuiet | SEM_FAILCRITICALERRORS);
}

QuietDriveProbes::~QuietDriveProbes() {
    const std::lock_guard lock(quietMutex);
    if (--quietScopes == 0) SetErrorMode(modeBeforeQuiet);
}

DeviceHandle openForRead(const char* path) {
    if (path == nullptr) return {};
    HANDLE h = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE || h == nullptr) return {};
    return DeviceHandle(h);
}

bool deviceIoControl(const DeviceHandle& device, std::uint32_t code, void* output, std::uint32_t outputSize,
                     std::uint32_t& returned) {
    // Windows writes the count only for a call that succeeded (or returned partial data):
    // otherwise the caller's zero stands.
    DWORD count = 0;
    const BOOL ok = device && DeviceIoControl(static_cast<HANDLE>(device.native()), code, nullptr, 0, output,
                                              outputSize, &count, nullptr);
    returned = count;
    return ok != FALSE;
}

bool fileExists(const char* path) { return path != nullptr && static_cast<bool>(FindHandle(path)); }

std::uint32_t getCurrentDirectory(char* buffer, std::uint32_t size) {
    if (buffer == nullptr || size == 0) return 0;
    return written(GetCurrentDirectoryA(size, buffer), size);
}

std::uint32_t getWindowsDirectory(char* buffer, std::uint32_t size) {
    if (buffer == nullptr || size == 0) return 0;
    return written(GetWindowsDirectoryA(buffer, size), size);
}

} // namespace zel::platform
