// Compile-time proof that the platform's own copies of Win32 constants, GUIDs and
// structure layouts (which the logic uses without <windows.h>) match the SDK headers.
#include <zel/platform/disk_layout.h>
#include <zel/platform/machine.h>
#include <zel/platform/system.h>

#include <windows.h>
#include <cfgmgr32.h>
#include <setupapi.h>
#include <winioctl.h>

#include <cstddef>

namespace zel::platform {

static_assert(kCrSuccess == CR_SUCCESS);
static_assert(kCrInvalidDevNode == CR_INVALID_DEVNODE);
static_assert(kCrNoSuchDevNode == CR_NO_SUCH_DEVNODE);
static_assert(kCrFailure == CR_FAILURE);
static_assert(kCrBufferSmall == CR_BUFFER_SMALL);
static_assert(kCrNoSuchValue == CR_NO_SUCH_VALUE);

static_assert(kCmDrpDeviceDesc == CM_DRP_DEVICEDESC);
static_assert(kCmDrpHardwareId == CM_DRP_HARDWAREID);
static_assert(kCmDrpService == CM_DRP_SERVICE);
static_assert(kCmDrpClass == CM_DRP_CLASS);
static_assert(kCmDrpClassGuid == CM_DRP_CLASSGUID);
static_assert(kCmDrpFriendlyName == CM_DRP_FRIENDLYNAME);
static_assert(kCmDrpPhysicalDeviceObjectName == CM_DRP_PHYSICAL_DEVICE_OBJECT_NAME);

static_assert(kDeviceIdBufferLength == MAX_PATH);

static_assert(kFileDeviceCdRom == FILE_DEVICE_CD_ROM);
static_assert(kFileDeviceDisk == FILE_DEVICE_DISK);

static_assert(kDriveUnknown == DRIVE_UNKNOWN);
static_assert(kDriveNoRootDir == DRIVE_NO_ROOT_DIR);
static_assert(kDriveRemovable == DRIVE_REMOVABLE);
static_assert(kDriveFixed == DRIVE_FIXED);
static_assert(kDriveRemote == DRIVE_REMOTE);
static_assert(kDriveCdRom == DRIVE_CDROM);
static_assert(kDriveRamDisk == DRIVE_RAMDISK);

static_assert(kIoctlStorageGetDeviceNumber == IOCTL_STORAGE_GET_DEVICE_NUMBER);
static_assert(kErrorNoMoreItems == ERROR_NO_MORE_ITEMS);

static_assert(sizeof(StorageDeviceNumber) == sizeof(STORAGE_DEVICE_NUMBER));
static_assert(offsetof(StorageDeviceNumber, deviceType) == offsetof(STORAGE_DEVICE_NUMBER, DeviceType));
static_assert(offsetof(StorageDeviceNumber, deviceNumber) == offsetof(STORAGE_DEVICE_NUMBER, DeviceNumber));
static_assert(offsetof(StorageDeviceNumber, partitionNumber) ==
              offsetof(STORAGE_DEVICE_NUMBER, PartitionNumber));

// SetupAPI's records are packed to 1 byte on i686 and 8 on x86_64; the logic sees only
// the opaque interface record, whose size the backend takes from the header.
constexpr bool k64 = sizeof(void*) == 8;
static_assert(sizeof(SP_DEVICE_INTERFACE_DATA) == (k64 ? 32 : 28));
static_assert(sizeof(SP_DEVINFO_DATA) == (k64 ? 32 : 28));
static_assert(sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A) == (k64 ? 8 : 5));
static_assert(sizeof(SP_DEVINFO_DATA) <= sizeof(DeviceInfoData));

// ---- device enumeration and removal -------------------------------------------------------

static_assert(kSpdrpHardwareId == SPDRP_HARDWAREID);
static_assert(kSpdrpPhysicalDeviceObjectName == SPDRP_PHYSICAL_DEVICE_OBJECT_NAME);
static_assert(kErrorInvalidData == ERROR_INVALID_DATA);
static_assert(kErrorInsufficientBuffer == ERROR_INSUFFICIENT_BUFFER);

// ---- disks: the layout queries and both answers, on both architectures ---------------

static_assert(kIoctlDiskGetDriveLayout == IOCTL_DISK_GET_DRIVE_LAYOUT);
static_assert(kIoctlDiskGetDriveLayoutEx == IOCTL_DISK_GET_DRIVE_LAYOUT_EX);
static_assert(kPartitionStyleMbr == PARTITION_STYLE_MBR);
static_assert(kPartitionStyleGpt == PARTITION_STYLE_GPT);
static_assert(kPartitionStyleRaw == PARTITION_STYLE_RAW);
static_assert(kPartitionLdm == PARTITION_LDM);

static_assert(kDriveLayoutInfoSize == sizeof(DRIVE_LAYOUT_INFORMATION));
static_assert(kLayoutFirstEntryOffset == offsetof(DRIVE_LAYOUT_INFORMATION, PartitionEntry));
static_assert(layout::kCount == offsetof(DRIVE_LAYOUT_INFORMATION, PartitionCount));
static_assert(layout::kSignature == offsetof(DRIVE_LAYOUT_INFORMATION, Signature));
static_assert(kPartitionInfoSize == sizeof(PARTITION_INFORMATION));
static_assert(kPartitionInfoTypeOffset == offsetof(PARTITION_INFORMATION, PartitionType));
static_assert(layout::kStartingOffset == offsetof(PARTITION_INFORMATION, StartingOffset));
static_assert(layout::kLength == offsetof(PARTITION_INFORMATION, PartitionLength));
static_assert(layout::kHiddenSectors == offsetof(PARTITION_INFORMATION, HiddenSectors));
static_assert(layout::kNumber == offsetof(PARTITION_INFORMATION, PartitionNumber));
static_assert(layout::kBootIndicator == offsetof(PARTITION_INFORMATION, BootIndicator));
static_assert(layout::kRecognized == offsetof(PARTITION_INFORMATION, RecognizedPartition));

static_assert(kDriveLayoutInfoExSize == sizeof(DRIVE_LAYOUT_INFORMATION_EX));
static_assert(kLayoutExStyleOffset == offsetof(DRIVE_LAYOUT_INFORMATION_EX, PartitionStyle));
static_assert(kLayoutExFirstEntryOffset == offsetof(DRIVE_LAYOUT_INFORMATION_EX, PartitionEntry));
static_assert(layout::kExCount == offsetof(DRIVE_LAYOUT_INFORMATION_EX, PartitionCount));
static_assert(layout::kExMbrSignature == offsetof(DRIVE_LAYOUT_INFORMATION_EX, Mbr.Signature));
static_assert(layout::kExGptDiskId == offsetof(DRIVE_LAYOUT_INFORMATION_EX, Gpt.DiskId));
static_assert(layout::kExGptStartingUsableOffset == offsetof(DRIVE_LAYOUT_INFORMATION_EX, Gpt.StartingUsableOffset));
static_assert(layout::kExGptUsableLength == offsetof(DRIVE_LAYOUT_INFORMATION_EX, Gpt.UsableLength));
static_assert(layout::kExGptMaxPartitionCount == offsetof(DRIVE_LAYOUT_INFORMATION_EX, Gpt.MaxPartitionCount));
static_assert(kPartitionInfoExSize == sizeof(PARTITION_INFORMATION_EX));
static_assert(kPartitionInfoExGptTypeOffset == offsetof(PARTITION_INFORMATION_EX, Gpt.PartitionType));
static_assert(layout::kExEntryStyle == offsetof(PARTITION_INFORMATION_EX, PartitionStyle));
static_assert(layout::kExEntryStartingOffset == offsetof(PARTITION_INFORMATION_EX, StartingOffset));
static_assert(layout::kExEntryLength == offsetof(PARTITION_INFORMATION_EX, PartitionLength));
static_assert(layout::kExEntryNumber == offsetof(PARTITION_INFORMATION_EX, PartitionNumber));
static_assert(layout::kExEntryMbrType == offsetof(PARTITION_INFORMATION_EX, Mbr.PartitionType));
static_assert(layout::kExEntryMbrBootIndicator == offsetof(PARTITION_INFORMATION_EX, Mbr.BootIndicator));
static_assert(layout::kExEntryMbrRecognized == offsetof(PARTITION_INFORMATION_EX, Mbr.RecognizedPartition));
static_assert(layout::kExEntryMbrHiddenSectors == offsetof(PARTITION_INFORMATION_EX, Mbr.HiddenSectors));
static_assert(layout::kExEntryGptId == offsetof(PARTITION_INFORMATION_EX, Gpt.PartitionId));
static_assert(layout::kExEntryGptAttributes == offsetof(PARTITION_INFORMATION_EX, Gpt.Attributes));
static_assert(layout::kExEntryGptName == offsetof(PARTITION_INFORMATION_EX, Gpt.Name));
static_assert(layout::kExEntryGptNameLength == sizeof(PARTITION_INFORMATION_GPT::Name) / sizeof(WCHAR));

// ---- registry, mutexes, version ----------------------------------------------------------

// The hives: the SDK casts each number to HKEY, which no constant expression may do; read
// as a number type instead, the same macros give the numbers.
#pragma push_macro("HKEY")
#define HKEY std::uint32_t
static_assert(kHkeyClassesRoot == HKEY_CLASSES_ROOT);
static_assert(kHkeyCurrentUser == HKEY_CURRENT_USER);
static_assert(kHkeyLocalMachine == HKEY_LOCAL_MACHINE);
static_assert(kHkeyUsers == HKEY_USERS);
#pragma pop_macro("HKEY")
static_assert(kKeyRead == KEY_READ);
static_assert(kKeyAllAccess == KEY_ALL_ACCESS);
static_assert(kKeyQueryValue == KEY_QUERY_VALUE);
static_assert(kKeySetValue == KEY_SET_VALUE);
static_assert(kKeyCreateSubKey == KEY_CREATE_SUB_KEY);
static_assert(kRegNone == REG_NONE);
static_assert(kRegSz == REG_SZ);
static_assert(kRegExpandSz == REG_EXPAND_SZ);
static_assert(kRegBinary == REG_BINARY);
static_assert(kRegDword == REG_DWORD);
static_assert(kRegMultiSz == REG_MULTI_SZ);

static_assert(kErrorSuccess == ERROR_SUCCESS);
static_assert(kErrorFileNotFound == ERROR_FILE_NOT_FOUND);
static_assert(kErrorPathNotFound == ERROR_PATH_NOT_FOUND);
static_assert(kErrorAccessDenied == ERROR_ACCESS_DENIED);
static_assert(kErrorInvalidHandle == ERROR_INVALID_HANDLE);
static_assert(kErrorInvalidParameter == ERROR_INVALID_PARAMETER);
static_assert(kErrorInvalidName == ERROR_INVALID_NAME);
static_assert(kErrorBadPathname == ERROR_BAD_PATHNAME);
static_assert(kErrorAlreadyExists == ERROR_ALREADY_EXISTS);
static_assert(kErrorFilenameExcedRange == ERROR_FILENAME_EXCED_RANGE);
static_assert(kErrorMoreData == ERROR_MORE_DATA);
static_assert(kErrorNotOwner == ERROR_NOT_OWNER);
static_assert(kErrorKeyDeleted == ERROR_KEY_DELETED);

static_assert(kVerPlatformWin32Nt == VER_PLATFORM_WIN32_NT);

static_assert(sizeof(Guid) == sizeof(GUID));
static_assert(alignof(Guid) == alignof(GUID));
static_assert(offsetof(Guid, data4) == offsetof(GUID, Data4));

} // namespace zel::platform

// The SDK's GUIDs are plain `const GUID` objects, unusable in constant expressions.
// The GUID block at the top of <winioctl.h> sits outside its include guard, so reading
// it a second time with DEFINE_GUID redefined yields constexpr copies to compare with.
#undef DEFINE_GUID
#define DEFINE_GUID(name, l, w1, w2, b1, b2, b3, b4, b5, b6, b7, b8) \
    [[maybe_unused]] static constexpr zel::platform::Guid sdk_##name{l, w1, w2, {b1, b2, b3, b4, b5, b6, b7, b8}}
#include <winioctl.h>

static_assert(zel::platform::kGuidDevInterfaceDisk == sdk_GUID_DEVINTERFACE_DISK);
static_assert(zel::platform::kGuidDevInterfaceCdRom == sdk_GUID_DEVINTERFACE_CDROM);
static_assert(zel::platform::kGuidDevInterfaceWriteOnceDisk == sdk_GUID_DEVINTERFACE_WRITEONCEDISK);
// MinGW-w64's headers do not carry PARTITION_MSFT_RESERVED_GUID; the native tests check
// its bytes as a GPT entry stores them instead.
