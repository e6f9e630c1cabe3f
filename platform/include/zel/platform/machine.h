#pragma once
// The device side of the machine: the Configuration Manager device tree, SetupAPI
// device-interface sets, device I/O and logical drives.
//
// The calls are thin and Win32-shaped on purpose, so the search logic reads like the
// walk it performs. Two backends implement them: win32/ forwards to Windows, sim/
// answers from a model machine (and counts every call and every open handle).
// Nothing here throws; every handle is owned by a move-only RAII type.

#include <cstddef>
#include <cstdint>

// Linkage of the backend's functions. The simulated machine is a shared library that
// every module of a process links against, so they all see one machine: its build
// defines ZEL_MACHINE_EXPORTS, its users ZEL_MACHINE_SHARED. The real backend is a
// static library and needs neither.
#if !defined(ZEL_MACHINE_API)
#if defined(ZEL_MACHINE_EXPORTS) || defined(ZEL_MACHINE_SHARED)
#if defined(_WIN32)
#if defined(ZEL_MACHINE_EXPORTS)
#define ZEL_MACHINE_API __declspec(dllexport)
#else
#define ZEL_MACHINE_API __declspec(dllimport)
#endif
#else
#define ZEL_MACHINE_API __attribute__((visibility("default")))
#endif
#else
#define ZEL_MACHINE_API
#endif
#endif

namespace zel::platform {

using DevInst = std::uint32_t;   // a device-node handle (DEVINST)
using ConfigRet = std::uint32_t; // a Configuration Manager result (CONFIGRET)

// Configuration Manager results the logic tells apart.
inline constexpr ConfigRet kCrSuccess = 0x00;
inline constexpr ConfigRet kCrInvalidDevNode = 0x05;
inline constexpr ConfigRet kCrNoSuchDevNode = 0x0D;
inline constexpr ConfigRet kCrFailure = 0x13;
inline constexpr ConfigRet kCrBufferSmall = 0x1A;
inline constexpr ConfigRet kCrNoSuchValue = 0x25;

// Device-node registry property codes (CM_DRP_*).
inline constexpr std::uint32_t kCmDrpDeviceDesc = 1;
inline constexpr std::uint32_t kCmDrpHardwareId = 2;
inline constexpr std::uint32_t kCmDrpService = 5;
inline constexpr std::uint32_t kCmDrpClass = 8;
inline constexpr std::uint32_t kCmDrpClassGuid = 9;
inline constexpr std::uint32_t kCmDrpFriendlyName = 13;
inline constexpr std::uint32_t kCmDrpPhysicalDeviceObjectName = 15;

// Length of the buffer CM_Get_Device_IDA is given (MAX_PATH characters).
inline constexpr std::uint32_t kDeviceIdBufferLength = 260;

// Storage device types of STORAGE_DEVICE_NUMBER (FILE_DEVICE_*).
inline constexpr std::uint32_t kFileDeviceCdRom = 2;
inline constexpr std::uint32_t kFileDeviceDisk = 7;

// GetDriveTypeA answers.
inline constexpr std::uint32_t kDriveUnknown = 0;
inline constexpr std::uint32_t kDriveNoRootDir = 1;
inline constexpr std::uint32_t kDriveRemovable = 2;
inline constexpr std::uint32_t kDriveFixed = 3;
inline constexpr std::uint32_t kDriveRemote = 4;
inline constexpr std::uint32_t kDriveCdRom = 5;
inline constexpr std::uint32_t kDriveRamDisk = 6;

inline constexpr std::uint32_t kIoctlStorageGetDeviceNumber = 0x002D1080;
inline constexpr std::uint32_t kErrorNoMoreItems = 259;

struct Guid {
    std::uint32_t data1;
    std::uint16_t data2;
    std::uint16_t data3;
    std::uint8_t data4[8];
};
static_assert(sizeof(Guid) == 16);

constexpr bool operator==(const Guid& a, const Guid& b) {
    if (a.data1 != b.data1 || a.data2 != b.data2 || a.data3 != b.data3) return false;
    for (int i = 0; i < 8; ++i)
        if (a.data4[i] != b.data4[i]) return false;
    return true;
}

// Storage device-interface classes.
inline constexpr Guid kGuidDevInterfaceDisk{
    0x53F56307, 0xB6BF, 0x11D0, {0x94, 0xF2, 0x00, 0xA0, 0xC9, 0x1E, 0xFB, 0x8B}};
inline constexpr Guid kGuidDevInterfaceCdRom{
    0x53F56308, 0xB6BF, 0x11D0, {0x94, 0xF2, 0x00, 0xA0, 0xC9, 0x1E, 0xFB, 0x8B}};
inline constexpr Guid kGuidDevInterfaceWriteOnceDisk{
    0x53F5630C, 0xB6BF, 0x11D0, {0x94, 0xF2, 0x00, 0xA0, 0xC9, 0x1E, 0xFB, 0x8B}};

// STORAGE_DEVICE_NUMBER, as IOCTL_STORAGE_GET_DEVICE_NUMBER returns it.
struct StorageDeviceNumber {
    std::uint32_t deviceType;
    std::uint32_t deviceNumber;
    std::uint32_t partitionNumber;
};
static_assert(sizeof(StorageDeviceNumber) == 12);
static_assert(offsetof(StorageDeviceNumber, deviceType) == 0);
static_assert(offsetof(StorageDeviceNumber, deviceNumber) == 4);
static_assert(offsetof(StorageDeviceNumber, partitionNumber) == 8);

constexpr bool operator==(const StorageDeviceNumber& a, const StorageDeviceNumber& b) {
    return a.deviceType == b.deviceType && a.deviceNumber == b.deviceNumber &&
           a.partitionNumber == b.partitionNumber;
}

// ---- Configuration Manager -------------------------------------------------------

// CM_Locate_DevNodeA with no device ID and flags 0: the root of the device tree.
ZEL_MACHINE_API ConfigRet cmLocateRoot(DevInst& root);
ZEL_MACHINE_API ConfigRet cmGetChild(DevInst& child, DevInst node);
ZEL_MACHINE_API ConfigRet cmGetSibling(DevInst& sibling, DevInst node);
ZEL_MACHINE_API ConfigRet cmGetParent(DevInst& parent, DevInst node);

// CM_Get_DevNode_Registry_PropertyA with no type request and flags 0. With a null
// buffer it is the size query: `length` receives the bytes the property needs.
ZEL_MACHINE_API ConfigRet cmGetDevNodeRegistryProperty(DevInst node, std::uint32_t property,
                                                       void* buffer, std::uint32_t& length);

// CM_Get_Device_IDA into `buffer` of `length` characters.
ZEL_MACHINE_API ConfigRet cmGetDeviceId(DevInst node, char* buffer, std::uint32_t length);

// CM_Reenumerate_DevNode(node, CM_REENUMERATE_NORMAL): asks the system to look for devices
// below the node that arrived without their driver reporting them.
ZEL_MACHINE_API ConfigRet cmReenumerateDevNode(DevInst node);

// ---- SetupAPI device-interface sets ----------------------------------------------

// A device information set (HDEVINFO), destroyed with SetupDiDestroyDeviceInfoList.
class ZEL_MACHINE_API DeviceInfoSet {
public:
    DeviceInfoSet() = default;
    // SetupDiGetClassDevsA(class, no enumerator, no window, DIGCF_PRESENT | DIGCF_DEVICEINTERFACE).
    // Empty (false) when the set cannot be built.
    static DeviceInfoSet presentInterfaces(const Guid& interfaceClass);
    // SetupDiGetClassDevsA(no class, no enumerator, no window, DIGCF_PRESENT |
    // DIGCF_ALLCLASSES): every present device node of every class. Empty when unavailable.
    static DeviceInfoSet presentDevices();

    DeviceInfoSet(DeviceInfoSet&& other) noexcept : handle_(other.handle_) { other.handle_ = nullptr; }
    DeviceInfoSet& operator=(DeviceInfoSet&& other) noexcept {
        if (this != &other) {
            reset();
            handle_ = other.handle_;
            other.handle_ = nullptr;
        }
        return *this;
    }
    DeviceInfoSet(const DeviceInfoSet&) = delete;
    DeviceInfoSet& operator=(const DeviceInfoSet&) = delete;
    ~DeviceInfoSet() { reset(); }

    explicit operator bool() const { return handle_ != nullptr; }
    void* native() const { return handle_; }
    void reset();

private:
    explicit DeviceInfoSet(void* handle) : handle_(handle) {}
    void* handle_ = nullptr;
};

// SP_DEVICE_INTERFACE_DATA, kept opaque: only the backend reads it.
struct alignas(8) DeviceInterfaceData {
    unsigned char opaque[32]{};
};

enum class EnumResult { ok, noMoreItems, failed };

// SetupDiEnumDeviceInterfaces(set, no device-info filter, class, index, &data).
ZEL_MACHINE_API EnumResult setupEnumDeviceInterface(const DeviceInfoSet& set,
                                                    const Guid& interfaceClass, std::uint32_t index,
                                                    DeviceInterfaceData& data);

// SetupDiEnumDeviceInfo(set, index, &info): the device-node handle of that element.
ZEL_MACHINE_API bool setupEnumDeviceInfo(const DeviceInfoSet& set, std::uint32_t index,
                                         DevInst& devInst);

// SetupDiGetDeviceInterfaceDetailA with no detail buffer: the size the detail record
// needs, and the device node the call reports in its device-info record.
ZEL_MACHINE_API bool setupInterfaceDetailSize(const DeviceInfoSet& set,
                                              const DeviceInterfaceData& data,
                                              std::uint32_t& required, DevInst& owner);

// SetupDiGetDeviceInterfaceDetailA into a record of `required` bytes; copies the device
// path, zero-terminated, into `path` (`capacity` bytes; `required` always suffices).
ZEL_MACHINE_API bool setupInterfaceDevicePath(const DeviceInfoSet& set,
                                              const DeviceInterfaceData& data,
                                              std::uint32_t required, char* path,
                                              std::uint32_t capacity);

// ---- Device I/O and logical drives -----------------------------------------------

// A device opened with no access rights, for queries only (CloseHandle on release).
class ZEL_MACHINE_API DeviceHandle {
public:
    DeviceHandle() = default;
    // CreateFileA(path, 0, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr).
    static DeviceHandle openForQuery(const char* path);

    DeviceHandle(DeviceHandle&& other) noexcept : handle_(other.handle_) { other.handle_ = nullptr; }
    DeviceHandle& operator=(DeviceHandle&& other) noexcept {
        if (this != &other) {
            reset();
            handle_ = other.handle_;
            other.handle_ = nullptr;
        }
        return *this;
    }
    DeviceHandle(const DeviceHandle&) = delete;
    DeviceHandle& operator=(const DeviceHandle&) = delete;
    ~DeviceHandle() { reset(); }

    explicit operator bool() const { return handle_ != nullptr; }
    void* native() const { return handle_; }
    void reset();

private:
    friend ZEL_MACHINE_API DeviceHandle openForRead(const char* path);
    explicit DeviceHandle(void* handle) : handle_(handle) {}
    void* handle_ = nullptr; // never INVALID_HANDLE_VALUE: the backend maps it to null
};

// DeviceIoControl(IOCTL_STORAGE_GET_DEVICE_NUMBER) with no input and a 12-byte output.
// True when the call returned TRUE; `number` is written only then.
ZEL_MACHINE_API bool queryStorageDeviceNumber(const DeviceHandle& device,
                                              StorageDeviceNumber& number);

// While one lives, a drive without media (a DVD drive whose disc was just ejected, a card
// reader) fails the probes instead of raising Windows' "No Disk" box: SetErrorMode with
// SEM_FAILCRITICALERRORS, the previous mode back when the last of the module's scopes ends.
class ZEL_MACHINE_API QuietDriveProbes {
public:
    QuietDriveProbes();
    ~QuietDriveProbes();
    QuietDriveProbes(const QuietDriveProbes&) = delete;
    QuietDriveProbes& operator=(const QuietDriveProbes&) = delete;
};

// GetLogicalDrives: bit 0 is A:.
ZEL_MACHINE_API std::uint32_t getLogicalDrives();

// GetDriveTypeA on a root such as "D:".
ZEL_MACHINE_API std::uint32_t getDriveType(const char* root);

} // namespace zel::platform

// ---- disks, volumes' files, directories ----------------------------------------------
namespace zel::platform {

inline constexpr std::uint32_t kIoctlDiskGetDriveLayout = 0x0007400C;
inline constexpr std::uint32_t kIoctlDiskGetDriveLayoutEx = 0x00070050;

// CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
// FILE_ATTRIBUTE_NORMAL, nullptr): a disk opened to read its layout.
ZEL_MACHINE_API DeviceHandle openForRead(const char* path);

// DeviceIoControl(device, code, no input, output, outputSize, &returned). True when the
// call returned TRUE; `returned` is the byte count the call reported either way.
ZEL_MACHINE_API bool deviceIoControl(const DeviceHandle& device, std::uint32_t code, void* output,
                                     std::uint32_t outputSize, std::uint32_t& returned);

// FindFirstFileA on `path`, the search closed at once with FindClose: whether a file of
// that name exists (hidden and system files included; case is the file system's).
ZEL_MACHINE_API bool fileExists(const char* path);

// GetCurrentDirectoryA / GetWindowsDirectoryA into `buffer` of `size` characters: the
// length written, 0 on failure.
ZEL_MACHINE_API std::uint32_t getCurrentDirectory(char* buffer, std::uint32_t size);
ZEL_MACHINE_API std::uint32_t getWindowsDirectory(char* buffer, std::uint32_t size);

// The layouts the two drive-layout queries return, as far as the logic reads them.
// DRIVE_LAYOUT_INFORMATION: PartitionCount, Signature, then 32-byte PARTITION_INFORMATION
// entries whose PartitionType byte is at offset 24.
inline constexpr std::size_t kLayoutFirstEntryOffset = 8;
inline constexpr std::size_t kPartitionInfoTypeOffset = 24;
inline constexpr std::size_t kPartitionInfoSize = 32;
// DRIVE_LAYOUT_INFORMATION_EX: PartitionStyle at 0, entries of 144 bytes from offset 48;
// an entry's GPT PartitionType GUID is at offset 32 of it.
inline constexpr std::size_t kLayoutExStyleOffset = 0;
inline constexpr std::size_t kLayoutExFirstEntryOffset = 48;
inline constexpr std::size_t kPartitionInfoExGptTypeOffset = 32;
inline constexpr std::size_t kPartitionInfoExSize = 144;
inline constexpr std::uint32_t kPartitionStyleMbr = 0;
inline constexpr std::uint32_t kPartitionStyleGpt = 1;
inline constexpr std::uint32_t kPartitionStyleRaw = 2;
inline constexpr std::uint8_t kPartitionLdm = 0x42;
// Neither query accepts an output buffer smaller than its structure with one entry.
inline constexpr std::size_t kDriveLayoutInfoSize = 40;
inline constexpr std::size_t kDriveLayoutInfoExSize = 192;
inline constexpr Guid kPartitionMsftReservedGuid{
    0xE3C9E316, 0x0B5C, 0x4DB8, {0x81, 0x7D, 0xF9, 0x2D, 0xF0, 0x02, 0x15, 0xAE}};

} // namespace zel::platform

// ---- SetupAPI device enumeration and removal -----------------------------------------
namespace zel::platform {

// SetupDiGetDeviceRegistryPropertyA property codes (SPDRP_*).
inline constexpr std::uint32_t kSpdrpHardwareId = 1;
inline constexpr std::uint32_t kSpdrpPhysicalDeviceObjectName = 14;

// The property call's errors the logic tells apart.
inline constexpr std::int32_t kErrorInvalidData = 13;        // the node has no such property
inline constexpr std::int32_t kErrorInsufficientBuffer = 122; // ask again with `required` bytes

// SP_DEVINFO_DATA, kept opaque: only the backend reads it (28 bytes on i686, 32 on x86_64).
struct alignas(8) DeviceInfoData {
    unsigned char opaque[32]{};
};

// SetupDiEnumDeviceInfo(set, index, &data) with data.cbSize set: the element's record, for
// the property and removal calls below. noMoreItems past the end, failed on any other error.
ZEL_MACHINE_API EnumResult setupEnumDeviceInfoData(const DeviceInfoSet& set, std::uint32_t index,
                                                   DeviceInfoData& data);

// SetupDiGetDeviceRegistryPropertyA(set, &data, property, no type, buffer, size, &required).
// `required` receives the size the call reported; `lastError` is GetLastError() after a
// failure (0 after success). A null buffer with size 0 is the size query: it fails with
// kErrorInsufficientBuffer and the size, or kErrorInvalidData when the node lacks it.
ZEL_MACHINE_API bool setupGetDeviceRegistryProperty(const DeviceInfoSet& set, const DeviceInfoData& data,
                                                    std::uint32_t property, void* buffer, std::uint32_t size,
                                                    std::uint32_t& required, std::int32_t& lastError);

// What SetupDiRemoveDevice achieved. Windows answers TRUE for a removal that a driver or
// program vetoed, and only its install parameters (DI_NEEDREBOOT, DI_NEEDRESTART) tell
// that the device stays until the next restart.
enum class RemoveResult { removed, restartNeeded, failed };

// SetupDiRemoveDevice(set, &data), then SetupDiGetDeviceInstallParamsA of the element and
// of the set: removes the device node (and the nodes beneath it), or says why not.
ZEL_MACHINE_API RemoveResult setupRemoveDevice(const DeviceInfoSet& set, DeviceInfoData& data);

} // namespace zel::platform
