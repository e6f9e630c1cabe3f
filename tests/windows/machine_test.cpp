// The real device backend under Wine. Wine 8 has no device tree: its Configuration
// Manager calls are stubs and its storage interface classes are empty, but volumes and
// physical drives open and answer the device-number query. These tests pin down those
// answers, since they are all the search library meets when it runs under Wine.
#include <zel/platform/machine.h>

#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <initializer_list>
#include <utility>

namespace zel::platform {
namespace {

bool isOpen(void* handle) {
    DWORD flags = 0;
    return GetHandleInformation(static_cast<HANDLE>(handle), &flags) != FALSE;
}

TEST(Win32Machine, DeviceTreeCallsAnswerAsWineStubs) {
    DevInst root = 99;
    EXPECT_EQ(cmLocateRoot(root), kCrFailure);
    EXPECT_EQ(root, 0u);

    // The child query "succeeds" without naming a node; the others fail.
    DevInst other = 99;
    EXPECT_EQ(cmGetChild(other, root), kCrSuccess);
    EXPECT_EQ(other, 0u);
    other = 99;
    EXPECT_EQ(cmGetSibling(other, root), kCrFailure);
    EXPECT_EQ(other, 0u);
    other = 99;
    EXPECT_EQ(cmGetParent(other, root), kCrNoSuchDevNode);
    EXPECT_EQ(other, 0u);

    char id[kDeviceIdBufferLength];
    std::memset(id, 'x', sizeof id);
    EXPECT_EQ(cmGetDeviceId(root, id, sizeof id), kCrNoSuchDevNode);
    EXPECT_EQ(id[0], 'x');

    // Neither the size query nor a read touches the length it is given.
    std::uint32_t length = 77;
    EXPECT_EQ(cmGetDevNodeRegistryProperty(root, kCmDrpHardwareId, nullptr, length), kCrFailure);
    EXPECT_EQ(length, 77u);
    char text[64];
    length = sizeof text;
    EXPECT_EQ(cmGetDevNodeRegistryProperty(1, kCmDrpDeviceDesc, text, length), kCrFailure);
    EXPECT_EQ(length, sizeof text);
}

TEST(Win32Machine, StorageInterfaceSetsAreBuiltButEmpty) {
    for (const Guid* cls : {&kGuidDevInterfaceDisk, &kGuidDevInterfaceCdRom, &kGuidDevInterfaceWriteOnceDisk}) {
        DeviceInfoSet set = DeviceInfoSet::presentInterfaces(*cls);
        ASSERT_TRUE(set);
        DeviceInterfaceData data;
        EXPECT_EQ(setupEnumDeviceInterface(set, *cls, 0, data), EnumResult::noMoreItems);
        DevInst node = 5;
        EXPECT_FALSE(setupEnumDeviceInfo(set, 0, node));
        EXPECT_EQ(node, 5u);

        DeviceInfoSet moved = std::move(set);
        EXPECT_TRUE(moved);
        EXPECT_FALSE(set);
        // An empty set ends an index loop instead of failing each index forever.
        EXPECT_EQ(setupEnumDeviceInterface(set, *cls, 0, data), EnumResult::noMoreItems);
        std::uint32_t required = 0;
        EXPECT_FALSE(setupInterfaceDetailSize(set, data, required, node));
    }
}

TEST(Win32Machine, VolumeAndPhysicalDriveAnswerTheDeviceNumberQuery) {
    DeviceHandle volume = DeviceHandle::openForQuery(R"(\\.\C:)");
    ASSERT_TRUE(volume);
    StorageDeviceNumber ofVolume{};
    ASSERT_TRUE(queryStorageDeviceNumber(volume, ofVolume));

    DeviceHandle drive = DeviceHandle::openForQuery(R"(\\.\PhysicalDrive0)");
    ASSERT_TRUE(drive);
    StorageDeviceNumber ofDrive{};
    ASSERT_TRUE(queryStorageDeviceNumber(drive, ofDrive));

    // The volume names the disk it lives on, and a partition of it.
    EXPECT_EQ(ofVolume.deviceType, kFileDeviceDisk);
    EXPECT_EQ(ofDrive.deviceType, kFileDeviceDisk);
    EXPECT_EQ(ofVolume.deviceNumber, ofDrive.deviceNumber);
    EXPECT_EQ(ofDrive.partitionNumber, 0u);
    EXPECT_NE(ofVolume.partitionNumber, 0u);
}

TEST(Win32Machine, DeviceHandlesAreEmptyOnFailureAndClosedOnRelease) {
    EXPECT_FALSE(DeviceHandle::openForQuery(R"(\\.\NoSuchDevice)"));
    EXPECT_FALSE(DeviceHandle::openForQuery(nullptr));
    StorageDeviceNumber number{1, 2, 3};
    EXPECT_FALSE(queryStorageDeviceNumber(DeviceHandle{}, number));
    EXPECT_EQ(number.deviceType, 1u);
    EXPECT_EQ(number.deviceNumber, 2u);
    EXPECT_EQ(number.partitionNumber, 3u);

    DeviceHandle first = DeviceHandle::openForQuery(R"(\\.\C:)");
    DeviceHandle second = DeviceHandle::openForQuery(R"(\\.\PhysicalDrive0)");
    ASSERT_TRUE(first);
    ASSERT_TRUE(second);
    void* const firstRaw = first.native();
    void* const secondRaw = second.native();

    first = std::move(second); // closes what `first` held, takes over the other
    EXPECT_FALSE(isOpen(firstRaw));
    EXPECT_TRUE(isOpen(secondRaw));
    EXPECT_EQ(first.native(), secondRaw);
    EXPECT_FALSE(second);

    {
        DeviceHandle scoped = std::move(first);
        EXPECT_FALSE(first);
    }
    EXPECT_FALSE(isOpen(secondRaw));
}

TEST(Win32Machine, LogicalDrivesIncludeTheSystemDrive) {
    const std::uint32_t mask = getLogicalDrives();
    EXPECT_NE(mask & (1u << ('C' - 'A')), 0u);
    EXPECT_EQ(getDriveType("C:"), kDriveFixed);

    // A letter with nothing behind it has no root directory.
    for (char letter = 'D'; letter <= 'Y'; ++letter) {
        if ((mask & (1u << (letter - 'A'))) != 0) continue;
        const char root[] = {letter, ':', '\0'};
        EXPECT_EQ(getDriveType(root), kDriveNoRootDir) << root;
        break;
    }
}

} // namespace
} // namespace zel::platform
