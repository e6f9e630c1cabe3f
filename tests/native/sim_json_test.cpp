// Machine files: the same PC from a file and from builder calls, the example files, and
// errors that say where in the document they are.
#include "sim_support.h"

#include <gtest/gtest.h>

#include <sstream>

namespace zel::test {
namespace {

using namespace platform;
using sim::InterfaceClass;

std::string machineFile(const char* name) {
    const std::string here = __FILE__;
    return here.substr(0, here.rfind("tests/native/")) + "tools/machines/" + name;
}

std::string text(const StorageDeviceNumber& n) {
    return "{" + std::to_string(n.deviceType) + "," + std::to_string(n.deviceNumber) + "," +
           std::to_string(n.partitionNumber) + "}";
}

// The first place where two machines differ, for a readable failure.
std::string firstDifference(const sim::Machine& a, const sim::Machine& b) {
    std::ostringstream out;
    for (std::size_t i = 0; i < std::min(a.nodes.size(), b.nodes.size()); ++i) {
        const sim::Node &x = a.nodes[i], &y = b.nodes[i];
        if (x.instanceId != y.instanceId)
            return "node " + std::to_string(i) + ": " + x.instanceId + " / " + y.instanceId;
        for (const auto& [code, p] : x.properties)
            if (!y.properties.count(code) || !(y.properties.at(code) == p))
                return x.instanceId + ": property " + std::to_string(code) + " \"" + p.bytes + "\"";
        if (!(x == y)) return x.instanceId + ": properties, interfaces or links differ";
    }
    if (a.nodes.size() != b.nodes.size()) return "node counts differ";
    for (std::size_t i = 0; i < std::min(a.devices.size(), b.devices.size()); ++i)
        if (!(a.devices[i] == b.devices[i]))
            return "device " + a.devices[i].path + " " + text(a.devices[i].number) + " / " + b.devices[i].path + " " +
                   text(b.devices[i].number);
    if (a.devices.size() != b.devices.size()) return "device counts differ";
    if (!(a.volumes == b.volumes)) return "volumes differ";
    return "";
}

TEST(SimJson, DefaultMachineFileIsTheBuiltInMachine) {
    std::string error;
    const auto loaded = sim::loadMachineFile(machineFile("default.json"), error);
    ASSERT_TRUE(loaded) << error;
    EXPECT_EQ(firstDifference(*loaded, sim::defaultMachine()), "");
    EXPECT_TRUE(*loaded == sim::defaultMachine());
}

TEST(SimJson, EveryKeyBuildsWhatItsBuilderCallBuilds) {
    const char* json = R"({
      "comment": "every key once",
      "root": {
        "instanceId": "HTREE\\ROOT\\0",
        "children": [{
          "instanceId": "PCI\\VEN_1095&DEV_3132\\1",
          "hardwareIds": ["PCI\\VEN_1095&DEV_3132", "PCI\\VEN_1095"],
          "description": "Card", "friendlyName": "Card 1", "service": "si3132", "class": "SCSIAdapter",
          "classGuid": "{4D36E97B-E325-11CE-BFC1-08002BE10318}", "pdoName": "\\Device\\00000041",
          "properties": {"20": [1, 0, 2], "21": "raw\u0000text"},
          "unreadable": ["friendlyName", 21, 30],
          "children": [
            {"instanceId": "SCSI\\DISK\\1", "disk": 1, "cdrom": 4,
             "interfaces": [
               {"class": "writeonce", "number": {"deviceType": "disk", "deviceNumber": 1}},
               {"class": "disk", "number": {"deviceType": 7, "deviceNumber": 1, "partitionNumber": 0},
                "path": "\\\\?\\custom#path", "opens": false}],
             "volumes": ["d", {"letter": "E:", "driveType": "removable"},
                         {"letter": "F", "number": {"deviceType": "cdrom", "deviceNumber": 4}, "answers": false}]},
            {"instanceId": "SCSI\\DISK\\2", "comment": "no storage"}
          ]
        }]
      },
      "volumes": ["A:", {"letter": "Q", "driveType": "remote", "number": {"deviceType": "disk", "deviceNumber": 9}}],
      "devices": [
        {"path": "\\\\.\\PhysicalDrive9", "number": {"deviceType": "disk", "deviceNumber": 9}, "answers": false,
         "owner": "scsi\\disk\\2"},
        {"path": "\\\\.\\Tape0"}]
    })";
    std::string error;
    const auto parsed = sim::parseMachineJson(json, error);
    ASSERT_TRUE(parsed) << error;

    sim::MachineBuilder b;
    sim::NodeRef card = b.root().child();
    card.instanceId("PCI\\VEN_1095&DEV_3132\\1")
        .hardwareIds({"PCI\\VEN_1095&DEV_3132", "PCI\\VEN_1095"})
        .description("Card")
        .friendlyName("Card 1")
        .service("si3132")
        .className("SCSIAdapter")
        .classGuid("{4D36E97B-E325-11CE-BFC1-08002BE10318}")
        .pdoName("\\Device\\00000041")
        .property(20, std::string("\x01\x00\x02", 3))
        .property(21, std::string("raw\0text", 8))
        .unreadable(kCmDrpFriendlyName)
        .unreadable(21)
        .unreadable(30);
    card.child()
        .instanceId("SCSI\\DISK\\1")
        .disk(1)
        .cdrom(4)
        .storageInterface(InterfaceClass::writeOnceDisk, {kFileDeviceDisk, 1, 0})
        .storageInterface(InterfaceClass::disk, {kFileDeviceDisk, 1, 0}, "\\\\?\\custom#path")
        .volume('D')
        .volume('E', kDriveRemovable)
        .volume('F', kDriveCdRom);
    card.child().instanceId("SCSI\\DISK\\2");
    b.looseVolume('A', kDriveFixed).looseVolume('Q', kDriveRemote, StorageDeviceNumber{kFileDeviceDisk, 9, 0});
    b.device({"\\\\.\\PhysicalDrive9", {kFileDeviceDisk, 9, 0}, true, false, 3});
    b.device({"\\\\.\\Tape0", {}, true, true, -1});
    sim::Machine built = b.build();
    sim::findDevice(built, "\\\\?\\CUSTOM#PATH")->opens = false;
    sim::DeviceObject* f = sim::findDevice(built, "\\\\.\\F:");
    f->number = {kFileDeviceCdRom, 4, 0};
    f->answers = false;

    EXPECT_EQ(firstDifference(*parsed, built), "");
    EXPECT_TRUE(*parsed == built);
}

TEST(SimJson, TwoCardsFileHoldsTheDescribedPc) {
    std::string error;
    const auto loaded = sim::loadMachineFile(machineFile("two-cards.json"), error);
    ASSERT_TRUE(loaded) << error;
    sim::ScopedMachine scope(*loaded);
    const sim::Machine& m = sim::current();

    const auto firstId = [](DevInst n) { return std::string(readProperty(n, kCmDrpHardwareId).c_str()); };
    const auto childrenOf = [](DevInst n) {
        std::vector<DevInst> list;
        DevInst c = 0;
        for (ConfigRet r = cmGetChild(c, n); r == kCrSuccess; r = cmGetSibling(c, c)) list.push_back(c);
        return list;
    };
    // The node answering a device path, found through the disk and CD-ROM interface sets.
    const auto nodeAnswering = [&](const StorageDeviceNumber& number) {
        for (int i = 0; i < static_cast<int>(m.nodes.size()); ++i)
            for (const sim::Interface& itf : m.nodes[i].interfaces)
                if (answerOf(itf.path.c_str()) == number) return static_cast<DevInst>(i + 1);
        return DevInst{0};
    };

    DevInst card1 = 0, card2 = 0, channel = 0;
    for (const std::string& id : walkPreOrder()) {
        const auto n = static_cast<DevInst>(sim::findNode(m, id) + 1);
        if (firstId(n) == "PCI\\VEN_1095&DEV_3132&SUBSYS_31321095&REV_01") card1 = n;
        if (firstId(n) == "PCI\\VEN_1095&DEV_3512&SUBSYS_35121095&REV_01") card2 = n;
        if (readProperty(n, kCmDrpService) == std::string("atapi", 6)) {
            EXPECT_EQ(channel, 0u) << "one IDE channel";
            channel = n;
        }
    }
    ASSERT_NE(card1, 0u);
    ASSERT_NE(card2, 0u);
    ASSERT_NE(channel, 0u);
    EXPECT_EQ(readProperty(channel, kCmDrpClass), std::string("hdc", 4));
    EXPECT_EQ(readProperty(channel, kCmDrpClassGuid), std::string("{4D36E96A-E325-11CE-BFC1-08002BE10318}", 39));

    const DevInst disk0 = nodeAnswering({kFileDeviceDisk, 0, 0});
    DevInst parent = 0;
    ASSERT_EQ(cmGetParent(parent, disk0), kCrSuccess);
    EXPECT_EQ(parent, channel);
    EXPECT_EQ(childrenOf(card1), (std::vector<DevInst>{nodeAnswering({kFileDeviceDisk, 1, 0}),
                                                       nodeAnswering({kFileDeviceDisk, 2, 0})}));
    EXPECT_EQ(childrenOf(card2), (std::vector<DevInst>{nodeAnswering({kFileDeviceCdRom, 0, 0}),
                                                       nodeAnswering({kFileDeviceCdRom, 1, 0})}));
    for (DevInst cd : childrenOf(card2)) EXPECT_EQ(readProperty(cd, kCmDrpDeviceDesc), std::string("CD-ROM Drive", 13));

    const auto bit = [](char letter) { return 1u << (letter - 'A'); };
    EXPECT_EQ(getLogicalDrives(), bit('C') | bit('D') | bit('E') | bit('F') | bit('Z'));
    EXPECT_EQ(answerOf("\\\\.\\C:").deviceNumber, 0u);
    EXPECT_EQ(answerOf("\\\\.\\D:"), (StorageDeviceNumber{kFileDeviceDisk, 1, 1}));
    EXPECT_EQ(answerOf("\\\\.\\E:"), (StorageDeviceNumber{kFileDeviceDisk, 1, 2}));
    EXPECT_EQ(answerOf("\\\\.\\Z:"), (StorageDeviceNumber{kFileDeviceCdRom, 0, 0}));
    EXPECT_EQ(answerOf("\\\\.\\F:"), (StorageDeviceNumber{kFileDeviceCdRom, 1, 0}));
    EXPECT_EQ(getDriveType("D:"), kDriveFixed);
    EXPECT_EQ(getDriveType("Z:"), kDriveCdRom);
    EXPECT_EQ(getDriveType("F:"), kDriveCdRom);
}

TEST(SimJson, ErrorsNameThePlaceInTheDocument) {
    const std::pair<const char*, const char*> cases[] = {
        {R"({"root": {"children": [{}, {"leter": 1}]}})", R"(/root/children/1: unknown key "leter")"},
        {R"({"machine": {}})", R"((document): unknown key "machine")"},
        {R"([1])", "(document): expected an object"},
        {R"({"root": {"disk": "1"}})", "/root/disk: expected an unsigned 32-bit integer"},
        {R"({"root": {"disk": -1}})", "/root/disk: expected an unsigned 32-bit integer"},
        {R"({"root": {"cdrom": 1.5}})", "/root/cdrom: expected an unsigned 32-bit integer"},
        {R"({"root": {"disk": 4294967296}})", "/root/disk: expected an unsigned 32-bit integer"},
        {R"({"root": {"hardwareIds": "PCI\\X"}})", "/root/hardwareIds: expected an array"},
        {R"({"root": {"hardwareIds": ["A", 2]}})", "/root/hardwareIds/1: expected a string"},
        {R"({"root": {"children": {}}})", "/root/children: expected an array"},
        {R"({"root": {"disk": 0, "volumes": ["C:", "c"]}})", "/root/volumes/1: drive letter C: is given twice"},
        {R"({"root": {"volumes": ["C:"]}})", "/root/volumes/0: the node has no storage device"},
        {R"({"root": {"disk": 0, "volumes": ["CD"]}})", R"(/root/volumes/0: "CD" is not a drive letter)"},
        {R"({"root": {"disk": 0, "volumes": [{"driveType": 3}]}})", "/root/volumes/0: a volume needs a letter"},
        {R"({"volumes": [{"letter": "A", "driveType": "floppy"}]})", R"(/volumes/0/driveType: unknown name "floppy")"},
        {R"({"volumes": [{"letter": "A", "answers": "no"}]})", "/volumes/0/answers: expected true or false"},
        {R"({"root": {"interfaces": [{"class": "tape", "number": {"deviceType": 7, "deviceNumber": 0}}]}})",
         R"(/root/interfaces/0/class: unknown interface class "tape")"},
        {R"({"root": {"interfaces": [{"class": "disk"}]}})", "/root/interfaces/0: an interface needs class and number"},
        {R"({"devices": [{"path": "x", "number": {"deviceNumber": 1}}]})",
         "/devices/0/number: a device number needs deviceType and deviceNumber"},
        {R"({"devices": [{"path": "x", "owner": "NOPE"}]})", R"(/devices/0/owner: no node has the instance ID "NOPE")"},
        {R"({"root": {"properties": {"a/b": "x"}}})", R"(/root/properties/a~1b: "a/b" is neither a property code)"},
        {R"({"root": {"description": "a", "properties": {"1": "b"}}})",
         R"(/root/properties/1: property 1 is also given as "description")"},
        {R"({"root": {"properties": {"20": [1, 256]}}})", "/root/properties/20/1: expected a byte value"},
        {R"({"root": {"unreadable": [true]}})", "/root/unreadable/0: expected an unsigned 32-bit integer"},
        {R"({"root": )", "parse error at line 1"},
    };
    for (const auto& [json, expected] : cases) {
        std::string error;
        EXPECT_FALSE(sim::parseMachineJson(json, error)) << json;
        EXPECT_NE(error.find(expected), std::string::npos) << json << "\n  gave: " << error;
    }

    std::string error;
    EXPECT_FALSE(sim::loadMachineFile(machineFile("no-such-machine.json"), error));
    EXPECT_NE(error.find("no-such-machine.json: cannot be read"), std::string::npos) << error;
}

} // namespace
} // namespace zel::test
