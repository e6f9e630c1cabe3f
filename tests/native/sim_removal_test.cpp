// Device nodes as the device installer lists, reads and removes them.
#include "sim_support.h"

#include <zel/platform/holders.h>
#include <zel/platform/system.h>

#include <gtest/gtest.h>

#include <optional>

namespace zel::test {
namespace {

using namespace platform;

// root ─ HBA ─ DISK1 (E:)
//      │     └ DISK2 (F:)
//      └ BOARD (C:)
sim::MachineBuilder card() {
    sim::MachineBuilder b;
    sim::NodeRef hba = b.root().child().instanceId("PCI\\HBA").hardwareIds({"PCI\\VEN_1095", "PCI\\CC_0104"});
    hba.child().instanceId("SCSI\\DISK1").hardwareIds({"Disk1"}).pdoName("\\Device\\Ide0").disk(1).volume('E');
    hba.child().instanceId("SCSI\\DISK2").hardwareIds({"Disk2"}).pdoName("\\Device\\Ide1").disk(2).volume('F');
    b.root().child().instanceId("IDE\\BOARD").hardwareIds({"Board"}).disk(0).volume('C');
    return b;
}

// The element of `set` for the node with that instance ID.
std::optional<DeviceInfoData> element(const DeviceInfoSet& set, const std::string& id) {
    DeviceInfoData data;
    DevInst node = 0;
    for (std::uint32_t i = 0; setupEnumDeviceInfoData(set, i, data) == EnumResult::ok && setupEnumDeviceInfo(set, i, node); ++i)
        if (deviceId(node) == id) return data;
    return std::nullopt;
}

RemoveResult removeNode(const std::string& id) {
    const DeviceInfoSet set = DeviceInfoSet::presentDevices();
    std::optional<DeviceInfoData> data = element(set, id);
    return data ? setupRemoveDevice(set, *data) : RemoveResult::failed;
}

bool opens(const char* path) { return static_cast<bool>(DeviceHandle::openForQuery(path)); }

TEST(SimRemoval, TheSetOfPresentNodesAndTheirProperties) {
    sim::ScopedMachine scope(card().build());
    const DeviceInfoSet set = DeviceInfoSet::presentDevices();
    ASSERT_TRUE(set);
    std::vector<std::string> ids;
    DevInst node = 0;
    for (std::uint32_t i = 0; setupEnumDeviceInfo(set, i, node); ++i) ids.push_back(deviceId(node));
    EXPECT_EQ(ids, walkPreOrder()) << "every present node, in pre-order";

    const DeviceInfoData hba = element(set, "PCI\\HBA").value();
    std::uint32_t required = 0;
    std::int32_t error = 0;
    EXPECT_FALSE(setupGetDeviceRegistryProperty(set, hba, kSpdrpHardwareId, nullptr, 0, required, error));
    EXPECT_EQ(error, kErrorInsufficientBuffer);
    const std::string list("PCI\\VEN_1095\0PCI\\CC_0104\0\0", 26);
    EXPECT_EQ(required, list.size());
    std::string bytes(required, 'x');
    EXPECT_FALSE(setupGetDeviceRegistryProperty(set, hba, kSpdrpHardwareId, bytes.data(), required - 1, required, error));
    EXPECT_EQ(error, kErrorInsufficientBuffer) << "one byte short";
    ASSERT_TRUE(setupGetDeviceRegistryProperty(set, hba, kSpdrpHardwareId, bytes.data(), required, required, error));
    EXPECT_EQ(bytes, list);

    EXPECT_FALSE(setupGetDeviceRegistryProperty(set, hba, kSpdrpPhysicalDeviceObjectName, nullptr, 0, required, error));
    EXPECT_EQ(error, kErrorInvalidData) << "a node without the property";

    const DeviceInfoData disk = element(set, "SCSI\\DISK2").value();
    ASSERT_FALSE(setupGetDeviceRegistryProperty(set, disk, kSpdrpPhysicalDeviceObjectName, nullptr, 0, required, error));
    bytes.assign(required, 'x');
    ASSERT_TRUE(setupGetDeviceRegistryProperty(set, disk, kSpdrpPhysicalDeviceObjectName, bytes.data(), required,
                                               required, error));
    EXPECT_EQ(bytes, std::string("\\Device\\Ide1", 13));

    // A record from another set names nothing there.
    const DeviceInfoSet other = DeviceInfoSet::presentDevices();
    EXPECT_FALSE(setupGetDeviceRegistryProperty(other, disk, kSpdrpHardwareId, nullptr, 0, required, error));
    EXPECT_NE(error, kErrorInsufficientBuffer);

    // The set of every node holds no interfaces.
    DeviceInterfaceData none;
    EXPECT_EQ(setupEnumDeviceInterface(set, kGuidDevInterfaceDisk, 0, none), EnumResult::noMoreItems);
    EXPECT_EQ(sim::openHandles().infoSets, 2);
}

TEST(SimRemoval, RemovingANodeTakesItsSubtreeAndWhatItOwns) {
    sim::ScopedMachine scope(card().build());
    const sim::HandleCounts before = sim::openHandles();
    const DevInst disk1 = static_cast<DevInst>(sim::findNode(sim::current(), "SCSI\\DISK1") + 1);
    const DevInst board = static_cast<DevInst>(sim::findNode(sim::current(), "IDE\\BOARD") + 1);

    ASSERT_EQ(removeNode("PCI\\HBA"), RemoveResult::removed);
    EXPECT_EQ(walkPreOrder(), (std::vector<std::string>{"HTREE\\ROOT\\0", "IDE\\BOARD"}));
    EXPECT_FALSE(sim::nodePresent("pci\\hba"));
    EXPECT_FALSE(sim::nodePresent("SCSI\\DISK2"));
    EXPECT_TRUE(sim::nodePresent("IDE\\BOARD"));

    // The removed nodes' handles name nothing; the others keep theirs.
    DevInst out = 77;
    EXPECT_EQ(cmGetParent(out, disk1), kCrInvalidDevNode);
    EXPECT_EQ(out, 77u);
    EXPECT_EQ(deviceId(disk1), "?");
    EXPECT_EQ(deviceId(board), "IDE\\BOARD");
    EXPECT_EQ(cmGetChild(out, 1), kCrSuccess);
    EXPECT_EQ(out, board) << "the root's first present child";

    // Interfaces, device objects and volumes of the subtree are gone.
    const DeviceInfoSet disks = DeviceInfoSet::presentInterfaces(kGuidDevInterfaceDisk);
    DeviceInterfaceData data;
    ASSERT_EQ(setupEnumDeviceInterface(disks, kGuidDevInterfaceDisk, 0, data), EnumResult::ok);
    EXPECT_NE(interfacePath(disks, data).find("ide#board"), std::string::npos);
    EXPECT_EQ(setupEnumDeviceInterface(disks, kGuidDevInterfaceDisk, 1, data), EnumResult::noMoreItems);
    EXPECT_FALSE(opens("\\\\.\\PhysicalDrive1"));
    EXPECT_FALSE(opens("\\\\.\\E:"));
    EXPECT_FALSE(opens("\\\\.\\F:"));
    EXPECT_TRUE(opens("\\\\.\\C:"));
    EXPECT_EQ(getLogicalDrives(), 1u << ('C' - 'A'));

    EXPECT_EQ(removeNode("SCSI\\DISK1"), RemoveResult::failed) << "no longer listed";
    EXPECT_EQ(removeNode("HTREE\\ROOT\\0"), RemoveResult::failed) << "the root stays";
    EXPECT_EQ(sim::calls(sim::Op::setupRemoveDevice), 2u);
    EXPECT_EQ(sim::openHandles().total(), before.total() + 1) << "only the interface set is open";
}

TEST(SimRemoval, ASetKeepsTheElementsOfRemovedNodes) {
    sim::ScopedMachine scope(card().build());
    const DeviceInfoSet set = DeviceInfoSet::presentDevices();
    DeviceInfoData hba = element(set, "PCI\\HBA").value();
    DeviceInfoData disk1 = element(set, "SCSI\\DISK1").value();
    ASSERT_EQ(setupRemoveDevice(set, hba), RemoveResult::removed);
    EXPECT_EQ(element(set, "SCSI\\DISK1").has_value(), false) << "its handle no longer reads an ID";
    std::uint32_t required = 0;
    std::int32_t error = 0;
    // The registry still holds the hardware IDs; the physical device object is gone.
    EXPECT_FALSE(setupGetDeviceRegistryProperty(set, disk1, kSpdrpHardwareId, nullptr, 0, required, error));
    EXPECT_EQ(error, kErrorInsufficientBuffer);
    EXPECT_FALSE(setupGetDeviceRegistryProperty(set, disk1, kSpdrpPhysicalDeviceObjectName, nullptr, 0, required, error));
    EXPECT_EQ(error, kErrorInvalidData);
    EXPECT_EQ(setupRemoveDevice(set, disk1), RemoveResult::failed);
}

TEST(SimRemoval, RefusalsLeftVolumesAndFaults) {
    sim::MachineBuilder b = card();
    b.node(sim::findNode(b.machine(), "SCSI\\DISK1")).refusesRemoval(2);
    b.node(sim::findNode(b.machine(), "SCSI\\DISK2")).refusesRemoval().leavesVolumesOnRemoval();
    b.node(sim::findNode(b.machine(), "IDE\\BOARD")).leavesVolumesOnRemoval();
    sim::ScopedMachine scope(b.build());

    // A refusal is reported as Windows reports a veto: left to the next restart.
    EXPECT_EQ(removeNode("SCSI\\DISK1"), RemoveResult::restartNeeded);
    EXPECT_EQ(removeNode("SCSI\\DISK1"), RemoveResult::restartNeeded);
    EXPECT_TRUE(opens("\\\\.\\E:")) << "a refused removal changes nothing";
    EXPECT_EQ(removeNode("SCSI\\DISK1"), RemoveResult::removed) << "the third attempt goes through";
    EXPECT_FALSE(opens("\\\\.\\E:"));

    for (int i = 0; i < 5; ++i) EXPECT_EQ(removeNode("SCSI\\DISK2"), RemoveResult::restartNeeded);
    EXPECT_TRUE(sim::nodePresent("SCSI\\DISK2"));

    // The board's disk goes, its volume stays.
    ASSERT_EQ(removeNode("IDE\\BOARD"), RemoveResult::removed);
    EXPECT_FALSE(opens("\\\\.\\PhysicalDrive0"));
    EXPECT_TRUE(opens("\\\\.\\C:"));
    EXPECT_EQ(getDriveType("C:"), kDriveFixed);

    // A fault refuses a node by its instance ID.
    sim::addFault({sim::Op::setupRemoveDevice, "hba", 0, 1});
    EXPECT_EQ(removeNode("PCI\\HBA"), RemoveResult::failed);
    EXPECT_EQ(removeNode("PCI\\HBA"), RemoveResult::removed);
    EXPECT_FALSE(sim::nodePresent("SCSI\\DISK2")) << "a refusing child goes with its parent";

    sim::addFault({sim::Op::setupGetClassDevs, "all", 0, 1});
    EXPECT_FALSE(DeviceInfoSet::presentDevices());
    EXPECT_EQ(sim::openHandles().infoSets, 0);
}

TEST(SimRemoval, MachineFilesAndTheVirtualClock) {
    std::string error;
    const std::optional<sim::Machine> m = sim::parseMachineJson(R"({"root": {"children": [
        {"instanceId": "A", "refusesRemoval": true, "removalLeavesVolumes": true},
        {"instanceId": "B", "refusesRemoval": 2},
        {"instanceId": "C", "refusesRemoval": false, "removalLeavesVolumes": false}]}})", error);
    ASSERT_TRUE(m) << error;
    sim::MachineBuilder b;
    b.root().child().instanceId("A").refusesRemoval().leavesVolumesOnRemoval();
    b.root().child().instanceId("B").refusesRemoval(2);
    b.root().child().instanceId("C");
    EXPECT_EQ(*m, b.build());
    EXPECT_FALSE(sim::parseMachineJson(R"({"root": {"refusesRemoval": "yes"}})", error));
    EXPECT_NE(error.find("/root/refusesRemoval"), std::string::npos) << error;

    sim::ScopedMachine scope(b.build());
    sleepMilliseconds(100);
    sleepMilliseconds(25);
    EXPECT_EQ(sim::sleptMilliseconds(), 125u);
    EXPECT_EQ(sim::calls(sim::Op::sleep), 2u);
    sim::resetCalls();
    EXPECT_EQ(sim::sleptMilliseconds(), 0u);
}

} // namespace
} // namespace zel::test

namespace zel::test {
namespace {

std::vector<std::string> holderNames(std::string_view letters) {
    std::vector<std::string> names;
    for (const FileHolder& h : findFileHolders(letters).holders) names.push_back(h.image + ":" + std::to_string(h.processId));
    return names;
}

// Programs holding files open, from the machine file and from outside commands: they
// answer the holder question and veto the removal of the node whose volumes they hold.
TEST(SimRemoval, HeldVolumesVetoTheirNodesRemovalUntilClosed) {
    sim::Machine m = card().build();
    std::string error;
    auto loaded = sim::parseMachineJson(
        R"({"processes": [{"id": 900, "image": "edit.exe", "open": ["f:\\a.txt"]}, {"id": 4, "image": "System"}]})", error);
    ASSERT_TRUE(loaded) << error;
    m.processes = loaded->processes;
    ASSERT_TRUE(sim::applyMachineEvent(m, R"({"open": "E:\\x", "process": 77, "image": "view.exe"})", error)) << error;
    ASSERT_TRUE(sim::applyMachineEvent(m, R"({"open": "F:\\", "process": 77})", error)) << error;
    EXPECT_FALSE(sim::applyMachineEvent(m, R"({"open": "E:\\y", "process": 5})", error)) << "a new process needs its image";
    EXPECT_FALSE(sim::applyMachineEvent(m, R"({"close": "E:\\nothing", "process": 77})", error));
    {
        sim::ScopedMachine scope(m);
        EXPECT_EQ(holderNames("E"), (std::vector<std::string>{"view.exe:77"}));
        EXPECT_EQ(holderNames("fe"), (std::vector<std::string>{"view.exe:77", "edit.exe:900"}));
        EXPECT_EQ(findFileHolders("C").status, HolderSearch::found);
        EXPECT_TRUE(holderNames("C").empty());
        EXPECT_EQ(removeNode("SCSI\\DISK1"), RemoveResult::restartNeeded);
        EXPECT_EQ(removeNode("PCI\\HBA"), RemoveResult::restartNeeded) << "held beneath it";
        EXPECT_TRUE(sim::nodePresent("SCSI\\DISK1"));
    }
    ASSERT_TRUE(sim::applyMachineEvent(m, R"({"close": "e:\\X", "process": 77})", error)) << error;
    m.holderQuery = sim::HolderQuery::noRights;
    sim::ScopedMachine scope(m);
    EXPECT_EQ(findFileHolders("E").status, HolderSearch::noRights);
    EXPECT_EQ(removeNode("SCSI\\DISK1"), RemoveResult::removed) << "nothing left open on E:";
    EXPECT_EQ(removeNode("SCSI\\DISK2"), RemoveResult::restartNeeded);
}

} // namespace
} // namespace zel::test
