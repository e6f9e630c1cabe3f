// Tying found devices to physical drives, CD-ROM volumes and drive letters.
#include "search_fixture.h"

#include <cstring>

namespace zel::test {
namespace {

using platform::kDriveCdRom;
using platform::kDriveFixed;
using platform::kDriveRemovable;

TEST(DriveMap, DisksGetTheirPhysicalDriveAndEveryFixedLetter) {
    Pc pc;
    auto card = pc.card(kSil3132);
    Pc::disk(card, 1, "TWO VOLUMES").volume('E').volume('D').volume('Z');
    Pc::disk(card, 2, "NO VOLUME");
    Pc::disk(card, 3, "REMOVABLE MEDIA").volume('G', kDriveRemovable);
    sim::ScopedMachine machine(pc.build());

    const auto records = devices(*search(0x40));
    ASSERT_EQ(records.size(), 3u);
    EXPECT_STREQ(records[0].devicePath, "\\\\.\\PhysicalDrive1");
    EXPECT_STREQ(records[0].driveLetters, "DEZ") << "ascending, and Z: counts for a disk";
    EXPECT_EQ(records[0].driveType, kDriveFixed);

    EXPECT_EQ(records[1].valid, 1);
    EXPECT_STREQ(records[1].driveLetters, "");
    EXPECT_EQ(records[1].driveType, 0);

    EXPECT_STREQ(records[2].friendlyName, "REMOVABLE MEDIA");
    EXPECT_STREQ(records[2].driveLetters, "") << "removable volumes are no disk's letters";
    EXPECT_EQ(records[2].driveType, 0);
}

TEST(DriveMap, CdRomVolumesAreProbedOnlyForCdRomDescriptionsAndNeverOnZ) {
    Pc pc;
    auto card = pc.card(kSil3512);
    Pc::cdrom(card, 0, "ON Z").volume('Z');
    Pc::cdrom(card, 1, "DVD WRITER").volume('F');
    Pc::cdrom(card, 2, "NO MEDIA LETTER");
    Pc::disk(card, 1, "DISK").volume('E');
    sim::ScopedMachine machine(pc.build());

    const auto records = devices(*search(0x40));
    ASSERT_EQ(names(records), (std::vector<std::string>{"DISK", "DVD WRITER"})) << "disks first, then CD-ROM volumes";
    EXPECT_STREQ(records[1].devicePath, "\\\\.\\F:");
    EXPECT_EQ(records[1].deviceNumber, 1);
    EXPECT_STREQ(records[1].driveLetters, "F");
    EXPECT_EQ(records[1].driveType, kDriveCdRom);

    // The same drives described otherwise are found by the host search but no CD-ROM
    // volume is probed for them.
    Pc other;
    auto card2 = other.card(kSil3512);
    Pc::cdrom(card2, 1, "DVD WRITER", "DVD-RAM Drive").volume('F');
    Pc::cdrom(card2, 2, "LOWER CASE", "cd-rom drive").volume('G');
    sim::ScopedMachine machine2(other.build());
    EXPECT_EQ(search(0x40)->deviceCount(), 0);
    EXPECT_EQ(sim::calls(sim::Op::getDriveType), 0u);
}

TEST(DriveMap, ProbesPhysicalDrivesZeroTo25ThroughGaps) {
    sim::MachineBuilder b;
    auto card = b.root().child().instanceId("PCI\\CARD\\0").hardwareIds({kSil3132}).description("card");
    for (std::uint32_t n : {3u, 25u, 26u}) Pc::disk(card, n, "DISK " + std::to_string(n));
    sim::ScopedMachine machine(b.build());

    const auto records = devices(*search(0x40));
    EXPECT_EQ(names(records), (std::vector<std::string>{"DISK 3", "DISK 25"}));

    sim::resetCalls();
    search(0x40);
    // One interface open per disk, then the 26 physical drive names: never "PhysicalDrive26".
    EXPECT_EQ(sim::calls(sim::Op::createFile), 3u + 26u);
}

TEST(DriveMap, DeviceNumberAbove255IsKeptAsItsLowByteAndFindsNoLetters) {
    sim::MachineBuilder b;
    auto card = b.root().child().instanceId("PCI\\CARD\\0").hardwareIds({kSil3132}).description("card");
    card.child()
        .instanceId("SCSI\\DISK\\BIG")
        .hardwareIds({"SCSI\\Disk"})
        .friendlyName("NUMBER 257")
        .storageInterface(sim::InterfaceClass::disk, {platform::kFileDeviceDisk, 257, 0})
        .volume('G');
    b.device({"\\\\.\\PhysicalDrive4", {platform::kFileDeviceDisk, 257, 0}, true, true, -1});
    sim::ScopedMachine machine(b.build());

    const auto records = devices(*search(0x40));
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].deviceNumber, 1);
    EXPECT_STREQ(records[0].devicePath, "\\\\.\\PhysicalDrive4");
    EXPECT_STREQ(records[0].driveLetters, "");
    EXPECT_EQ(records[0].driveType, 0);
}

TEST(DriveMap, TableKeepsTheFirst26MatchedProbes) {
    sim::MachineBuilder b;
    auto card = b.root().child().instanceId("PCI\\CARD\\0").hardwareIds({kSil3132}).description("card");
    for (std::uint32_t n = 0; n < 20; ++n) Pc::disk(card, n, "DISK " + std::to_string(n));
    for (std::uint32_t n = 0; n < 10; ++n)
        Pc::cdrom(card, n, "CD " + std::to_string(n)).volume(static_cast<char>('D' + n));
    sim::ScopedMachine machine(b.build());

    auto context = search(0x40);
    EXPECT_EQ(context->deviceCount(), 26);
    const auto records = devices(*context);
    ASSERT_EQ(records.size(), 26u);
    EXPECT_STREQ(records[19].friendlyName, "DISK 19");
    EXPECT_STREQ(records[20].friendlyName, "CD 0");
    EXPECT_STREQ(records[25].friendlyName, "CD 5");
    EXPECT_STREQ(records[25].driveLetters, "I");
}

TEST(DriveMap, LongTextsAreCutToTheirFieldsAndLeaveTheRestOfTheRecordAlone) {
    Pc pc;
    const std::string longName(300, 'N');
    const std::string longDescription = "CD-ROM " + std::string(60, 'D');
    auto card = pc.card(kSil3132, std::string(200, 'H'));
    Pc::cdrom(card, 0, longName, longDescription).volume('F');
    sim::ScopedMachine machine(pc.build());

    auto context = search(0x40);
    DeviceRecord record;
    std::memset(&record, 0xAA, sizeof record);
    context->readDevice(0, &record);
    EXPECT_EQ(std::string(record.friendlyName), std::string(127, 'N'));
    EXPECT_EQ(std::string(record.hostDescription), std::string(127, 'H'));
    EXPECT_EQ(std::string(record.deviceDescription), longDescription.substr(0, 35));
    EXPECT_STREQ(record.devicePath, "\\\\.\\F:");
    EXPECT_EQ(static_cast<unsigned char>(record.devicePath[7]), 0xAA) << "after the terminator";
    EXPECT_EQ(record.driveLetters[0], 'F');
    EXPECT_EQ(record.driveLetters[1], '\0');
    for (unsigned char byte : record.reserved) ASSERT_EQ(byte, 0xAA);
}

TEST(DriveMap, LettersAreLookedUpLiveAtEachRead) {
    Pc pc;
    auto card = pc.card(kSil3132);
    Pc::disk(card, 1, "DISK").volume('E');
    sim::ScopedMachine machine(pc.build());
    auto context = search(0x40);

    DeviceRecord before{};
    context->readDevice(0, &before);
    EXPECT_STREQ(before.driveLetters, "E");

    sim::Machine changed = sim::current();
    std::erase_if(changed.volumes, [](const sim::Volume& volume) { return volume.letter == 'E'; });
    sim::install(changed);
    DeviceRecord after{};
    context->readDevice(0, &after);
    EXPECT_STREQ(after.friendlyName, "DISK") << "texts are those of the search";
    EXPECT_STREQ(after.driveLetters, "");
    EXPECT_EQ(after.driveType, 0);
}

} // namespace
} // namespace zel::test
