// Device-interface sets, device I/O and logical drives.
#include "sim_support.h"

#include <gtest/gtest.h>

namespace zel::test {
namespace {

using namespace platform;
using sim::InterfaceClass;

const std::string kDiskGuid = "{53f56307-b6bf-11d0-94f2-00a0c91efb8b}";

TEST(SimInterfaces, SetElementsAreOwnersWhileInterfacesAreListedOneByOne) {
    // X exposes two disk interfaces, so the set's interfaces and elements part ways.
    // Y is built before X but comes after it in the tree: sets follow the tree.
    sim::MachineBuilder b;
    sim::NodeRef p1 = b.root().child().instanceId("P1");
    sim::NodeRef p2 = b.root().child().instanceId("P2");
    p2.child().instanceId("SCSI\\DISK&Y\\2").disk(2);
    p1.child().instanceId("SCSI\\DISK&X\\1").disk(1).storageInterface(InterfaceClass::disk, {kFileDeviceDisk, 1, 0});
    b.root().child().instanceId("SCSI\\CDROM&Z\\3").cdrom(0);
    sim::ScopedMachine scope(b.build());
    const DevInst nodeY = 4, nodeX = 5;

    const DeviceInfoSet set = DeviceInfoSet::presentInterfaces(kGuidDevInterfaceDisk);
    ASSERT_TRUE(set);
    DeviceInterfaceData data[4];
    for (std::uint32_t i = 0; i < 3; ++i)
        ASSERT_EQ(setupEnumDeviceInterface(set, kGuidDevInterfaceDisk, i, data[i]), EnumResult::ok) << i;
    EXPECT_EQ(setupEnumDeviceInterface(set, kGuidDevInterfaceDisk, 3, data[3]), EnumResult::noMoreItems);

    DevInst element = 0;
    ASSERT_TRUE(setupEnumDeviceInfo(set, 0, element));
    EXPECT_EQ(element, nodeX);
    ASSERT_TRUE(setupEnumDeviceInfo(set, 1, element));
    EXPECT_EQ(element, nodeY);
    EXPECT_FALSE(setupEnumDeviceInfo(set, 2, element));

    // Interface 1 is X's second one: the detail call names X, not element 1.
    const std::string first = "\\\\?\\scsi#disk&x#1#" + kDiskGuid;
    const std::string expected[] = {first, first + "\\1", "\\\\?\\scsi#disk&y#2#" + kDiskGuid};
    const DevInst owners[] = {nodeX, nodeX, nodeY};
    for (int i = 0; i < 3; ++i) {
        std::uint32_t required = 0;
        DevInst owner = 0;
        ASSERT_TRUE(setupInterfaceDetailSize(set, data[i], required, owner));
        EXPECT_EQ(owner, owners[i]);
        EXPECT_EQ(required, 5 + expected[i].size() + 1);
        EXPECT_EQ(interfacePath(set, data[i]), expected[i]);
        // Every path opens and answers the number it was given.
        EXPECT_EQ(answerOf(expected[i].c_str()), (StorageDeviceNumber{kFileDeviceDisk, i < 2 ? 1u : 2u, 0}));
    }

    std::uint32_t required = 0;
    DevInst owner = 0;
    ASSERT_TRUE(setupInterfaceDetailSize(set, data[0], required, owner));
    char path[128];
    EXPECT_FALSE(setupInterfaceDevicePath(set, data[0], required - 1, path, sizeof path));
    EXPECT_FALSE(setupInterfaceDevicePath(set, data[0], required, path, static_cast<std::uint32_t>(first.size())));

    // A record belongs to the set that produced it.
    const DeviceInfoSet other = DeviceInfoSet::presentInterfaces(kGuidDevInterfaceDisk);
    EXPECT_FALSE(setupInterfaceDetailSize(other, data[0], required, owner));
    EXPECT_FALSE(setupInterfaceDetailSize(set, DeviceInterfaceData{}, required, owner));
    EXPECT_EQ(setupEnumDeviceInterface(set, kGuidDevInterfaceCdRom, 0, data[3]), EnumResult::noMoreItems);
    EXPECT_EQ(setupEnumDeviceInterface(DeviceInfoSet{}, kGuidDevInterfaceDisk, 0, data[3]), EnumResult::failed);
}

TEST(SimInterfaces, EachClassHasItsOwnSetInTreeOrder) {
    sim::ScopedMachine scope(sim::defaultMachine());
    const auto pathsOf = [](const Guid& cls) {
        std::vector<std::string> paths;
        const DeviceInfoSet set = DeviceInfoSet::presentInterfaces(cls);
        DeviceInterfaceData data;
        for (std::uint32_t i = 0; setupEnumDeviceInterface(set, cls, i, data) == EnumResult::ok; ++i)
            paths.push_back(interfacePath(set, data));
        return paths;
    };
    const std::vector<std::string> disks = pathsOf(kGuidDevInterfaceDisk);
    ASSERT_EQ(disks.size(), 3u);
    for (std::uint32_t n = 0; n < 3; ++n)
        EXPECT_EQ(answerOf(disks[n].c_str()), (StorageDeviceNumber{kFileDeviceDisk, n, 0})) << disks[n];
    const std::vector<std::string> cdroms = pathsOf(kGuidDevInterfaceCdRom);
    ASSERT_EQ(cdroms.size(), 2u);
    EXPECT_EQ(answerOf(cdroms[1].c_str()), (StorageDeviceNumber{kFileDeviceCdRom, 1, 0}));

    // Classes no node exposes give valid, empty sets.
    EXPECT_TRUE(pathsOf(kGuidDevInterfaceWriteOnceDisk).empty());
    EXPECT_TRUE(DeviceInfoSet::presentInterfaces(Guid{1, 2, 3, {4}}));
}

TEST(SimDevices, PathsOpenAndAnswerTheirNumbers) {
    sim::Machine m = sim::defaultMachine();
    const StorageDeviceNumber none{0xEE, 0xEE, 0xEE};
    {
        sim::ScopedMachine scope(m);
        EXPECT_EQ(answerOf("\\\\.\\physicaldrive1"), (StorageDeviceNumber{kFileDeviceDisk, 1, 0}));
        EXPECT_EQ(answerOf("\\\\.\\C:"), (StorageDeviceNumber{kFileDeviceDisk, 0, 1}));
        EXPECT_EQ(answerOf("\\\\.\\e:"), (StorageDeviceNumber{kFileDeviceDisk, 1, 1}));
        EXPECT_EQ(answerOf("\\\\.\\F:"), (StorageDeviceNumber{kFileDeviceDisk, 2, 1}));
        EXPECT_EQ(answerOf("\\\\.\\G:"), (StorageDeviceNumber{kFileDeviceDisk, 2, 2}));
        EXPECT_EQ(answerOf("\\\\.\\H:"), (StorageDeviceNumber{kFileDeviceCdRom, 1, 0}));
        EXPECT_FALSE(DeviceHandle::openForQuery("\\\\.\\PhysicalDrive3"));
        EXPECT_FALSE(DeviceHandle::openForQuery("\\\\.\\E:\\"));
        EXPECT_FALSE(DeviceHandle::openForQuery(nullptr));
    }

    sim::findDevice(m, "\\\\.\\PhysicalDrive1")->opens = false;
    sim::findDevice(m, "\\\\.\\E:")->answers = false;
    sim::ScopedMachine scope(m);
    EXPECT_FALSE(DeviceHandle::openForQuery("\\\\.\\PhysicalDrive1"));
    bool answered = true;
    EXPECT_EQ(answerOf("\\\\.\\E:", &answered), none);
    EXPECT_FALSE(answered);

    // A handle outlives its device: the query then fails.
    const DeviceHandle h = DeviceHandle::openForQuery("\\\\.\\PhysicalDrive2");
    ASSERT_TRUE(h);
    sim::install(sim::MachineBuilder().build());
    StorageDeviceNumber n = none;
    EXPECT_FALSE(queryStorageDeviceNumber(h, n));
    EXPECT_EQ(n, none);
}

TEST(SimDevices, LogicalDrivesAndTheirTypes) {
    sim::MachineBuilder b;
    b.root().child().cdrom(3).volume('k');
    b.root().child().disk(4).volume('M').volume('N', kDriveRemovable);
    b.looseVolume('A', kDriveRemovable).looseVolume('Z', kDriveRemote, StorageDeviceNumber{kFileDeviceDisk, 9, 0});
    sim::ScopedMachine scope(b.build());

    const auto bit = [](char letter) { return 1u << (letter - 'A'); };
    EXPECT_EQ(getLogicalDrives(), bit('A') | bit('K') | bit('M') | bit('N') | bit('Z'));
    EXPECT_EQ(getDriveType("K:"), kDriveCdRom);
    EXPECT_EQ(getDriveType("m:"), kDriveFixed);
    EXPECT_EQ(getDriveType("M:\\"), kDriveFixed);
    EXPECT_EQ(getDriveType("N:"), kDriveRemovable);
    EXPECT_EQ(getDriveType("Z:"), kDriveRemote);
    EXPECT_EQ(getDriveType("Q:"), kDriveNoRootDir);
    EXPECT_EQ(getDriveType("M"), kDriveNoRootDir);
    EXPECT_EQ(getDriveType("M:\\x"), kDriveNoRootDir);

    EXPECT_EQ(answerOf("\\\\.\\K:"), (StorageDeviceNumber{kFileDeviceCdRom, 3, 0}));
    EXPECT_EQ(answerOf("\\\\.\\N:"), (StorageDeviceNumber{kFileDeviceDisk, 4, 2}));
    EXPECT_EQ(answerOf("\\\\.\\Z:"), (StorageDeviceNumber{kFileDeviceDisk, 9, 0}));
    // A loose volume given no number opens but does not answer.
    bool answered = true;
    EXPECT_TRUE(DeviceHandle::openForQuery("\\\\.\\A:"));
    answerOf("\\\\.\\A:", &answered);
    EXPECT_FALSE(answered);
}

} // namespace
} // namespace zel::test
