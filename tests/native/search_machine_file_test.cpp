// The example machine file searched with the selectors users meet: the SATA cards
// alone, every node, IEEE 1394, and the IDE channels with the SATA cards.
#include "search_fixture.h"

namespace zel::test {
namespace {

struct Row {
    std::string path, letters;
    int driveType;
    std::string hostDescriptionStart;
};

std::vector<Row> rows(const search::SearchContext& context) {
    std::vector<Row> out;
    for (const DeviceRecord& r : devices(context))
        out.push_back({r.devicePath, r.driveLetters, r.driveType, std::string(r.hostDescription).substr(0, 24)});
    return out;
}

bool operator==(const Row& a, const Row& b) {
    return a.path == b.path && a.letters == b.letters && a.driveType == b.driveType &&
           a.hostDescriptionStart == b.hostDescriptionStart;
}

void PrintTo(const Row& r, std::ostream* os) {
    *os << r.path << " '" << r.letters << "' " << r.driveType << " " << r.hostDescriptionStart;
}

TEST(MachineFile, TwoCardsGiveTheRecordsEachSelectorPredicts) {
    std::string error;
    auto machine = sim::loadMachineFile(ZEL_SOURCE_DIR "/tools/machines/two-cards.json", error);
    ASSERT_TRUE(machine) << error;
    sim::ScopedMachine installed(std::move(*machine));

    const Row disk1{"\\\\.\\PhysicalDrive1", "DE", 3, "Silicon Image SiI 3132 S"};
    const Row disk2{"\\\\.\\PhysicalDrive2", "", 0, "Silicon Image SiI 3132 S"};
    const Row dvd{"\\\\.\\F:", "F", 5, "Silicon Image SiI 3512 S"};

    // The SATA cards: both disks of the first, the DVD writer of the second; the
    // CD-ROM drive whose only volume is Z: is never probed.
    auto sata = search(0x40);
    EXPECT_EQ(rows(*sata), (std::vector<Row>{disk1, disk2, dvd}));
    const auto hostRecords = hosts(*sata);
    ASSERT_EQ(hostRecords.size(), 2u);
    EXPECT_STREQ(hostRecords[0].hardwareId, kSil3132.c_str());
    EXPECT_STREQ(hostRecords[1].hardwareId, kSil3512.c_str());

    // Every node is a host: each device keeps the first host it was found under in
    // pre-order, which is an ancestor reaching it through last children.
    EXPECT_EQ(rows(*search(0x01)),
              (std::vector<Row>{{"\\\\.\\PhysicalDrive0", "C", 3, "Intel(R) 82801G (ICH7 Fa"},
                                {"\\\\.\\PhysicalDrive1", "DE", 3, "Intel(R) 82801G (ICH7 Fa"},
                                {"\\\\.\\PhysicalDrive2", "", 0, "Intel(R) 82801G (ICH7 Fa"},
                                {"\\\\.\\F:", "F", 5, "Microsoft ACPI-Compliant"}}));
    EXPECT_TRUE(hosts(*search(0x01)).empty());

    // No 1394 bus: nothing at all.
    auto firewire = search(0x10);
    EXPECT_EQ(firewire->deviceCount(), 0);
    EXPECT_TRUE(hosts(*firewire).empty());

    // The IDE channel brings in the system disk ahead of the cards' devices.
    auto ide = search(0x44);
    EXPECT_EQ(rows(*ide), (std::vector<Row>{{"\\\\.\\PhysicalDrive0", "C", 3, "Primary IDE Channel"}, disk1, disk2, dvd}));
    EXPECT_EQ(hosts(*ide).size(), 2u);
}

} // namespace
} // namespace zel::test
