// Compile-time proof that the platform's own copies of Win32 constants, GUIDs and
// structure layouts (which the logic uses without <windows.h>) match the SDK headers.
#include <zel/platform/machine.h>

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
