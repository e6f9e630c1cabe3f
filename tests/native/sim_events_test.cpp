// Disks plugged and pulled from outside while a program runs: the commands, and the file
// a process follows through ZELSIM_EVENTS.
#include "sim_support.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <string>

namespace zel::test {
namespace {

using namespace platform;

// root ─ HBA (an empty card)
//      └ BOARD (C:, PhysicalDrive0)
sim::Machine emptyCard() {
    sim::MachineBuilder b;
    b.root().child().instanceId("PCI\\HBA").hardwareIds({"PCI\\VEN_1095"});
    b.root().child().instanceId("IDE\\BOARD").hardwareIds({"Board"}).disk(0).volume('C');
    return b.build();
}

// A disk with two volumes and a CD-ROM drive beneath a bridge node, as one subtree.
const char* const kPlugBridge =
    R"({"under": "pci\\hba", "plug": {"instanceId": "SCSI\\BRIDGE", "children": [)"
    R"({"instanceId": "SCSI\\DISK1", "hardwareIds": ["GenDisk"], "disk": 1, "volumes": ["E:", "F:"]},)"
    R"({"instanceId": "SCSI\\CD0", "cdrom": 0, "volumes": ["H:"]}]}})";

bool opens(const char* path) { return static_cast<bool>(DeviceHandle::openForQuery(path)); }

TEST(SimEvents, PluggingAndPullingASubtree) {
    sim::Machine m = emptyCard();
    std::string error;
    ASSERT_TRUE(sim::applyMachineEvent(m, kPlugBridge, error)) << error;
    {
        sim::ScopedMachine scope(m);
        EXPECT_EQ(walkPreOrder(), (std::vector<std::string>{"HTREE\\ROOT\\0", "PCI\\HBA", "SCSI\\BRIDGE", "SCSI\\DISK1",
                                                            "SCSI\\CD0", "IDE\\BOARD"}));
        DevInst parent = 0;
        const DevInst cd = static_cast<DevInst>(sim::findNode(sim::current(), "SCSI\\CD0") + 1);
        ASSERT_EQ(cmGetParent(parent, cd), kCrSuccess);
        EXPECT_EQ(deviceId(parent), "SCSI\\BRIDGE");
        // What the plugged nodes own came along: interfaces, drives and letters.
        EXPECT_EQ(answerOf("\\\\.\\PhysicalDrive1").deviceNumber, 1u);
        EXPECT_EQ(answerOf("\\\\.\\F:").partitionNumber, 2u);
        EXPECT_EQ(getLogicalDrives(), (1u << 2) | (1u << 4) | (1u << 5) | (1u << 7));
        EXPECT_EQ(getDriveType("H:\\"), kDriveCdRom);
        const DeviceInfoSet disks = DeviceInfoSet::presentInterfaces(kGuidDevInterfaceDisk);
        DeviceInterfaceData data;
        ASSERT_EQ(setupEnumDeviceInterface(disks, kGuidDevInterfaceDisk, 0, data), EnumResult::ok);
        EXPECT_NE(interfacePath(disks, data).find("scsi#disk1"), std::string::npos) << "in pre-order, before the board";
    }

    // Pulling the bridge takes the subtree with its letters; the rest keeps its handles.
    const int board = sim::findNode(m, "IDE\\BOARD");
    ASSERT_TRUE(sim::applyMachineEvent(m, R"({"pull": "SCSI\\BRIDGE"})", error)) << error;
    EXPECT_FALSE(m.nodes[sim::findNode(m, "SCSI\\CD0")].present);
    EXPECT_EQ(sim::findNode(m, "IDE\\BOARD"), board);
    EXPECT_EQ(m.volumes.size(), 1u);
    EXPECT_EQ(sim::findDevice(m, "\\\\.\\PhysicalDrive1"), nullptr);

    // The same disk plugged again is a new, present node, found before the removed one.
    ASSERT_TRUE(sim::applyMachineEvent(m, kPlugBridge, error)) << error;
    const int again = sim::findNode(m, "scsi\\disk1");
    EXPECT_TRUE(m.nodes[again].present);
    EXPECT_GT(again, board);
    sim::ScopedMachine scope(m);
    EXPECT_TRUE(sim::nodePresent("SCSI\\DISK1"));
    EXPECT_TRUE(opens("\\\\.\\E:"));
    EXPECT_EQ(walkPreOrder().size(), 6u) << "the removed copies stay out of the tree";
}

TEST(SimEvents, RefusedCommandsLeaveTheMachineAsItWas) {
    sim::Machine m = emptyCard();
    std::string error;
    ASSERT_TRUE(sim::applyMachineEvent(m, kPlugBridge, error)) << error;
    const sim::Machine before = m;
    const struct {
        const char* command;
        const char* says;
    } refused[] = {
        {R"({"plug": {"instanceId": "X", "disk": 1}})", "PhysicalDrive1"},
        {R"({"plug": {"instanceId": "X", "disk": 5, "volumes": ["e:"]}})", "drive letter E:"},
        {R"({"plug": {"instanceId": "scsi\\disk1"}})", "already present"},
        {R"({"plug": {"instanceId": "X", "volumes": ["Q:"]}})", "/plug/volumes/0"},
        {R"({"plug": {"instanceId": "X"}, "under": "PCI\\NONE"})", "/under"},
        {R"({"pull": "PCI\\NONE"})", "/pull"},
        {R"({"pull": "HTREE\\ROOT\\0"})", "root"},
        {R"({"pull": "SCSI\\DISK1", "plug": {}})", "either"},
        {R"({"pull": "SCSI\\DISK1", "under": "PCI\\HBA"})", "under"},
        {R"({"unplug": "SCSI\\DISK1"})", "unknown key"},
        {R"({"pull": 7})", "expected a string"},
        {R"({"pull": "SCSI\\DISK1")", "parse error"},
    };
    for (const auto& r : refused) {
        error.clear();
        EXPECT_FALSE(sim::applyMachineEvent(m, r.command, error)) << r.command;
        EXPECT_NE(error.find(r.says), std::string::npos) << r.command << " said: " << error;
        EXPECT_EQ(m, before) << r.command;
    }
    // A pulled node cannot be pulled twice.
    ASSERT_TRUE(sim::applyMachineEvent(m, R"({"pull": "SCSI\\CD0"})", error));
    EXPECT_FALSE(sim::applyMachineEvent(m, R"({"pull": "SCSI\\CD0"})", error));
}

class EventsFile : public ::testing::Test {
protected:
    void SetUp() override {
        path_ = ::testing::TempDir() + "zelsim-events-" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name() + ".jsonl";
        std::remove(path_.c_str());
        setenv("ZELSIM_EVENTS", path_.c_str(), 1);
    }
    void TearDown() override {
        unsetenv("ZELSIM_EVENTS");
        std::remove(path_.c_str());
    }
    void append(const std::string& text) {
        std::ofstream file(path_, std::ios::binary | std::ios::app);
        file << text;
    }
    // Starts a walk of the tree, where the machine looks at the file.
    static void walk() {
        DevInst root = 0;
        cmLocateRoot(root);
    }
    std::string path_;
};

TEST_F(EventsFile, WholeLinesApplyOnceInOrderWhenAnEnumerationStarts) {
    sim::ScopedMachine scope(emptyCard());
    walk(); // no file yet: nothing happens
    append(std::string(kPlugBridge) + "\n\n" + R"({"pull": "SCSI\\CD0"})" + "\r\n" + "not json\n" +
           R"({"pull": "SCSI\\DISK1"})");
    EXPECT_FALSE(sim::nodePresent("SCSI\\BRIDGE")) << "nothing applied before a walk starts";
    walk();
    EXPECT_TRUE(sim::nodePresent("SCSI\\DISK1")) << "the last line has no newline yet";
    EXPECT_FALSE(sim::nodePresent("SCSI\\CD0")) << "plugged, then pulled, in order";
    EXPECT_TRUE(sim::nodePresent("SCSI\\BRIDGE"));

    // Finishing the line applies it at the next interface set; the CD-ROM drive plugged
    // back after it stays, since no earlier line is applied twice.
    append("\n" + std::string(R"({"under": "SCSI\\BRIDGE", "plug": {"instanceId": "SCSI\\CD0"}})") + "\n");
    (void)DeviceInfoSet::presentInterfaces(kGuidDevInterfaceDisk);
    EXPECT_FALSE(sim::nodePresent("SCSI\\DISK1"));
    EXPECT_TRUE(sim::nodePresent("SCSI\\CD0"));
    const int cd = sim::findNode(sim::current(), "SCSI\\CD0");
    EXPECT_EQ(walkPreOrder(),
              (std::vector<std::string>{"HTREE\\ROOT\\0", "PCI\\HBA", "SCSI\\BRIDGE", "SCSI\\CD0", "IDE\\BOARD"}));
    EXPECT_EQ(sim::findNode(sim::current(), "SCSI\\CD0"), cd) << "pulled and plugged again: a line applied twice";
    EXPECT_EQ(getLogicalDrives(), 1u << 2);
}

TEST_F(EventsFile, AnotherFileIsReadFromItsStart) {
    sim::ScopedMachine scope(emptyCard());
    append(std::string(kPlugBridge) + "\n");
    walk();
    ASSERT_TRUE(sim::nodePresent("SCSI\\DISK1"));
    const std::string second = path_ + ".2";
    {
        std::ofstream file(second, std::ios::binary);
        file << R"({"pull": "SCSI\\BRIDGE"})" << "\n";
    }
    setenv("ZELSIM_EVENTS", second.c_str(), 1);
    walk();
    EXPECT_FALSE(sim::nodePresent("SCSI\\DISK1"));
    std::remove(second.c_str());
}

} // namespace
} // namespace zel::test
