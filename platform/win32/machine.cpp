// The device side of the machine over the real Windows calls: Configuration Manager,
// SetupAPI, CreateFileA / DeviceIoControl and the logical-drive calls.
#include <zel/platform/machine.h>

#include <windows.h>
#include <cfgmgr32.h>
#include <setupapi.h>
#include <winioctl.h>

#include <cstdlib>
#include <cstring>
#include <memory>

namespace zel::platform {

namespace {

// The interface record lives in the caller's opaque storage between calls; its size
// differs between the 32-bit and 64-bit builds (28 and 32 bytes).
static_assert(sizeof(SP_DEVICE_INTERFACE_DATA) <= sizeof(DeviceInterfaceData::opaque));
static_assert(alignof(SP_DEVICE_INTERFACE_DATA) <= alignof(DeviceInterfaceData));

SP_DEVICE_INTERFACE_DATA interfaceRecord(const DeviceInterfaceData& data) {
    SP_DEVICE_INTERFACE_DATA record;
    std::memcpy(&record, data.opaque, sizeof record);
    return record;
}

GUID toGuid(const Guid& g) {
    GUID out{g.data1, g.data2, g.data3, {}};
    std::memcpy(out.Data4, g.data4, sizeof out.Data4);
    return out;
}

// The device-info record likewise (28 and 32 bytes).
static_assert(sizeof(SP_DEVINFO_DATA) <= sizeof(DeviceInfoData::opaque));
static_assert(alignof(SP_DEVINFO_DATA) <= alignof(DeviceInfoData));

SP_DEVINFO_DATA infoRecord(const DeviceInfoData& data) {
    SP_DEVINFO_DATA record;
    std::memcpy(&record, data.opaque, sizeof record);
    return record;
}

HDEVINFO nativeSet(const DeviceInfoSet& set) { return static_cast<HDEVINFO>(set.native()); }

struct FreeDeleter {
    void operator()(void* p) const { std::free(p); }
};

} // namespace

// ---- Configuration Manager -------------------------------------------------------

ConfigRet cmReenumerateDevNode(DevInst node) { return CM_Reenumerate_DevNode(node, CM_REENUMERATE_NORMAL); }

ConfigRet cmLocateRoot(DevInst& root) {
    DEVINST node = 0;
    const CONFIGRET result = CM_Locate_DevNodeA(&node, nullptr, 0);
    root = node;
    return result;
}

ConfigRet cmGetChild(DevInst& child, DevInst node) {
    DEVINST out = 0;
    const CONFIGRET result = CM_Get_Child(&out, node, 0);
    child = out;
    return result;
}

ConfigRet cmGetSibling(DevInst& sibling, DevInst node) {
    DEVINST out = 0;
    const CONFIGRET result = CM_Get_Sibling(&out, node, 0);
    sibling = out;
    return result;
}

ConfigRet cmGetParent(DevInst& parent, DevInst node) {
    DEVINST out = 0;
    const CONFIGRET result = CM_Get_Parent(&out, node, 0);
    parent = out;
    return result;
}

ConfigRet cmGetDevNodeRegistryProperty(DevInst node, std::uint32_t property, void* buffer,
                                       std::uint32_t& length) {
    ULONG size = length;
    const CONFIGRET result = CM_Get_DevNode_Registry_PropertyA(node, property, nullptr, buffer, &size, 0);
    length = size;
    return result;
}

ConfigRet cmGetDeviceId(DevInst node, char* buffer, std::uint32_t length) {
    return CM_Get_Device_IDA(node, buffer, length, 0);
}

// ---- SetupAPI device-interface sets ----------------------------------------------

DeviceInfoSet DeviceInfoSet::presentInterfaces(const Guid& interfaceClass) {
    const GUID cls = toGuid(interfaceClass);
    HDEVINFO set = SetupDiGetClassDevsA(&cls, nullptr, nullptr, DIGCF_PRESENT | DIGCF_DEVICEINTERFACE);
    if (set == INVALID_HANDLE_VALUE) return {};
    return DeviceInfoSet(set);
}

DeviceInfoSet DeviceInfoSet::presentDevices() {
    HDEVINFO set = SetupDiGetClassDevsA(nullptr, nullptr, nullptr, DIGCF_PRESENT | DIGCF_ALLCLASSES);
    if (set == INVALID_HANDLE_VALUE) return {};
    return DeviceInfoSet(set);
}


void DeviceInfoSet::reset() {
    if (handle_ != nullptr) SetupDiDestroyDeviceInfoList(static_cast<HDEVINFO>(handle_));
    handle_ = nullptr;
}

EnumResult setupEnumDeviceInterface(const DeviceInfoSet& set, const Guid& interfaceClass,
                                    std::uint32_t index, DeviceInterfaceData& data) {
    // An empty set has no elements; saying so keeps an index loop from running forever.
    if (!set) return EnumResult::noMoreItems;
    const GUID cls = toGuid(interfaceClass);
    SP_DEVICE_INTERFACE_DATA record{};
    record.cbSize = sizeof record;
    if (!SetupDiEnumDeviceInterfaces(nativeSet(set), nullptr, &cls, index, &record))
        return GetLastError() == ERROR_NO_MORE_ITEMS ? EnumResult::noMoreItems : EnumResult::failed;
    data = DeviceInterfaceData{};
    std::memcpy(data.opaque, &record, sizeof record);
    return EnumResult::ok;
}

bool setupEnumDeviceInfo(const DeviceInfoSet& set, std::uint32_t index, DevInst& devInst) {
    if (!set) return false;
    SP_DEVINFO_DATA info{};
    info.cbSize = sizeof info;
    if (!SetupDiEnumDeviceInfo(nativeSet(set), index, &info)) return false;
    devInst = info.DevInst;
    return true;
}

bool setupInterfaceDetailSize(const DeviceInfoSet& set, const DeviceInterfaceData& data,
                              std::uint32_t& required, DevInst& owner) {
    if (!set) return false;
    SP_DEVICE_INTERFACE_DATA record = interfaceRecord(data);
    SP_DEVINFO_DATA info{};
    info.cbSize = sizeof info;
    DWORD size = 0;
    // With no detail buffer the call fails with ERROR_INSUFFICIENT_BUFFER: that is the
    // answer, together with the size and the device-info record it filled in.
    const BOOL ok = SetupDiGetDeviceInterfaceDetailA(nativeSet(set), &record, nullptr, 0, &size, &info);
    if (!ok && GetLastError() != ERROR_INSUFFICIENT_BUFFER) return false;
    required = size;
    owner = info.DevInst;
    return true;
}

bool setupInterfaceDevicePath(const DeviceInfoSet& set, const DeviceInterfaceData& data,
                              std::uint32_t required, char* path, std::uint32_t capacity) {
    using Detail = SP_DEVICE_INTERFACE_DETAIL_DATA_A;
    if (!set || required < sizeof(Detail) || path == nullptr || capacity == 0) return false;
    // malloc's alignment suits the record; the path runs on past its nominal end.
    std::unique_ptr<void, FreeDeleter> block(std::calloc(1, required));
    if (!block) return false;
    auto* detail = static_cast<Detail*>(block.get());
    detail->cbSize = sizeof(Detail); // the fixed part only: 5 bytes on i686, 8 on x86_64
    SP_DEVICE_INTERFACE_DATA record = interfaceRecord(data);
    if (!SetupDiGetDeviceInterfaceDetailA(nativeSet(set), &record, detail, required, nullptr, nullptr))
        return false;
    const std::size_t room = required - offsetof(Detail, DevicePath);
    const std::size_t length = strnlen(detail->DevicePath, room);
    if (length == room || length + 1 > capacity) return false; // unterminated, or too long
    std::memcpy(path, detail->DevicePath, length + 1);
    return true;
}

// ---- SetupAPI device enumeration and removal -------------------------------------

EnumResult setupEnumDeviceInfoData(const DeviceInfoSet& set, std::uint32_t index, DeviceInfoData& data) {
    if (!set) return EnumResult::failed;
    SP_DEVINFO_DATA record{};
    record.cbSize = sizeof record;
    if (!SetupDiEnumDeviceInfo(nativeSet(set), index, &record))
        return GetLastError() == ERROR_NO_MORE_ITEMS ? EnumResult::noMoreItems : EnumResult::failed;
    data = DeviceInfoData{};
    std::memcpy(data.opaque, &record, sizeof record);
    return EnumResult::ok;
}

bool setupGetDeviceRegistryProperty(const DeviceInfoSet& set, const DeviceInfoData& data, std::uint32_t property,
                                    void* buffer, std::uint32_t size, std::uint32_t& required,
                                    std::int32_t& lastError) {
    if (!set) {
        lastError = ERROR_INVALID_HANDLE;
        return false;
    }
    SP_DEVINFO_DATA record = infoRecord(data);
    DWORD needed = 0;
    const BOOL ok = SetupDiGetDeviceRegistryPropertyA(nativeSet(set), &record, property, nullptr,
                                                      static_cast<PBYTE>(buffer), size, &needed);
    lastError = ok ? ERROR_SUCCESS : static_cast<std::int32_t>(GetLastError());
    required = needed;
    return ok != FALSE;
}

namespace {

constexpr DWORD kRestartFlags = DI_NEEDREBOOT | DI_NEEDRESTART;

// The restart flags of the element's install parameters (with no element, of the set's).
// Unreadable parameters ask for nothing: the removal call's own answer then stands.
DWORD restartFlags(HDEVINFO set, SP_DEVINFO_DATA* element) {
    SP_DEVINSTALL_PARAMS_A params{};
    params.cbSize = sizeof params;
    if (!SetupDiGetDeviceInstallParamsA(set, element, &params)) return 0;
    return params.Flags & kRestartFlags;
}

// Clears the restart flags a veto left in the parameters of the element (or the set).
// They stay there otherwise: after one vetoed attempt, every later attempt on the same
// element would read as vetoed too, even the one that removes the device.
void clearRestartFlags(HDEVINFO set, SP_DEVINFO_DATA* element) {
    SP_DEVINSTALL_PARAMS_A params{};
    params.cbSize = sizeof params;
    if (!SetupDiGetDeviceInstallParamsA(set, element, &params) || (params.Flags & kRestartFlags) == 0) return;
    params.Flags &= ~kRestartFlags;
    SetupDiSetDeviceInstallParamsA(set, element, &params);
}

} // namespace

RemoveResult setupRemoveDevice(const DeviceInfoSet& set, DeviceInfoData& data) {
    if (!set) return RemoveResult::failed;
    SP_DEVINFO_DATA record = infoRecord(data);
    // The flags read after the call must speak of this attempt alone.
    clearRestartFlags(nativeSet(set), &record);
    clearRestartFlags(nativeSet(set), nullptr);
    const BOOL ok = SetupDiRemoveDevice(nativeSet(set), &record);
    std::memcpy(data.opaque, &record, sizeof record);
    if (!ok) return RemoveResult::failed;
    // A vetoed removal still answers TRUE; the veto shows in the parameters.
    const DWORD raised = restartFlags(nativeSet(set), &record) | restartFlags(nativeSet(set), nullptr);
    return raised != 0 ? RemoveResult::restartNeeded : RemoveResult::removed;
}

// ---- Device I/O and logical drives -----------------------------------------------

DeviceHandle DeviceHandle::openForQuery(const char* path) {
    if (path == nullptr) return {};
    HANDLE h = CreateFileA(path, 0, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE || h == nullptr) return {};
    return DeviceHandle(h);
}


void DeviceHandle::reset() {
    if (handle_ != nullptr) CloseHandle(static_cast<HANDLE>(handle_));
    handle_ = nullptr;
}

bool queryStorageDeviceNumber(const DeviceHandle& device, StorageDeviceNumber& number) {
    if (!device) return false;
    STORAGE_DEVICE_NUMBER local{};
    DWORD returned = 0;
    if (!DeviceIoControl(static_cast<HANDLE>(device.native()), IOCTL_STORAGE_GET_DEVICE_NUMBER, nullptr, 0,
                         &local, sizeof local, &returned, nullptr))
        return false;
    number.deviceType = local.DeviceType;
    number.deviceNumber = local.DeviceNumber;
    number.partitionNumber = local.PartitionNumber;
    return true;
}

std::uint32_t getLogicalDrives() { return GetLogicalDrives(); }

std::uint32_t getDriveType(const char* root) { return GetDriveTypeA(root); }

} // namespace zel::platform
