// The real backend's disk, file and directory calls under Wine: files in the real file
// system, the two directories, and what Wine's disks answer to the layout queries.
#include <zel/platform/machine.h>

#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>

namespace zel::platform {
namespace {

TEST(Win32Files, FindsFilesWithTheFileSystemsCaseRules) {
    EXPECT_TRUE(fileExists("C:\\windows\\system32\\kernel32.dll"));
    EXPECT_TRUE(fileExists("C:\\WINDOWS\\SYSTEM32\\KERNEL32.DLL"));
    EXPECT_FALSE(fileExists("C:\\no-such-file.sys"));
    EXPECT_FALSE(fileExists("C:\\no-such-directory\\io.sys"));
    EXPECT_FALSE(fileExists(nullptr));
}

TEST(Win32Directories, AreWrittenWhenTheyFitAndReportNothingOtherwise) {
    char path[MAX_PATH];
    const std::uint32_t length = getWindowsDirectory(path, sizeof path);
    ASSERT_GT(length, 2u);
    EXPECT_EQ(std::strlen(path), length);
    EXPECT_EQ(std::strncmp(path, "C:", 2), 0) << path;
    // Room for all but the terminator: nothing to report.
    char small[MAX_PATH];
    EXPECT_EQ(getWindowsDirectory(small, length), 0u);
    EXPECT_EQ(getWindowsDirectory(small, length + 1), length);

    const std::uint32_t current = getCurrentDirectory(path, sizeof path);
    ASSERT_GT(current, 2u);
    EXPECT_EQ(std::strlen(path), current);
    EXPECT_EQ(path[1], ':');
    EXPECT_EQ(getCurrentDirectory(small, 1), 0u);
    EXPECT_EQ(getCurrentDirectory(nullptr, sizeof path), 0u);
}

TEST(Win32Disks, ReadOpensAndTheGeneralQueryAnswerAsWineDoes) {
    const DeviceHandle disk = openForRead("\\\\.\\PhysicalDrive0");
    ASSERT_TRUE(disk);
    EXPECT_FALSE(openForRead("\\\\.\\PhysicalDrive99"));
    EXPECT_FALSE(openForRead(nullptr));

    // The device-number query through the general call, as through the dedicated one.
    StorageDeviceNumber viaGeneral{};
    std::uint32_t returned = 77;
    ASSERT_TRUE(deviceIoControl(disk, kIoctlStorageGetDeviceNumber, &viaGeneral, sizeof viaGeneral, returned));
    EXPECT_EQ(returned, sizeof viaGeneral);
    StorageDeviceNumber viaQuery{};
    ASSERT_TRUE(queryStorageDeviceNumber(disk, viaQuery));
    EXPECT_EQ(viaGeneral, viaQuery);
    // Measured: Wine cuts the record to a buffer too small for it and succeeds, reporting
    // the bytes it wrote (Windows refuses such a buffer); the count comes through as given.
    unsigned char part[8];
    ASSERT_TRUE(deviceIoControl(disk, kIoctlStorageGetDeviceNumber, part, 4, returned));
    EXPECT_EQ(returned, 4u);
    std::uint32_t type = 0;
    std::memcpy(&type, part, sizeof type);
    EXPECT_EQ(type, viaQuery.deviceType);

    // Measured: Wine 8's disks know neither layout query; nothing is counted.
    static char layout[10240];
    for (const std::uint32_t code : {kIoctlDiskGetDriveLayout, kIoctlDiskGetDriveLayoutEx}) {
        returned = 77;
        EXPECT_FALSE(deviceIoControl(disk, code, layout, sizeof layout, returned)) << code;
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_SUPPORTED)) << code;
        EXPECT_EQ(returned, 0u) << code;
    }
    EXPECT_FALSE(deviceIoControl(DeviceHandle(), kIoctlStorageGetDeviceNumber, &viaGeneral, sizeof viaGeneral, returned));
}

} // namespace
} // namespace zel::platform
