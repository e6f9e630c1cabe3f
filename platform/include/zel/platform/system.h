#pragma once
// The system side: registry, named mutexes used as markers, version and locale,
// string resources of a loaded library. Win32-shaped calls over RAII handles; the
// real backend forwards to Windows, the simulated one (native builds) answers from a
// model system that tests set up and inspect. Nothing here throws.

#include <zel/platform/library.h> // ZEL_SYSTEM_API: where the backend lives
#include <zel/platform/machine.h> // kErrorNoMoreItems

#include <cstddef>
#include <cstdint>

namespace zel::platform {

// Win32 error codes the logic tells apart.
inline constexpr std::int32_t kErrorSuccess = 0;
inline constexpr std::int32_t kErrorFileNotFound = 2;
inline constexpr std::int32_t kErrorAccessDenied = 5;
inline constexpr std::int32_t kErrorMoreData = 234;
inline constexpr std::int32_t kErrorAlreadyExists = 183;
// kErrorNoMoreItems (259) is in machine.h.
// Further answers of the registry and mutex calls, as the backends give them.
inline constexpr std::int32_t kErrorPathNotFound = 3;
inline constexpr std::int32_t kErrorInvalidHandle = 6;
inline constexpr std::int32_t kErrorInvalidParameter = 87;
inline constexpr std::int32_t kErrorInvalidName = 123;
inline constexpr std::int32_t kErrorBadPathname = 161;
inline constexpr std::int32_t kErrorFilenameExcedRange = 206;
inline constexpr std::int32_t kErrorNotOwner = 288;
inline constexpr std::int32_t kErrorKeyDeleted = 1018;

// ---- registry ----------------------------------------------------------------------

using RegistryHive = std::uint32_t; // the predefined HKEY values, as 32-bit numbers
inline constexpr RegistryHive kHkeyClassesRoot = 0x80000000;
inline constexpr RegistryHive kHkeyCurrentUser = 0x80000001;
inline constexpr RegistryHive kHkeyLocalMachine = 0x80000002;
inline constexpr RegistryHive kHkeyUsers = 0x80000003;

inline constexpr std::uint32_t kKeyRead = 0x20019;
inline constexpr std::uint32_t kKeyAllAccess = 0xF003F;
// The parts of an access mask the value calls need.
inline constexpr std::uint32_t kKeyQueryValue = 0x0001;
inline constexpr std::uint32_t kKeySetValue = 0x0002;
inline constexpr std::uint32_t kKeyCreateSubKey = 0x0004;

inline constexpr std::uint32_t kRegNone = 0;
inline constexpr std::uint32_t kRegSz = 1;
inline constexpr std::uint32_t kRegExpandSz = 2;
inline constexpr std::uint32_t kRegBinary = 3;
inline constexpr std::uint32_t kRegDword = 4;
inline constexpr std::uint32_t kRegMultiSz = 7;

// An open registry key (HKEY), closed with RegCloseKey.
class ZEL_SYSTEM_API RegistryKey {
public:
    RegistryKey() = default;
    // RegOpenKeyExA(hive, subKey, 0, access, &key). Returns the Win32 error code.
    static std::int32_t open(RegistryHive hive, const char* subKey, std::uint32_t access, RegistryKey& key);
    // RegCreateKeyExA(hive, subKey, 0, no class, REG_OPTION_NON_VOLATILE, access, no
    // security, &key, nullptr): creates missing keys along the path.
    static std::int32_t create(RegistryHive hive, const char* subKey, std::uint32_t access, RegistryKey& key);

    RegistryKey(RegistryKey&& other) noexcept : handle_(other.handle_) { other.handle_ = nullptr; }
    RegistryKey& operator=(RegistryKey&& other) noexcept {
        if (this != &other) {
            reset();
            handle_ = other.handle_;
            other.handle_ = nullptr;
        }
        return *this;
    }
    RegistryKey(const RegistryKey&) = delete;
    RegistryKey& operator=(const RegistryKey&) = delete;
    ~RegistryKey() { reset(); }

    explicit operator bool() const { return handle_ != nullptr; }
    void reset();

    // RegEnumValueA(key, index, name, &nameLength, nullptr, &type, data, &dataLength).
    // On entry the lengths are the buffers' sizes (name in characters, with room for
    // its terminator); on success they are the name's length and the data's size.
    std::int32_t enumValue(std::uint32_t index, char* name, std::uint32_t& nameLength, std::uint32_t& type,
                           void* data, std::uint32_t& dataLength) const;
    // RegSetValueExA(key, name, 0, type, data, size).
    std::int32_t setValue(const char* name, std::uint32_t type, const void* data, std::uint32_t size) const;

private:
    void* handle_ = nullptr;
};

// ---- named mutexes -------------------------------------------------------------------

// A mutex handle, closed with CloseHandle.
class ZEL_SYSTEM_API MutexHandle {
public:
    MutexHandle() = default;
    // CreateMutexA(no security, not owned, name); `lastError` is GetLastError() right
    // after the call (kErrorAlreadyExists when the name was taken).
    static MutexHandle create(const char* name, std::int32_t& lastError);

    MutexHandle(MutexHandle&& other) noexcept : handle_(other.handle_) { other.handle_ = nullptr; }
    MutexHandle& operator=(MutexHandle&& other) noexcept {
        if (this != &other) {
            reset();
            handle_ = other.handle_;
            other.handle_ = nullptr;
        }
        return *this;
    }
    MutexHandle(const MutexHandle&) = delete;
    MutexHandle& operator=(const MutexHandle&) = delete;
    ~MutexHandle() { reset(); }

    explicit operator bool() const { return handle_ != nullptr; }
    // ReleaseMutex: refused (false) unless this thread owns it.
    bool release() const;
    void reset();

private:
    explicit MutexHandle(void* handle) : handle_(handle) {}
    void* handle_ = nullptr;
};

// ---- version, locale ------------------------------------------------------------------------

struct OsVersion {
    std::uint32_t major = 0;
    std::uint32_t minor = 0;
    std::uint32_t build = 0;
    std::uint32_t platformId = 0;
    bool operator==(const OsVersion&) const = default;
};
inline constexpr std::uint32_t kVerPlatformWin32Nt = 2;
// GetVersionExA with an OSVERSIONINFOA.
ZEL_SYSTEM_API bool getOsVersion(OsVersion& version);

// GetUserDefaultLCID.
ZEL_SYSTEM_API std::uint32_t getUserDefaultLcid();

// CheckTokenMembership of the process's token in the local Administrators group. True
// when the answer cannot be had: the operation that needs the rights then reports.
ZEL_SYSTEM_API bool isAdministrator();

// ---- string resources ------------------------------------------------------------------

// LoadStringA(module, id, buffer, size): the number of characters copied (0 when the
// string is missing, and then an empty string); `size` counts the terminator. A size of
// 0 or less copies nothing and answers 0.
ZEL_SYSTEM_API int loadString(const Library& module, std::uint32_t id, char* buffer, int size);

// ---- clock and environment ----------------------------------------------------------

struct LocalDate {
    int year = 0;  // four digits
    int month = 0; // 1-12
    int day = 0;   // 1-31
    bool operator==(const LocalDate&) const = default;
};
// GetLocalTime's date.
ZEL_SYSTEM_API LocalDate localDate();

// GetEnvironmentVariableA into `buffer` (`capacity` bytes): the length copied, 0 when the
// variable is absent, empty or does not fit.
ZEL_SYSTEM_API std::size_t environmentVariable(const char* name, char* buffer, std::size_t capacity);

// ---- waiting --------------------------------------------------------------------------

// Sleep(milliseconds). The simulated system only adds the time to its virtual clock.
ZEL_SYSTEM_API void sleepMilliseconds(std::uint32_t milliseconds);

} // namespace zel::platform
