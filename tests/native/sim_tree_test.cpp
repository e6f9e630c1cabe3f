// The device tree as the Configuration Manager calls present it.
#include "sim_support.h"

#include <gtest/gtest.h>

#include <set>

namespace zel::test {
namespace {

using namespace platform;

// root ─ A ─ A1 ─ A1a
//      │    └ A2
//      ├ B
//      └ C ─ C1
// built out of order, so that the order of the node table is not the walk's order.
sim::Machine irregularTree() {
    sim::MachineBuilder b;
    sim::NodeRef a = b.root().child().instanceId("A");
    b.root().child().instanceId("B");
    b.root().child().instanceId("C").child().instanceId("C1");
    sim::NodeRef a1 = a.child().instanceId("A1");
    a.child().instanceId("A2");
    a1.child().instanceId("A1a");
    return b.build();
}

TEST(SimTree, PreOrderWalkVisitsEveryNodeOnceInOrder) {
    sim::ScopedMachine scope(irregularTree());
    EXPECT_EQ(walkPreOrder(), (std::vector<std::string>{"HTREE\\ROOT\\0", "A", "A1", "A1a", "A2", "B", "C", "C1"}));

    sim::ScopedMachine pc(sim::defaultMachine());
    const std::vector<std::string> ids = walkPreOrder();
    EXPECT_EQ(ids.size(), sim::current().nodes.size());
    EXPECT_EQ(std::set<std::string>(ids.begin(), ids.end()).size(), ids.size());
}

TEST(SimTree, RelativesAndBadHandles) {
    sim::ScopedMachine scope(irregularTree());
    const sim::Machine& m = sim::current();
    const auto handle = [&](const char* id) { return static_cast<DevInst>(sim::findNode(m, id) + 1); };

    DevInst out = 0;
    ASSERT_EQ(cmLocateRoot(out), kCrSuccess);
    EXPECT_EQ(out, 1u);
    EXPECT_EQ(cmGetChild(out, handle("C")), kCrSuccess);
    EXPECT_EQ(out, handle("C1"));
    EXPECT_EQ(cmGetSibling(out, handle("A1")), kCrSuccess);
    EXPECT_EQ(out, handle("A2"));
    EXPECT_EQ(cmGetParent(out, handle("A1a")), kCrSuccess);
    EXPECT_EQ(out, handle("A1"));

    // No relative: the output is -1, as Windows leaves it.
    out = 0;
    EXPECT_EQ(cmGetChild(out, handle("B")), kCrNoSuchDevNode);
    EXPECT_EQ(out, static_cast<DevInst>(-1));
    EXPECT_EQ(cmGetSibling(out, handle("C")), kCrNoSuchDevNode);
    EXPECT_EQ(cmGetSibling(out, handle("A2")), kCrNoSuchDevNode);
    EXPECT_EQ(cmGetSibling(out, 1), kCrNoSuchDevNode);
    EXPECT_EQ(cmGetParent(out, 1), kCrNoSuchDevNode);

    // Handles that name no node leave the output alone.
    const auto past = static_cast<DevInst>(m.nodes.size() + 1);
    out = 77;
    for (DevInst bad : {DevInst{0}, past}) {
        EXPECT_EQ(cmGetChild(out, bad), kCrInvalidDevNode);
        EXPECT_EQ(cmGetSibling(out, bad), kCrInvalidDevNode);
        EXPECT_EQ(cmGetParent(out, bad), kCrInvalidDevNode);
        std::uint32_t length = 0;
        EXPECT_EQ(cmGetDevNodeRegistryProperty(bad, kCmDrpHardwareId, nullptr, length), kCrInvalidDevNode);
        char id[8];
        EXPECT_EQ(cmGetDeviceId(bad, id, sizeof id), kCrInvalidDevNode);
    }
    EXPECT_EQ(out, 77u);

    sim::ScopedMachine empty(sim::Machine{});
    EXPECT_EQ(cmLocateRoot(out), kCrNoSuchDevNode);
}

TEST(SimTree, DeviceIdFillsTheBufferItIsGiven) {
    sim::MachineBuilder b;
    b.root().child().instanceId("PCI\\X\\1");
    sim::ScopedMachine scope(b.build());

    char id[16];
    std::fill(std::begin(id), std::end(id), '#');
    EXPECT_EQ(cmGetDeviceId(2, id, sizeof id), kCrSuccess);
    EXPECT_STREQ(id, "PCI\\X\\1");

    // Room for the characters only: success, no terminator.
    std::fill(std::begin(id), std::end(id), '#');
    EXPECT_EQ(cmGetDeviceId(2, id, 7), kCrSuccess);
    EXPECT_EQ(std::string(id, 8), "PCI\\X\\1#");

    std::fill(std::begin(id), std::end(id), '#');
    EXPECT_EQ(cmGetDeviceId(2, id, 4), kCrBufferSmall);
    EXPECT_EQ(std::string(id, 5), "PCI\\#");
}

TEST(SimTree, PropertiesAnswerTheSizeQueryThenTheRead) {
    sim::MachineBuilder b;
    b.root()
        .child()
        .hardwareIds({"PCI\\VEN_1095&DEV_3132", "PCI\\VEN_1095"})
        .description("Card")
        .property(20, std::string("\x01\x00\x02", 3))
        .friendlyName("Hidden")
        .unreadable(kCmDrpFriendlyName);
    sim::ScopedMachine scope(b.build());

    EXPECT_EQ(readProperty(2, kCmDrpHardwareId), std::string("PCI\\VEN_1095&DEV_3132\0PCI\\VEN_1095\0\0", 36));
    EXPECT_EQ(readProperty(2, kCmDrpDeviceDesc), std::string("Card\0", 5));
    EXPECT_EQ(readProperty(2, 20), std::string("\x01\x00\x02", 3));

    std::uint32_t length = 99;
    EXPECT_EQ(cmGetDevNodeRegistryProperty(2, kCmDrpDeviceDesc, nullptr, length), kCrBufferSmall);
    EXPECT_EQ(length, 5u);
    char buffer[8] = {};
    length = 4;
    EXPECT_EQ(cmGetDevNodeRegistryProperty(2, kCmDrpDeviceDesc, buffer, length), kCrBufferSmall);
    EXPECT_EQ(length, 5u);
    length = 5;
    EXPECT_EQ(cmGetDevNodeRegistryProperty(2, kCmDrpDeviceDesc, buffer, length), kCrSuccess);
    EXPECT_STREQ(buffer, "Card");

    // Absent: no such value and a zero length, for the query and for a read alike.
    for (void* target : {static_cast<void*>(nullptr), static_cast<void*>(buffer)}) {
        length = 8;
        EXPECT_EQ(cmGetDevNodeRegistryProperty(2, kCmDrpService, target, length), kCrNoSuchValue);
        EXPECT_EQ(length, 0u);
    }

    // Unreadable: the size is known, the read fails.
    length = 0;
    EXPECT_EQ(cmGetDevNodeRegistryProperty(2, kCmDrpFriendlyName, nullptr, length), kCrBufferSmall);
    EXPECT_EQ(length, 7u);
    length = sizeof buffer;
    EXPECT_EQ(cmGetDevNodeRegistryProperty(2, kCmDrpFriendlyName, buffer, length), kCrFailure);
}

} // namespace
} // namespace zel::test
