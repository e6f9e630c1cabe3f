// The removal engine's walk: which nodes it removes, and what it reports.
#include "app_fixture.h"

#include "inventory.h"
#include "removal_engine.h"

namespace zel::test {
namespace {

using app::kKindDevice;
using app::kKindHost;
using app::RemoveDeviceNode;

constexpr const char* kModel = "IDE\\DiskMaxtor_6Y080M0";

// Two disks of one model on an add-in card, the first with a volume node beneath it.
sim::MachineBuilder twoDisks() {
    sim::MachineBuilder b;
    sim::NodeRef card = b.root().child().instanceId("PCI\\CARD").hardwareIds({"PCI\\VEN_1095&DEV_3112"});
    sim::NodeRef disk1 = card.child().instanceId("DISK1").hardwareIds({kModel, "GenDisk"});
    disk1.pdoName("\\Device\\Ide\\IdeDeviceP0T0L0-3").disk(1).volume('E');
    disk1.child().instanceId("STORAGE\\VOLUME1");
    card.child().instanceId("DISK2").hardwareIds({kModel, "GenDisk"}).pdoName("\\Device\\Ide\\IdeDeviceP1T0L0-5").disk(2).volume('F');
    return b;
}

sim::NodeRef nodeOf(sim::MachineBuilder& b, const char* id) { return b.node(sim::findNode(b.machine(), id)); }

class Removal : public AppTest {
protected:
    void SetUp() override {
        AppTest::SetUp();
        baseline_ = sim::openHandles().total();
    }

    // One removal, which must leave no handle open whatever it answers.
    int remove(int kind, const char* hardwareId, char letter, const char* pdoName) {
        const int result = RemoveDeviceNode(kind, hardwareId, letter, pdoName);
        EXPECT_EQ(sim::openHandles().total(), baseline_) << hardwareId << " " << pdoName;
        return result;
    }

    std::int64_t baseline_ = 0;
};

TEST_F(Removal, OnlyTheDiskWhoseObjectNameMatchesGoes) {
    sim::ScopedMachine scope(twoDisks().build());
    EXPECT_EQ(remove(kKindDevice, kModel, 'E', "\\Device\\Ide\\IdeDeviceP0T0L0-3"), 1);
    EXPECT_FALSE(sim::nodePresent("DISK1"));
    EXPECT_FALSE(sim::nodePresent("STORAGE\\VOLUME1")) << "its subtree goes with it";
    EXPECT_EQ(sim::loudDriveProbes(), 0u) << "the volume check raises no \"No Disk\" box";
    EXPECT_TRUE(sim::nodePresent("DISK2"));
    EXPECT_TRUE(platform::DeviceHandle::openForQuery("\\\\.\\F:"));
    EXPECT_EQ(sim::calls(sim::Op::setupRemoveDevice), 1u);
    EXPECT_EQ(sim::sleptMilliseconds(), 100u) << "one wait before the volume check";
}

TEST_F(Removal, IdentifiersCompareExactlyOnTheFirstHardwareId) {
    sim::ScopedMachine scope(twoDisks().build());
    const char* pdo = "\\Device\\Ide\\IdeDeviceP1T0L0-5";
    EXPECT_EQ(remove(kKindDevice, "ide\\diskmaxtor_6y080m0", 'F', pdo), -1) << "case differs";
    EXPECT_EQ(remove(kKindDevice, "GenDisk", 'F', pdo), -1) << "only the first string counts";
    EXPECT_EQ(remove(kKindDevice, "IDE\\DiskMaxtor", 'F', pdo), -1) << "a prefix is no match";
    EXPECT_EQ(remove(kKindDevice, kModel, 'F', "\\device\\ide\\ideDeviceP1T0L0-5"), -1) << "name case differs";
    EXPECT_EQ(remove(kKindDevice, kModel, 'F', "\\Device\\Ide\\IdeDeviceP1T0L0-55"), -1);
    EXPECT_EQ(sim::calls(sim::Op::setupRemoveDevice), 0u);
    EXPECT_TRUE(sim::nodePresent("DISK1"));
    EXPECT_TRUE(sim::nodePresent("DISK2"));
    EXPECT_EQ(remove(kKindDevice, kModel, 'F', pdo), 1);
    EXPECT_FALSE(sim::nodePresent("DISK2"));
}

TEST_F(Removal, TheVolumeDecidesADeviceRemoval) {
    sim::MachineBuilder b = twoDisks();
    nodeOf(b, "DISK1").leavesVolumesOnRemoval();
    sim::ScopedMachine scope(b.build());
    EXPECT_EQ(remove(kKindDevice, kModel, 'E', "\\Device\\Ide\\IdeDeviceP0T0L0-3"), -1)
        << "removed, but E: still opens";
    EXPECT_FALSE(sim::nodePresent("DISK1"));

    // Without a drive letter the check path never opens: success, matched or not.
    EXPECT_EQ(remove(kKindDevice, kModel, '\0', "\\Device\\Ide\\IdeDeviceP1T0L0-5"), 1);
    EXPECT_FALSE(sim::nodePresent("DISK2"));
    EXPECT_EQ(remove(kKindDevice, "NoSuchDevice", '\0', "\\Device\\None"), 1);
    EXPECT_EQ(remove(kKindDevice, "NoSuchDevice", 'Q', "\\Device\\None"), 1) << "a letter that does not exist";

    // A host adapter counts what was removed; other kinds fail.
    EXPECT_EQ(remove(kKindHost, "PCI\\VEN_1095&DEV_3112", '\0', ""), -1) << "no object name on the card";
    EXPECT_EQ(remove(3, "NoSuchDevice", '\0', ""), -1);
}

TEST_F(Removal, RefusedRemovalsAreRetriedAFewTimesOnly) {
    sim::MachineBuilder b = twoDisks();
    // A third disk with the first one's identifiers, after it in the walk.
    b.root().child().instanceId("DISK3").hardwareIds({kModel}).pdoName("\\Device\\Ide\\IdeDeviceP0T0L0-3");
    nodeOf(b, "DISK1").refusesRemoval();
    sim::ScopedMachine scope(b.build());
    EXPECT_EQ(remove(kKindDevice, kModel, 'E', "\\Device\\Ide\\IdeDeviceP0T0L0-3"), -1);
    EXPECT_EQ(sim::calls(sim::Op::setupRemoveDevice), static_cast<std::uint64_t>(app::kRemovalAttempts) + 1);
    EXPECT_TRUE(sim::nodePresent("DISK1"));
    EXPECT_FALSE(sim::nodePresent("DISK3")) << "the walk goes on past the refusing node";

    // As a host-adapter request the same walk reports what it removed.
    sim::MachineBuilder again = twoDisks();
    nodeOf(again, "DISK1").refusesRemoval(app::kRemovalAttempts - 1);
    nodeOf(again, "DISK2").refusesRemoval(app::kRemovalAttempts);
    sim::ScopedMachine second(again.build());
    EXPECT_EQ(remove(kKindHost, kModel, '\0', "\\Device\\Ide\\IdeDeviceP0T0L0-3"), 1) << "the last attempt succeeds";
    EXPECT_FALSE(sim::nodePresent("DISK1"));
    EXPECT_EQ(remove(kKindHost, kModel, '\0', "\\Device\\Ide\\IdeDeviceP1T0L0-5"), -1) << "one refusal too many";
    EXPECT_TRUE(sim::nodePresent("DISK2"));
}

TEST_F(Removal, AVolumeThatWillNotOpenIsNoSuccessWhileTheDeviceMayStillBeThere) {
    sim::MachineBuilder b = twoDisks();
    nodeOf(b, "DISK1").refusesRemoval();
    sim::ScopedMachine scope(b.build());
    const char* first = "\\Device\\Ide\\IdeDeviceP0T0L0-3";
    // Refused every time: without a letter, or with one whose open fails, it is still there.
    EXPECT_EQ(remove(kKindDevice, kModel, '\0', first), -1);
    sim::addFault({sim::Op::createFile, "\\\\.\\E:", 0, 0});
    EXPECT_EQ(remove(kKindDevice, kModel, 'E', first), -1);
    EXPECT_TRUE(sim::nodePresent("DISK1"));

    // A walk cut short by a failed enumeration cannot tell that the device is gone.
    sim::clearFaults();
    sim::addFault({sim::Op::setupEnumDeviceInfo, "", 1, 0});
    sim::addFault({sim::Op::createFile, "\\\\.\\F:", 0, 0});
    EXPECT_EQ(remove(kKindDevice, kModel, 'F', "\\Device\\Ide\\IdeDeviceP1T0L0-5"), -1);
    EXPECT_TRUE(sim::nodePresent("DISK2"));

    // Removed by the walk, the volume's failing open is no longer in doubt.
    sim::clearFaults();
    sim::addFault({sim::Op::createFile, "\\\\.\\F:", 0, 0});
    EXPECT_EQ(remove(kKindDevice, kModel, 'F', "\\Device\\Ide\\IdeDeviceP1T0L0-5"), 1);
    EXPECT_FALSE(sim::nodePresent("DISK2"));
}

TEST_F(Removal, PropertyReadFailuresAreAskedAgainWithinBounds) {
    sim::ScopedMachine scope(twoDisks().build());
    // One failed read of each identifier is asked again.
    sim::addFault({sim::Op::setupGetDeviceProperty, "DISK2|1", 0, 1});
    sim::addFault({sim::Op::setupGetDeviceProperty, "DISK2|14", 1, 1});
    EXPECT_EQ(remove(kKindDevice, kModel, 'F', "\\Device\\Ide\\IdeDeviceP1T0L0-5"), 1);
    EXPECT_FALSE(sim::nodePresent("DISK2"));

    // A read that always fails leaves the node in place after a bounded number of tries.
    sim::clearFaults();
    sim::resetCalls();
    sim::addFault({sim::Op::setupGetDeviceProperty, "DISK1|14", 0, 0});
    EXPECT_EQ(remove(kKindDevice, kModel, 'E', "\\Device\\Ide\\IdeDeviceP0T0L0-3"), -1);
    EXPECT_TRUE(sim::nodePresent("DISK1"));
    EXPECT_EQ(sim::calls(sim::Op::setupRemoveDevice), 0u);
    EXPECT_LT(sim::calls(sim::Op::setupGetDeviceProperty), 40u);

    // A hardware ID that cannot be read may be the device's: without a letter to check,
    // that is no success either.
    sim::clearFaults();
    sim::addFault({sim::Op::setupGetDeviceProperty, "DISK1|1", 0, 0});
    EXPECT_EQ(remove(kKindDevice, kModel, '\0', "\\Device\\Ide\\IdeDeviceP0T0L0-3"), -1);
    EXPECT_TRUE(sim::nodePresent("DISK1"));
}

TEST_F(Removal, WithoutTheSetNothingIsWaitedFor) {
    sim::ScopedMachine scope(twoDisks().build());
    sim::addFault({sim::Op::setupGetClassDevs, "all", 0, 1});
    EXPECT_EQ(remove(kKindDevice, kModel, '\0', "\\Device\\Ide\\IdeDeviceP0T0L0-3"), -1)
        << "a failure, even without a letter to check";
    EXPECT_TRUE(sim::nodePresent("DISK1"));
    EXPECT_EQ(sim::sleptMilliseconds(), 0u);
    EXPECT_EQ(sim::calls(sim::Op::createFile), 0u);
}

} // namespace
} // namespace zel::test
