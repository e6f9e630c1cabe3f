// The disk layout test and the system-file probe.
#include "app_fixture.h"

#include "disk_guard.h"
#include "markers.h"

namespace zel::test {
namespace {

using app::HasSystemFiles;
using app::IsBasicDiskLayout;
using platform::Guid;

constexpr Guid kMsftReserved = platform::kPartitionMsftReservedGuid;
constexpr Guid kEfiSystem{0xC12A7328, 0xF81F, 0x11D2, {0xBA, 0x4B, 0x00, 0xA0, 0xC9, 0x3E, 0xC9, 0x3B}};
constexpr Guid kLdmMetadata{0x5808C8AA, 0x7E8F, 0x42E0, {0x85, 0xD2, 0xE1, 0xE9, 0x04, 0x34, 0xCF, 0xB3}};

class DiskGuard : public AppTest {
protected:
    // Judges PhysicalDrive1 with the given layout.
    static int judge(const sim::Layout& layout) {
        sim::MachineBuilder b;
        b.root().child().instanceId("SCSI\\DISK\\1").disk(1).layout(layout);
        sim::ScopedMachine machine(b.build());
        const int result = IsBasicDiskLayout("\\\\.\\PhysicalDrive1");
        EXPECT_EQ(sim::openHandles().devices, 0);
        return result;
    }
};

TEST_F(DiskGuard, BasicMbrDisksAreOfferedDynamicOnesAreNot) {
    EXPECT_EQ(judge(sim::Layout::mbr({0x07})), 1);
    EXPECT_EQ(judge(sim::Layout::mbr({0x07, 0x42})), 1) << "only the first slot counts";
    EXPECT_EQ(judge(sim::Layout::mbr({0x42})), 0);
    EXPECT_EQ(judge(sim::Layout::mbr({})), 1) << "no partitions at all";
}

TEST_F(DiskGuard, DisksOnlyTheExtendedQueryDescribes) {
    auto onlyExtended = [](sim::Layout layout) {
        layout.driveLayout.fails = true;
        return layout;
    };
    EXPECT_EQ(judge(sim::Layout::gpt({kMsftReserved, kEfiSystem})), 1);
    EXPECT_EQ(judge(sim::Layout::gpt({kEfiSystem, kMsftReserved})), 0);
    EXPECT_EQ(judge(sim::Layout::gpt({kLdmMetadata})), 0) << "a dynamic GPT disk";
    EXPECT_EQ(judge(sim::Layout::gpt({})), 0) << "no first entry to judge";
    EXPECT_EQ(judge(onlyExtended(sim::Layout::mbr({0x42}))), 1) << "the extended query's MBR style is enough";
    EXPECT_EQ(judge(sim::Layout::raw()), 0);

    sim::Layout neither = sim::Layout::mbr({0x07});
    neither.driveLayout.fails = true;
    neither.driveLayoutEx.fails = true;
    EXPECT_EQ(judge(neither), 0);
}

TEST_F(DiskGuard, ShortAnswersAreNeverReadPastTheirEnd) {
    // Answers cut before the first entry's type: judged on what is there.
    sim::Layout mbr = sim::Layout::mbr({0x42});
    mbr.driveLayout.returned = 20;
    EXPECT_EQ(judge(mbr), 1) << "no first entry: no dynamic partition";
    sim::Layout gpt = sim::Layout::gpt({kMsftReserved});
    gpt.driveLayoutEx.returned = 60;
    EXPECT_EQ(judge(gpt), 0);
    sim::Layout zero = sim::Layout::mbr({0x07});
    zero.driveLayout.returned = 0;
    zero.driveLayoutEx.returned = 0;
    EXPECT_EQ(judge(zero), 0) << "a zero byte count fails both pairs";
}

TEST_F(DiskGuard, DiskThatDoesNotOpenIsNotOffered) {
    sim::MachineBuilder b;
    b.root().child().instanceId("SCSI\\DISK\\1").disk(1).opensForRead(false);
    sim::ScopedMachine machine(b.build());
    EXPECT_EQ(IsBasicDiskLayout("\\\\.\\PhysicalDrive1"), 0);
    EXPECT_EQ(IsBasicDiskLayout("\\\\.\\PhysicalDrive7"), 0) << "gone since the search";
}

TEST_F(DiskGuard, SystemFilesInTheRootWhateverTheirCase) {
    sim::MachineBuilder b;
    auto disk = b.root().child().instanceId("SCSI\\DISK\\1").disk(1);
    disk.volume('E').files({"IO.SYS"});
    disk.volume('F').files({"notes.txt", "boot.ini.bak"});
    disk.volume('G').files({"pagefile.sys"});
    sim::ScopedMachine machine(b.build());
    EXPECT_EQ(HasSystemFiles('E'), 1);
    EXPECT_EQ(HasSystemFiles('F'), 0);
    EXPECT_EQ(HasSystemFiles('G'), 1);
    EXPECT_EQ(HasSystemFiles('Q'), 0) << "no such drive";
    EXPECT_EQ(sim::openHandles().findHandles, 0);
}

TEST_F(DiskGuard, MarkersExistWhileHeldInTheNamespaceOfTheVersion) {
    sim::ScopedMachine machine(sim::defaultMachine()); // Windows XP
    platform::MutexHandle first = app::AcquireMarker("ZelDeviceRemove");
    ASSERT_TRUE(first);
    EXPECT_TRUE(sim::mutexExists("Global\\ZelDeviceRemove"));
    EXPECT_FALSE(app::AcquireMarker("ZelDeviceRemove")) << "held";
    app::ReleaseMarker(first);
    EXPECT_FALSE(first);
    EXPECT_FALSE(sim::mutexExists("Global\\ZelDeviceRemove"));
    platform::MutexHandle again = app::AcquireMarker("ZelDeviceRemove");
    EXPECT_TRUE(again);
    app::ReleaseMarker(again);

    sim::Machine windows2000 = sim::defaultMachine();
    windows2000.system.version = {5, 0, 2195, platform::kVerPlatformWin32Nt};
    sim::install(windows2000);
    platform::MutexHandle bare = app::AcquireMarker("ZelDeviceChange");
    EXPECT_TRUE(sim::mutexExists("ZelDeviceChange"));
    EXPECT_FALSE(sim::mutexExists("Global\\ZelDeviceChange"));
    app::ReleaseMarker(bare);

    sim::addFault({sim::Op::createMutex, "", 0, 1});
    EXPECT_FALSE(app::AcquireMarker("ZelDeviceChange")) << "creation failing gives none";
    EXPECT_EQ(sim::openHandles().mutexes, 0);
}

} // namespace
} // namespace zel::test
