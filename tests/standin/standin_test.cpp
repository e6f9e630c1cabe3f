// The stand-in's strictness where it guards the real backend: a record of the wrong size
// is refused, sizes are negotiated, enumerations end, a refused removal is reported as
// Windows reports it, and nothing handed out stays open. Run with the stand-in loaded
// (WINEDLLOVERRIDES=setupapi=n) from its folder.
#include "standin_control.h"

#include <zel/platform/holders.h>

#include <gtest/gtest.h>

#include <windows.h>
#include <cfgmgr32.h>
#include <setupapi.h>
#include <winioctl.h>

#include <cstddef>
#include <cstdio>
#include <string>

namespace {

const GUID kDiskInterface = {0x53F56307, 0xB6BF, 0x11D0, {0x94, 0xF2, 0x00, 0xA0, 0xC9, 0x1E, 0xFB, 0x8B}};

template <class Fn>
Fn standIn(const char* name) {
    HMODULE module = GetModuleHandleA("setupapi.dll");
    return module == nullptr ? nullptr
                             : reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

// Loads a machine written here into the stand-in.
void loadMachine(const std::string& json) {
    char path[MAX_PATH];
    ASSERT_NE(GetTempPathA(sizeof path, path), 0u);
    std::string file = std::string(path) + "zel-standin-test.json";
    std::FILE* out = std::fopen(file.c_str(), "wb");
    ASSERT_NE(out, nullptr);
    std::fputs(json.c_str(), out);
    std::fclose(out);
    const auto load = standIn<ZelStandInLoadMachineFn>("ZelStandIn_LoadMachine");
    ASSERT_NE(load, nullptr) << "the stand-in setupapi.dll is not loaded";
    ASSERT_TRUE(load(file.c_str()));
    DeleteFileA(file.c_str());
}

ZelStandInHandles openHandles() {
    ZelStandInHandles counts{};
    standIn<ZelStandInOpenHandlesFn>("ZelStandIn_OpenHandles")(&counts);
    return counts;
}

// A SATA card carrying one disk that refuses removal.
const char* kMachine = R"({"root": {"children": [{
  "instanceId": "PCI\\VEN_1095&DEV_3512&SUBSYS_35121095&REV_01\\4&1", "hardwareIds": ["PCI\\VEN_1095&DEV_3512&SUBSYS_35121095&REV_01"],
  "children": [{"instanceId": "SCSI\\DISK\\5&1", "hardwareIds": ["SCSI\\Disk", "GenDisk"], "friendlyName": "DISK ONE",
                "disk": 1, "refusesRemoval": true, "volumes": ["E:"]}]}]}})";

TEST(StandIn, RecordSizesAndBufferNegotiation) {
    loadMachine(kMachine);
    HDEVINFO set = SetupDiGetClassDevsA(&kDiskInterface, nullptr, nullptr, DIGCF_PRESENT | DIGCF_DEVICEINTERFACE);
    ASSERT_NE(set, INVALID_HANDLE_VALUE);

    SP_DEVICE_INTERFACE_DATA iface{};
    iface.cbSize = sizeof iface - 4; // the 32-bit record's size on x86_64
    EXPECT_FALSE(SetupDiEnumDeviceInterfaces(set, nullptr, &kDiskInterface, 0, &iface));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_USER_BUFFER));
    iface.cbSize = sizeof iface;
    EXPECT_FALSE(SetupDiEnumDeviceInterfaces(set, nullptr, &kDiskInterface, 1, &iface));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NO_MORE_ITEMS));
    ASSERT_TRUE(SetupDiEnumDeviceInterfaces(set, nullptr, &kDiskInterface, 0, &iface));

    // The size query: no record, the size, and the owner in the device-info record.
    SP_DEVINFO_DATA info{};
    info.cbSize = sizeof info + 1;
    DWORD required = 0;
    EXPECT_FALSE(SetupDiGetDeviceInterfaceDetailA(set, &iface, nullptr, 0, &required, &info));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_USER_BUFFER));
    info.cbSize = sizeof info;
    EXPECT_FALSE(SetupDiGetDeviceInterfaceDetailA(set, &iface, nullptr, 0, &required, &info));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
    EXPECT_NE(info.DevInst, 0u);
    const std::string path = "\\\\?\\scsi#disk#5&1#{53f56307-b6bf-11d0-94f2-00a0c91efb8b}";
    EXPECT_EQ(required, offsetof(SP_DEVICE_INTERFACE_DETAIL_DATA_A, DevicePath) + path.size() + 1);

    std::string block(required + 8, '\0');
    auto* detail = reinterpret_cast<SP_DEVICE_INTERFACE_DETAIL_DATA_A*>(block.data());
    detail->cbSize = required; // the usual mistake: the whole size instead of the fixed part's
    EXPECT_FALSE(SetupDiGetDeviceInterfaceDetailA(set, &iface, detail, required, nullptr, nullptr));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_USER_BUFFER));
    detail->cbSize = sizeof *detail;
    EXPECT_FALSE(SetupDiGetDeviceInterfaceDetailA(set, &iface, detail, required - 1, nullptr, nullptr));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
    ASSERT_TRUE(SetupDiGetDeviceInterfaceDetailA(set, &iface, detail, required, nullptr, nullptr));
    EXPECT_EQ(detail->DevicePath, path);

    // Element records and properties: the same checks, the same negotiation.
    SP_DEVINFO_DATA element{};
    element.cbSize = 28; // the 32-bit record's size
    EXPECT_FALSE(SetupDiEnumDeviceInfo(set, 0, &element));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_USER_BUFFER));
    element.cbSize = sizeof element;
    ASSERT_TRUE(SetupDiEnumDeviceInfo(set, 0, &element));
    EXPECT_EQ(element.DevInst, info.DevInst);
    EXPECT_FALSE(SetupDiEnumDeviceInfo(set, 1, &element));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NO_MORE_ITEMS));
    ASSERT_TRUE(SetupDiEnumDeviceInfo(set, 0, &element));
    DWORD size = 0;
    EXPECT_FALSE(SetupDiGetDeviceRegistryPropertyA(set, &element, SPDRP_FRIENDLYNAME, nullptr, nullptr, 0, &size));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
    EXPECT_EQ(size, 9u);
    char name[9];
    EXPECT_TRUE(SetupDiGetDeviceRegistryPropertyA(set, &element, SPDRP_FRIENDLYNAME, nullptr,
                                                  reinterpret_cast<PBYTE>(name), sizeof name, &size));
    EXPECT_STREQ(name, "DISK ONE");

    // The tree: the pointer checks come first, the size query answers with a null buffer.
    DEVINST root = 0, child = 0;
    EXPECT_EQ(CM_Locate_DevNodeA(&root, nullptr, 0), static_cast<CONFIGRET>(CR_SUCCESS));
    EXPECT_EQ(CM_Get_Child(nullptr, root, 0), static_cast<CONFIGRET>(CR_INVALID_POINTER));
    EXPECT_EQ(CM_Get_Child(&child, root, 1), static_cast<CONFIGRET>(CR_INVALID_FLAG));
    ASSERT_EQ(CM_Get_Child(&child, root, 0), static_cast<CONFIGRET>(CR_SUCCESS));
    ULONG length = 4;
    EXPECT_EQ(CM_Get_DevNode_Registry_PropertyA(child, CM_DRP_HARDWAREID, nullptr, nullptr, &length, 0),
              static_cast<CONFIGRET>(CR_INVALID_POINTER));
    length = 0;
    EXPECT_EQ(CM_Get_DevNode_Registry_PropertyA(child, CM_DRP_HARDWAREID, nullptr, nullptr, &length, 0),
              static_cast<CONFIGRET>(CR_BUFFER_SMALL));
    EXPECT_EQ(length, sizeof "PCI\\VEN_1095&DEV_3512&SUBSYS_35121095&REV_01" + 1);

    // The device-number query refuses a buffer too small for its record.
    HANDLE disk = CreateFileA("\\\\.\\PhysicalDrive1", 0, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(disk, INVALID_HANDLE_VALUE);
    STORAGE_DEVICE_NUMBER number{};
    DWORD returned = 99;
    EXPECT_FALSE(DeviceIoControl(disk, IOCTL_STORAGE_GET_DEVICE_NUMBER, nullptr, 0, &number, 8, &returned, nullptr));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
    EXPECT_EQ(returned, 0u);
    EXPECT_TRUE(DeviceIoControl(disk, IOCTL_STORAGE_GET_DEVICE_NUMBER, nullptr, 0, &number, sizeof number, &returned,
                                nullptr));
    EXPECT_EQ(number.DeviceNumber, 1u);
    EXPECT_EQ(openHandles().devices, 1);
    EXPECT_TRUE(CloseHandle(disk));

    EXPECT_EQ(openHandles().infoSets, 1);
    EXPECT_TRUE(SetupDiDestroyDeviceInfoList(set));
    EXPECT_FALSE(SetupDiDestroyDeviceInfoList(set));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    const ZelStandInHandles open = openHandles();
    EXPECT_EQ(open.devices + open.infoSets + open.finds, 0);
}

TEST(StandIn, RefusedRemovalSucceedsWithTheRestartFlag) {
    loadMachine(kMachine);
    HDEVINFO set = SetupDiGetClassDevsA(nullptr, nullptr, nullptr, DIGCF_PRESENT | DIGCF_ALLCLASSES);
    ASSERT_NE(set, INVALID_HANDLE_VALUE);
    SP_DEVINFO_DATA element{};
    element.cbSize = sizeof element;
    DWORD index = 0;
    char id[MAX_DEVICE_ID_LEN] = {};
    for (; SetupDiEnumDeviceInfo(set, index, &element); ++index) {
        ASSERT_EQ(CM_Get_Device_IDA(element.DevInst, id, sizeof id, 0), static_cast<CONFIGRET>(CR_SUCCESS));
        if (std::string(id) == "SCSI\\DISK\\5&1") break;
    }
    ASSERT_EQ(std::string(id), "SCSI\\DISK\\5&1");

    EXPECT_TRUE(SetupDiRemoveDevice(set, &element));
    SP_DEVINSTALL_PARAMS_A params{};
    params.cbSize = sizeof params - 4;
    EXPECT_FALSE(SetupDiGetDeviceInstallParamsA(set, &element, &params));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_USER_BUFFER));
    params.cbSize = sizeof params;
    ASSERT_TRUE(SetupDiGetDeviceInstallParamsA(set, &element, &params));
    EXPECT_EQ(params.Flags & DI_NEEDREBOOT, static_cast<DWORD>(DI_NEEDREBOOT));
    ASSERT_TRUE(SetupDiGetDeviceInstallParamsA(set, nullptr, &params));
    EXPECT_EQ(params.Flags & DI_NEEDREBOOT, static_cast<DWORD>(DI_NEEDREBOOT));
    // The disk is still there, and so is its drive letter.
    DEVINST disk = 0;
    EXPECT_EQ(CM_Locate_DevNodeA(&disk, const_cast<char*>("SCSI\\DISK\\5&1"), 0), static_cast<CONFIGRET>(CR_SUCCESS));
    EXPECT_NE(GetLogicalDrives() & (1u << ('E' - 'A')), 0u);
    EXPECT_TRUE(SetupDiDestroyDeviceInfoList(set));
    EXPECT_EQ(openHandles().infoSets, 0);
}

} // namespace

namespace {

// The real backend's holder search against the stand-in's programs: the one holding E:
// named with its ID, programs on other drives left out, and everything it opened or
// duplicated closed again, the debug privilege dropped; without the privilege, no list.
TEST(StandIn, HolderSearchClosesAllItOpened) {
    const std::string disks = R"({"root": {"children": [{"instanceId": "SCSI\\DISK\\5&1", "disk": 1, "volumes": ["E:"]},
        {"instanceId": "SCSI\\DISK\\5&2", "disk": 2, "volumes": ["F:"]}]}, "processes": [
        {"id": 1234, "image": "notepad.exe", "open": ["E:\\notes.txt", "E:\\"]},
        {"id": 600, "image": "other.exe", "open": ["F:\\x"]}, {"id": 4, "image": "System"}])";
    loadMachine(disks + "}");
    const zel::platform::HolderReport report = zel::platform::findFileHolders("E:");
    EXPECT_EQ(report.status, zel::platform::HolderSearch::found);
    ASSERT_EQ(report.holders.size(), 1u);
    EXPECT_EQ(report.holders[0].image, "notepad.exe");
    EXPECT_EQ(report.holders[0].processId, 1234u);
    EXPECT_EQ(zel::platform::findFileHolders("ef").holders.size(), 2u);
    ZelStandInHandles open = openHandles();
    EXPECT_EQ(open.processes, 0);
    EXPECT_EQ(open.files, 0);
    EXPECT_EQ(open.debugPrivilege, 0);

    loadMachine(disks + R"(, "holderQuery": "noRights"})");
    EXPECT_EQ(zel::platform::findFileHolders("E").status, zel::platform::HolderSearch::noRights);
    open = openHandles();
    EXPECT_EQ(open.processes + open.files + open.debugPrivilege, 0);
}

} // namespace
