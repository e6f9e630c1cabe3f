// The host search: which nodes are hosts, which devices beneath them are reached, and
// what each found device carries.
#include "search_fixture.h"

#include "device_tree.h"
#include "host_search.h"

namespace zel::test {
namespace {

using search::FoundDeviceList;

FoundDeviceList hostSearch(const search::PatternList& patterns) {
    search::DeviceTree tree;
    return search::hostSearch(tree, patterns);
}

TEST(DeviceTreeWalk, VisitsEveryNodeOnceInPreOrderWithTwoQueriesANode) {
    sim::MachineBuilder b;
    auto a = b.root().child().instanceId("A");
    auto a1 = a.child().instanceId("A1");
    a1.child().instanceId("A1x");
    a.child().instanceId("A2");
    b.root().child().instanceId("B").child().instanceId("B1");
    sim::ScopedMachine machine(b.build());

    const search::DeviceTree tree;
    std::vector<std::string> order;
    for (search::DeviceTree::Node n = 0; n < tree.size(); ++n) {
        char id[260] = {};
        platform::cmGetDeviceId(tree.devInst(n), id, sizeof id);
        order.emplace_back(id);
    }
    EXPECT_EQ(order, (std::vector<std::string>{"HTREE\\ROOT\\0", "A", "A1", "A1x", "A2", "B", "B1"}));
    EXPECT_EQ(tree.parent(3), 2u) << "A1x under A1";
    EXPECT_EQ(tree.nextSibling(2), 4u) << "A1, then A2";
    EXPECT_EQ(tree.firstChild(5), 6u) << "B1 under B";
    // Every node is asked once for a child and, the root aside, once for a sibling: on
    // Windows 2000 and XP each such call crosses into another process.
    EXPECT_EQ(sim::calls(sim::Op::cmGetChild), 7u);
    EXPECT_EQ(sim::calls(sim::Op::cmGetSibling), 6u);
    EXPECT_EQ(sim::calls(sim::Op::cmGetParent), 0u);
}

TEST(DeviceTreeWalk, InstanceSuffixOfAnIdFillingTheWholeBuffer) {
    // Windows copies an ID of exactly the buffer's size without a terminator.
    const std::string full = "USBSTOR\\DISK\\" + std::string(260 - 13 - 1, '7') + "Z";
    ASSERT_EQ(full.size(), 260u);
    sim::MachineBuilder b;
    b.root().child().instanceId(full);
    b.root().child().instanceId(full + "X"); // too long: the call fails, no suffix
    sim::ScopedMachine machine(b.build());
    search::DeviceTree tree;
    std::vector<std::string> suffixes;
    for (search::DeviceTree::Node n = 0; n < tree.size(); ++n) suffixes.push_back(tree.instanceSuffix(n));
    EXPECT_EQ(suffixes, (std::vector<std::string>{"0", full.substr(13), ""}));
}

TEST(DeviceTreeWalk, DeepChainNeedsNoRecursion) {
    sim::MachineBuilder b;
    sim::NodeRef node = b.root();
    for (int i = 0; i < 20000; ++i) node = node.child().instanceId("N" + std::to_string(i));
    sim::ScopedMachine machine(b.build());
    EXPECT_EQ(search::DeviceTree().size(), 20001u);
}

TEST(HostSearch, SataCardAnyRevisionIsAHostButOnlyRevision01IsRecorded) {
    Pc pc;
    auto rev01 = pc.card(kSil3132, "SiI 3132 card");
    Pc::disk(rev01, 1, "DISK ONE");
    auto rev02 = pc.card("PCI\\VEN_1095&DEV_3132&SUBSYS_31321095&REV_02", "SiI 3132 rev 2");
    Pc::disk(rev02, 2, "DISK TWO");
    sim::ScopedMachine machine(pc.build());

    auto context = search(0x40);
    EXPECT_EQ(names(devices(*context)), (std::vector<std::string>{"DISK ONE", "DISK TWO"}));
    const auto hostRecords = hosts(*context);
    ASSERT_EQ(hostRecords.size(), 1u);
    EXPECT_STREQ(hostRecords[0].hardwareId, kSil3132.c_str());
    EXPECT_STREQ(hostRecords[0].description, "SiI 3132 card");
    EXPECT_STREQ(hostRecords[0].pdoName, "\\Device\\NTPNP_PCI0011");

    // The system disk on the board controller is no SATA card's.
    EXPECT_EQ(search(0x08)->deviceCount(), 0);
    EXPECT_TRUE(hosts(*search(0x08)).empty()) << "host IDs are in force only with 0x40";
}

TEST(HostSearch, MatchesHardwareIdsWithoutRegardToCase) {
    Pc pc;
    std::string lower = kSil3512;
    for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    Pc::disk(pc.card(lower), 1, "DISK");
    sim::ScopedMachine machine(pc.build());
    auto context = search(0x40);
    EXPECT_EQ(context->deviceCount(), 1);
    EXPECT_EQ(hosts(*context).size(), 1u);
}

TEST(HostSearch, FoundDeviceCarriesItsOwnAndItsAncestorsTexts) {
    Pc pc;
    auto card = pc.card(kSil3132, "SiI 3132 SATALink Controller");
    Pc::disk(card, 1, "ST3250823AS");
    sim::ScopedMachine machine(pc.build());

    const auto records = devices(*search(0x40));
    ASSERT_EQ(records.size(), 1u);
    const DeviceRecord& d = records[0];
    EXPECT_EQ(d.deviceNumber, 1);
    EXPECT_STREQ(d.devicePath, "\\\\.\\PhysicalDrive1");
    EXPECT_STREQ(d.friendlyName, "ST3250823AS");
    EXPECT_STREQ(d.hostDescription, "SiI 3132 SATALink Controller");
    EXPECT_STREQ(d.parentHardwareId, kSil3132.c_str()) << "a direct child's parent is the host";
    EXPECT_STREQ(d.grandparentHardwareId, kPciBusId.c_str());
    EXPECT_STREQ(d.deviceDescription, "Disk drive");
    EXPECT_STREQ(d.hardwareId, "SCSI\\DiskST3250823AS");
    EXPECT_STREQ(d.instanceSuffix, "5&2A1&0&001");
    EXPECT_STREQ(d.pdoName, "\\Device\\00000041");
}

TEST(HostSearch, ChildWalkDescendsOnlyThroughEachLevelsLastChild) {
    Pc pc;
    auto card = pc.card(kSil3132);
    auto port0 = card.child().instanceId("PORT\\0").hardwareIds({"SATA\\Port"});
    auto port1 = card.child().instanceId("PORT\\1").hardwareIds({"SATA\\Port"});
    Pc::disk(port0, 1, "UNDER FIRST PORT");
    Pc::disk(port1, 2, "UNDER LAST PORT");
    auto deeper = Pc::disk(port1, 3, "LAST PORT LAST CHILD");
    Pc::disk(deeper, 4, "THIRD LEVEL");
    sim::ScopedMachine machine(pc.build());

    EXPECT_EQ(names(devices(*search(0x40))),
              (std::vector<std::string>{"UNDER LAST PORT", "LAST PORT LAST CHILD", "THIRD LEVEL"}));
}

TEST(HostSearch, EveryNodeIsAHostWithSelector01AndDuplicatesAreKept) {
    Pc pc;
    auto card = pc.card(kSil3132);
    Pc::disk(card, 1, "DISK");
    sim::ScopedMachine machine(pc.build());

    // The root has no hardware IDs. The card's disk is collected under the card and
    // under the PCI bus, whose last child is the card; the system disk under its
    // channel and the board controller, but not from the PCI bus.
    const FoundDeviceList found = hostSearch({"*"});
    int cardDisk = 0, systemDisk = 0;
    for (const auto& device : found) {
        if (device.friendlyName == "DISK") ++cardDisk;
        if (device.friendlyName == "SYSTEM DISK") ++systemDisk;
    }
    EXPECT_EQ(cardDisk, 2);
    EXPECT_EQ(systemDisk, 2);
    // The table keeps the first match for each drive.
    EXPECT_EQ(names(devices(*search(0x01))), (std::vector<std::string>{"SYSTEM DISK", "DISK"}));
    EXPECT_TRUE(hosts(*search(0x01)).empty());
}

TEST(HostSearch, AHostsChildrenAreFoundInTheSnapshotWithoutAskingAgain) {
    Pc pc;
    pc.card(kSil3132); // three hardware IDs, no children
    sim::ScopedMachine machine(pc.build());
    const auto before = sim::calls(sim::Op::cmGetChild);
    EXPECT_TRUE(hostSearch({"PCI\\VEN_1095*"}).empty());
    // One child query per node of the walk, none for the card's three matching IDs.
    const auto walkQueries = static_cast<std::uint64_t>(sim::current().nodes.size());
    EXPECT_EQ(sim::calls(sim::Op::cmGetChild) - before, walkQueries);
}

TEST(HostSearch, DeviceWithDiskAndCdRomInterfacesIsCollectedOnceByItsDiskNumber) {
    Pc pc;
    auto card = pc.card(kSil3132);
    Pc::disk(card, 1, "COMBO").storageInterface(sim::InterfaceClass::cdrom, {platform::kFileDeviceCdRom, 5, 0});
    sim::ScopedMachine machine(pc.build());
    const FoundDeviceList found = hostSearch({"PCI\\VEN_1095&DEV_3132"});
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0].number.deviceType, platform::kFileDeviceDisk);
    EXPECT_EQ(found[0].number.deviceNumber, 1u);
}

TEST(HostSearch, InterfaceAndElementIndexesOfASetNeedNotLineUp) {
    // A device with two disk interfaces shifts the set's interfaces against its
    // elements: the disk after it is looked for at an index whose interface is not its
    // own, so it is not found through the disk class.
    Pc pc;
    auto card = pc.card(kSil3132);
    Pc::disk(card, 1, "TWO PATHS").storageInterface(sim::InterfaceClass::disk, {platform::kFileDeviceDisk, 9, 0});
    Pc::disk(card, 2, "SHIFTED");
    sim::ScopedMachine machine(pc.build());
    const FoundDeviceList found = hostSearch({"PCI\\VEN_1095&DEV_3132"});
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0].friendlyName, "TWO PATHS");
    EXPECT_EQ(found[0].number.deviceNumber, 1u);
    EXPECT_EQ(sim::openHandles().total(), 0);
}

TEST(HostSearch, DeviceWhoseNumberQueryFailsIsFoundButMatchesNoDrive) {
    Pc pc;
    Pc::disk(pc.card(kSil3132), 1, "MUTE");
    sim::ScopedMachine machine(pc.build());
    sim::addFault({sim::Op::deviceIoControl, "\\\\?\\", 0, 0}); // every interface path
    const FoundDeviceList found = hostSearch({"PCI\\VEN_1095&DEV_3132"});
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0].number.deviceNumber, 0u);
    EXPECT_EQ(found[0].number.deviceType, 0u);
    EXPECT_EQ(search(0x40)->deviceCount(), 0);
}

TEST(Filter1394, AcceptsOnlyTheLinesBridgesWithAFullUniqueId) {
    EXPECT_TRUE(search::passes1394Filter("025A450100A1B2C3"));
    EXPECT_TRUE(search::passes1394Filter("025a45020000002a&0")) << "hex digits in either case";
    EXPECT_FALSE(search::passes1394Filter("025A450100000000")) << "lower half zero";
    EXPECT_FALSE(search::passes1394Filter("025A4501FFFFFFFF")) << "lower half all ones";
    EXPECT_FALSE(search::passes1394Filter("025A4503000000A1")) << "another model";
    EXPECT_FALSE(search::passes1394Filter("X25A450100A1B2C3")) << "begins with a non-hex character";
    EXPECT_FALSE(search::passes1394Filter("025A4501")) << "no lower half";
    EXPECT_FALSE(search::passes1394Filter(""));
    EXPECT_TRUE(search::passes1394Filter(" 25A450100A1B2C3")) << "leading blanks are skipped";

    EXPECT_TRUE(search::uses1394Filter({"1394\\*", "USB\\*"}));
    EXPECT_FALSE(search::uses1394Filter({"USB\\*", "1394\\*"}));
    EXPECT_FALSE(search::uses1394Filter({"1394\\*x"}));
}

TEST(Filter1394, AppliesToTheWholeSearchWhen1394PatternComesFirst) {
    Pc pc;
    auto bus = pc.pci.child().instanceId("1394BUS\\0").hardwareIds({"1394\\BUS"}).description("1394 bus");
    Pc::disk(bus, 1, "BRIDGE DISK").instanceId("SBP2\\DISK\\025A450100A1B2C3");
    Pc::disk(bus, 2, "FOREIGN DISK").instanceId("SBP2\\DISK\\00D0F5010000A1B2");
    sim::ScopedMachine machine(pc.build());

    EXPECT_EQ(names(devices(*search(0x10))), (std::vector<std::string>{"BRIDGE DISK"}));
    EXPECT_EQ(names(devices(*search(0x18))), (std::vector<std::string>{"BRIDGE DISK", "FOREIGN DISK"}))
        << "with \"USB\\*\" first the filter is off";
}

} // namespace
} // namespace zel::test
