// Disks of the simulated machine read as the layout test reads them (byte layouts,
// byte counts, too-small buffers, failing queries), files in volume roots and the
// Windows and current directories.
#include "sim_support.h"

#include <zel/platform/disk_layout.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace zel::test {
namespace {

using namespace platform;

std::uint32_t u32At(const std::string& b, std::size_t at) {
    std::uint32_t v = 0;
    for (int i = 3; i >= 0; --i) v = (v << 8) | static_cast<unsigned char>(b[at + i]);
    return v;
}

struct Answer {
    bool ok;
    std::uint32_t returned;
    std::string bytes; // the whole buffer, filled with 0xCC before the call
};

Answer query(const char* path, std::uint32_t code, std::uint32_t size = 10240) {
    const DeviceHandle disk = openForRead(path);
    std::string buffer(size, '\xCC');
    std::uint32_t returned = 0xDEAD;
    const bool ok = disk && deviceIoControl(disk, code, buffer.data(), size, returned);
    return {ok, returned, buffer};
}

sim::Machine disks() {
    sim::MachineBuilder b;
    sim::NodeRef card = b.root().child().instanceId("PCI\\CARD\\0");
    card.child().instanceId("SCSI\\DISK\\1").disk(1).volume('E').files({"IO.SYS"});
    card.child().instanceId("SCSI\\DISK\\2").disk(2).layout(sim::Layout::mbr({0x42, 0x07, 0, 0, 0x07}));
    card.child().instanceId("SCSI\\DISK\\3").disk(3).layout(
        sim::Layout::gpt({kPartitionMsftReservedGuid, {0xEBD0A0A2, 0xB9E5, 0x4433, {0x87, 0xC0, 0x68, 0xB6, 0xB7, 0x26, 0x99, 0xC7}}}));
    card.child().instanceId("SCSI\\DISK\\4").disk(4).layout(sim::Layout::raw());
    card.child().instanceId("SCSI\\CDROM\\0").cdrom(0).volume('F').files({"boot.ini"});
    return b.build();
}

TEST(SimDisks, MbrDisksAnswerBothQueriesWithTheirSlotsInFours) {
    sim::ScopedMachine scope(disks());
    const Answer basic = query("\\\\.\\PhysicalDrive1", kIoctlDiskGetDriveLayout);
    ASSERT_TRUE(basic.ok);
    EXPECT_EQ(basic.returned, kLayoutFirstEntryOffset + 4 * kPartitionInfoSize) << "one partition, four slots";
    EXPECT_EQ(u32At(basic.bytes, layout::kCount), 4u);
    EXPECT_EQ(basic.bytes[kLayoutFirstEntryOffset + kPartitionInfoTypeOffset], 0x07);
    EXPECT_EQ(u32At(basic.bytes, kLayoutFirstEntryOffset + layout::kNumber), 1u);
    EXPECT_EQ(basic.bytes[kLayoutFirstEntryOffset + kPartitionInfoSize + kPartitionInfoTypeOffset], 0) << "unused";
    EXPECT_EQ(basic.bytes[basic.returned], '\xCC') << "nothing written past the count";

    const Answer dynamic = query("\\\\.\\PhysicalDrive2", kIoctlDiskGetDriveLayout);
    ASSERT_TRUE(dynamic.ok);
    EXPECT_EQ(dynamic.returned, kLayoutFirstEntryOffset + 8 * kPartitionInfoSize) << "five slots: two tables";
    EXPECT_EQ(static_cast<std::uint8_t>(dynamic.bytes[kLayoutFirstEntryOffset + kPartitionInfoTypeOffset]),
              kPartitionLdm);
    EXPECT_EQ(u32At(dynamic.bytes, kLayoutFirstEntryOffset + 4 * kPartitionInfoSize + layout::kNumber), 3u)
        << "partition numbers skip unused slots";

    const Answer ex = query("\\\\.\\PhysicalDrive2", kIoctlDiskGetDriveLayoutEx);
    ASSERT_TRUE(ex.ok);
    EXPECT_EQ(ex.returned, kLayoutExFirstEntryOffset + 8 * kPartitionInfoExSize);
    EXPECT_EQ(u32At(ex.bytes, kLayoutExStyleOffset), kPartitionStyleMbr);
    EXPECT_EQ(u32At(ex.bytes, layout::kExCount), 8u);
    EXPECT_EQ(static_cast<std::uint8_t>(ex.bytes[kLayoutExFirstEntryOffset + layout::kExEntryMbrType]), kPartitionLdm);
    EXPECT_EQ(ex.bytes[kLayoutExFirstEntryOffset + kPartitionInfoExSize + layout::kExEntryMbrType], 0x07);

    // The disk's interface path opens the same disk.
    const sim::Machine& m = sim::current();
    const std::string interfacePath = m.nodes[2].interfaces.at(0).path;
    EXPECT_EQ(query(interfacePath.c_str(), kIoctlDiskGetDriveLayout).returned, basic.returned);
}

TEST(SimDisks, GptAndRawDisksAnswerOnlyTheExtendedQuery) {
    sim::ScopedMachine scope(disks());
    const Answer oldGpt = query("\\\\.\\PhysicalDrive3", kIoctlDiskGetDriveLayout);
    EXPECT_FALSE(oldGpt.ok);
    EXPECT_EQ(oldGpt.returned, 0u);

    const Answer gpt = query("\\\\.\\PhysicalDrive3", kIoctlDiskGetDriveLayoutEx);
    ASSERT_TRUE(gpt.ok);
    EXPECT_EQ(gpt.returned, kLayoutExFirstEntryOffset + 2 * kPartitionInfoExSize);
    EXPECT_EQ(u32At(gpt.bytes, kLayoutExStyleOffset), kPartitionStyleGpt);
    EXPECT_EQ(u32At(gpt.bytes, layout::kExCount), 2u);
    // The reserved partition's type as a GPT entry stores it: the first three fields low byte first.
    const unsigned char reserved[16] = {0x16, 0xE3, 0xC9, 0xE3, 0x5C, 0x0B, 0xB8, 0x4D,
                                        0x81, 0x7D, 0xF9, 0x2D, 0xF0, 0x02, 0x15, 0xAE};
    EXPECT_EQ(std::memcmp(gpt.bytes.data() + kLayoutExFirstEntryOffset + kPartitionInfoExGptTypeOffset, reserved, 16), 0);
    Guid second;
    std::memcpy(&second, gpt.bytes.data() + kLayoutExFirstEntryOffset + kPartitionInfoExSize + kPartitionInfoExGptTypeOffset,
                sizeof second);
    EXPECT_EQ(second.data1, 0xEBD0A0A2u);

    EXPECT_FALSE(query("\\\\.\\PhysicalDrive4", kIoctlDiskGetDriveLayout).ok);
    const Answer raw = query("\\\\.\\PhysicalDrive4", kIoctlDiskGetDriveLayoutEx);
    ASSERT_TRUE(raw.ok);
    EXPECT_EQ(raw.returned, kLayoutExFirstEntryOffset) << "no partitions";
    EXPECT_EQ(u32At(raw.bytes, kLayoutExStyleOffset), kPartitionStyleRaw);
    // Asked again with exactly that count, the query refuses a buffer below its structure's size.
    EXPECT_FALSE(query("\\\\.\\PhysicalDrive4", kIoctlDiskGetDriveLayoutEx, raw.returned).ok);

    // Volumes and CD-ROM drives have no layout; a code nobody knows fails everywhere.
    EXPECT_FALSE(query("\\\\.\\E:", kIoctlDiskGetDriveLayout).ok);
    EXPECT_FALSE(query("\\\\.\\PhysicalDrive1", 0x00070000).ok);
}

TEST(SimDisks, BuffersTooSmallFailWithoutACountAndOverridesShapeTheAnswer) {
    sim::MachineBuilder b;
    b.root().child().instanceId("SCSI\\DISK\\1").disk(1);
    sim::Layout cut = sim::Layout::gpt({kPartitionMsftReservedGuid});
    cut.driveLayoutEx.returned = 8;
    b.root().child().instanceId("SCSI\\DISK\\2").disk(2).layout(cut);
    sim::Layout failing = sim::basicDiskLayout();
    failing.driveLayout.fails = true;
    b.root().child().instanceId("SCSI\\DISK\\3").disk(3).layout(failing);
    b.root().child().instanceId("SCSI\\DISK\\4").disk(4).opensForRead(false);
    sim::ScopedMachine scope(b.build());

    const std::uint32_t full = kLayoutFirstEntryOffset + 4 * kPartitionInfoSize;
    EXPECT_TRUE(query("\\\\.\\PhysicalDrive1", kIoctlDiskGetDriveLayout, full).ok) << "exactly its size";
    const Answer tooSmall = query("\\\\.\\PhysicalDrive1", kIoctlDiskGetDriveLayout, full - 1);
    EXPECT_FALSE(tooSmall.ok);
    EXPECT_EQ(tooSmall.returned, 0u);
    EXPECT_EQ(tooSmall.bytes, std::string(full - 1, '\xCC')) << "nothing written";

    // A truncated answer: eight bytes, and a buffer of eight bytes is enough.
    const Answer truncated = query("\\\\.\\PhysicalDrive2", kIoctlDiskGetDriveLayoutEx, 8);
    ASSERT_TRUE(truncated.ok);
    EXPECT_EQ(truncated.returned, 8u);
    EXPECT_EQ(u32At(truncated.bytes, kLayoutExStyleOffset), kPartitionStyleGpt);
    EXPECT_EQ(u32At(truncated.bytes, layout::kExCount), 1u);
    EXPECT_FALSE(query("\\\\.\\PhysicalDrive2", kIoctlDiskGetDriveLayout).ok);

    // The old query made to fail on an MBR disk; the extended one still answers MBR.
    EXPECT_FALSE(query("\\\\.\\PhysicalDrive3", kIoctlDiskGetDriveLayout).ok);
    const Answer ex = query("\\\\.\\PhysicalDrive3", kIoctlDiskGetDriveLayoutEx);
    ASSERT_TRUE(ex.ok);
    EXPECT_EQ(u32At(ex.bytes, kLayoutExStyleOffset), kPartitionStyleMbr);

    // A disk that opens for the device-number query but not for reading.
    EXPECT_FALSE(openForRead("\\\\.\\PhysicalDrive4"));
    EXPECT_TRUE(DeviceHandle::openForQuery("\\\\.\\PhysicalDrive4"));
    EXPECT_FALSE(openForRead("\\\\.\\PhysicalDrive9"));
    EXPECT_FALSE(openForRead(nullptr));
}

TEST(SimDisks, DeviceIoControlIsCountedFaultableAndLosesItsDeviceWithTheMachine) {
    sim::ScopedMachine scope(disks());
    const std::int64_t before = sim::openHandles().devices;
    const DeviceHandle disk = openForRead("\\\\.\\PhysicalDrive1");
    ASSERT_TRUE(disk);
    EXPECT_EQ(sim::openHandles().devices, before + 1);

    // The device-number query through the general call.
    StorageDeviceNumber n{};
    std::uint32_t returned = 0;
    ASSERT_TRUE(deviceIoControl(disk, kIoctlStorageGetDeviceNumber, &n, sizeof n, returned));
    EXPECT_EQ(returned, sizeof n);
    EXPECT_EQ(n, (StorageDeviceNumber{kFileDeviceDisk, 1, 0}));
    EXPECT_FALSE(deviceIoControl(disk, kIoctlStorageGetDeviceNumber, &n, sizeof n - 1, returned));

    // A fault can name one query of one disk.
    sim::addFault({sim::Op::deviceIoControl, "PhysicalDrive1|0007400C", 0, 0});
    char buffer[1024];
    EXPECT_FALSE(deviceIoControl(disk, kIoctlDiskGetDriveLayout, buffer, sizeof buffer, returned));
    EXPECT_TRUE(deviceIoControl(disk, kIoctlDiskGetDriveLayoutEx, buffer, sizeof buffer, returned));
    sim::addFault({sim::Op::createFileForRead, "PhysicalDrive2", 0, 1});
    EXPECT_FALSE(openForRead("\\\\.\\PhysicalDrive2"));
    EXPECT_TRUE(openForRead("\\\\.\\PhysicalDrive2"));
    EXPECT_EQ(sim::calls(sim::Op::createFileForRead), 3u);
    EXPECT_EQ(sim::calls(sim::Op::createFile), 0u) << "the read open is an operation of its own";

    // The disk is gone: its handle stays open but answers nothing.
    sim::install(sim::MachineBuilder().build());
    EXPECT_FALSE(deviceIoControl(disk, kIoctlDiskGetDriveLayoutEx, buffer, sizeof buffer, returned));
    EXPECT_EQ(returned, 0u);
    EXPECT_FALSE(deviceIoControl(DeviceHandle(), kIoctlDiskGetDriveLayoutEx, buffer, sizeof buffer, returned));
}

TEST(SimFiles, RootFilesAreFoundWithoutRegardToCaseAndOnlyInTheRoot) {
    sim::ScopedMachine scope(disks());
    EXPECT_TRUE(fileExists("E:\\io.sys"));
    EXPECT_TRUE(fileExists("e:\\Io.Sys"));
    EXPECT_FALSE(fileExists("E:\\boot.ini"));
    EXPECT_TRUE(fileExists("F:\\boot.ini")) << "a CD in the drive";
    EXPECT_FALSE(fileExists("E:\\dir\\io.sys"));
    EXPECT_FALSE(fileExists("E:\\io.sy?"));
    EXPECT_FALSE(fileExists("G:\\io.sys")) << "no such volume";
    EXPECT_FALSE(fileExists("E:io.sys"));
    EXPECT_FALSE(fileExists(nullptr));
    EXPECT_EQ(sim::openHandles().findHandles, 0);

    sim::addFault({sim::Op::findFirstFile, "io.sys", 0, 1});
    EXPECT_FALSE(fileExists("E:\\io.sys"));
    EXPECT_TRUE(fileExists("E:\\io.sys"));

    sim::install(sim::defaultMachine());
    EXPECT_TRUE(fileExists("C:\\BOOT.INI"));
    EXPECT_TRUE(fileExists("c:\\pagefile.sys"));
    EXPECT_FALSE(fileExists("C:\\msdos.sys"));
    EXPECT_FALSE(fileExists("E:\\boot.ini"));
}

TEST(SimFiles, DirectoriesAreWrittenWhenTheyFitAndFailOtherwise) {
    sim::ScopedMachine scope(sim::defaultMachine());
    char path[260];
    EXPECT_EQ(getWindowsDirectory(path, sizeof path), 10u);
    EXPECT_STREQ(path, "C:\\WINDOWS");
    EXPECT_EQ(getCurrentDirectory(path, sizeof path), 24u);
    EXPECT_STREQ(path, "C:\\Program Files\\ZelSATA");

    // The terminator must fit too; otherwise nothing is written.
    std::strcpy(path, "untouched");
    EXPECT_EQ(getWindowsDirectory(path, 10), 0u);
    EXPECT_STREQ(path, "untouched");
    EXPECT_EQ(getWindowsDirectory(path, 11), 10u);
    EXPECT_EQ(getWindowsDirectory(nullptr, 260), 0u);

    sim::install(sim::MachineBuilder().windowsDirectory("E:\\WINNT").currentDirectory(std::nullopt).build());
    EXPECT_EQ(getWindowsDirectory(path, sizeof path), 8u);
    EXPECT_STREQ(path, "E:\\WINNT");
    std::strcpy(path, "untouched");
    EXPECT_EQ(getCurrentDirectory(path, sizeof path), 0u);
    EXPECT_STREQ(path, "untouched");

    sim::addFault({sim::Op::getWindowsDirectory, "", 0, 1});
    EXPECT_EQ(getWindowsDirectory(path, sizeof path), 0u);
    EXPECT_EQ(sim::calls(sim::Op::getWindowsDirectory), 2u);
    EXPECT_EQ(sim::calls(sim::Op::getCurrentDirectory), 1u);
}

} // namespace
} // namespace zel::test
