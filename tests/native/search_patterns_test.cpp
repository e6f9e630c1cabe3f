// The combined pattern list and the IDE channel collection.
#include "search_fixture.h"

#include "hardware_ids.h"
#include "pattern_list.h"

namespace zel::test {
namespace {

using search::PatternList;

// The pattern list and the IDE channels of a search on the installed machine.
PatternList buildPatternList(std::uint32_t selector) {
    search::DeviceTree tree;
    return search::buildPatternList(tree, selector);
}

std::vector<std::string> ideChannels() {
    search::DeviceTree tree;
    return search::collectIdeChannels(tree);
}

TEST(PatternList, GroupsInBitOrderRowsInTableOrderHighBitsIgnored) {
    sim::ScopedMachine machine(Pc().build());
    EXPECT_TRUE(buildPatternList(0).empty());
    EXPECT_TRUE(buildPatternList(0x80).empty());
    EXPECT_EQ(buildPatternList(0x01), PatternList{"*"});
    EXPECT_EQ(buildPatternList(0x18), (PatternList{"USB\\*", "1394\\*"}));
    EXPECT_EQ(buildPatternList(0xFFFFFF10), PatternList{"1394\\*"});

    const PatternList sata = buildPatternList(0x40);
    ASSERT_EQ(sata.size(), 4u);
    EXPECT_EQ(sata[0], "PCI\\VEN_1095&DEV_3132&SUBSYS_31321095&REV_");
    EXPECT_EQ(sata[3], "PCI\\VEN_1095&DEV_3124&SUBSYS_31241095&REV_");

    const PatternList all = buildPatternList(0x7F);
    // "*", 31 product rows, the IDE channel, "USB\*", "1394\*", 10 SCSI rows, 4 SATA rows.
    ASSERT_EQ(all.size(), 1u + 31 + 1 + 1 + 1 + 10 + 4);
    EXPECT_EQ(all[0], "*");
    EXPECT_EQ(all[32], "Internal_IDE_Channel");
    EXPECT_EQ(all[33], "USB\\*");
    EXPECT_EQ(all[34], "1394\\*");
    EXPECT_EQ(all[42], "PCI\\VEN_10CD&DEV_1300&SUBSYS_131010CD");
    EXPECT_EQ(all[44], "PCI\\VEN_9005&DEV_0010&SUBSYS_A1809005&REV_00");
    EXPECT_EQ(all.back(), sata.back());
}

TEST(PatternList, ProductRowsHaveTheirStatedShape) {
    const auto usb1394 = search::groupRows(search::kProductUsb1394);
    ASSERT_EQ(usb1394.size(), 31u);
    const std::string_view vendor = usb1394[0].substr(0, 13); // "USB\VID_xxxx&"
    for (std::size_t i = 0; i < 27; ++i) {
        EXPECT_EQ(usb1394[i].substr(0, 13), vendor) << i;
        EXPECT_EQ(usb1394[i].size(), 21u) << "USB\\VID_xxxx&PID_xxxx: " << usb1394[i];
    }
    for (std::size_t i = 27; i < 31; ++i) EXPECT_EQ(usb1394[i].substr(0, 5), "1394\\");
    EXPECT_NE(usb1394[28].back(), '*');
    EXPECT_EQ(usb1394[29].back(), '*');
    EXPECT_EQ(usb1394[30].back(), '*');

    const auto scsi = search::groupRows(search::kScsiAdapters);
    ASSERT_EQ(scsi.size(), 10u);
    EXPECT_EQ(scsi[0].substr(0, 5), "1394\\");
    for (std::size_t i = 1; i <= 5; ++i) EXPECT_EQ(scsi[i].substr(0, 7), "PCMCIA\\");
    EXPECT_EQ(scsi[6].substr(0, 22), "PCI\\VEN_10CD&DEV_1300&");
    EXPECT_EQ(scsi[8].substr(0, 8), "PCI\\VEN_");
}

TEST(PatternList, PatternIsACaseInsensitivePrefixAfterOneTrailingStar) {
    using search::matchesPattern;
    EXPECT_TRUE(matchesPattern("PCI\\VEN_1095&DEV_3132&SUBSYS_31321095&REV_02",
                               "PCI\\VEN_1095&DEV_3132&SUBSYS_31321095&REV_"));
    EXPECT_TRUE(matchesPattern("usb\\vid_0411&pid_0001", "USB\\*"));
    EXPECT_TRUE(matchesPattern("anything", "*"));
    EXPECT_FALSE(matchesPattern("USB", "USB\\*")) << "an ID shorter than the pattern";
    EXPECT_TRUE(matchesPattern("USB*X", "USB**")) << "only one star is removed";
    EXPECT_FALSE(matchesPattern("USBX", "USB**")) << "the rest is literal";
}

TEST(IdeChannels, CollectsAtapiChannelsInTreeOrderWithDuplicates) {
    Pc pc;
    auto second = pc.board.child()
                      .instanceId("PCIIDE\\IDECHANNEL\\4&1F7E0E5C&0&1")
                      .hardwareIds({"Internal_IDE_Channel"})
                      .classGuid("{4d36e96a-e325-11ce-bfc1-08002be10318}")
                      .className("HDC")
                      .service("ATAPI");
    // Same class, another service; and a node of another class that the atapi driver serves.
    pc.board.child().instanceId("X\\1").hardwareIds({"Vendor_Channel"}).classGuid(kIdeClassGuid)
        .className("hdc").service("vendoride");
    pc.board.child().instanceId("X\\2").hardwareIds({"Other_Class"}).classGuid("{4D36E97B-E325-11CE-BFC1-08002BE10318}")
        .className("SCSIAdapter").service("atapi");
    sim::ScopedMachine machine(pc.build());
    (void)second;

    EXPECT_EQ(ideChannels(), (std::vector<std::string>{"Internal_IDE_Channel", "Internal_IDE_Channel"}));
    EXPECT_EQ(buildPatternList(0x44).size(), 2u + 4u);
}

TEST(IdeChannels, NoAtapiChannelContributesNothingAndLaterGroupsStillCount) {
    sim::MachineBuilder b;
    b.root().child().instanceId("IDE\\0").hardwareIds({"Channel"}).classGuid(kIdeClassGuid).className("hdc").service("pciide");
    sim::ScopedMachine machine(b.build());
    EXPECT_TRUE(buildPatternList(0x04).empty());
    EXPECT_EQ(buildPatternList(0x44), buildPatternList(0x40));
}

TEST(IdeChannels, NeverOutgrowsItsBufferAndKeepsDiscoveryOrder) {
    sim::MachineBuilder b;
    // 40-character IDs: six fit (6 * 41 + 1 = 247 bytes); the seventh would need 288.
    for (int i = 0; i < 10; ++i) {
        std::string id = "CHANNEL_" + std::to_string(i);
        id.resize(40, 'x');
        b.root().child().instanceId("IDE\\" + std::to_string(i)).hardwareIds({id}).classGuid(kIdeClassGuid)
            .className("hdc").service("atapi");
    }
    sim::ScopedMachine machine(b.build());
    const auto channels = ideChannels();
    ASSERT_EQ(channels.size(), 6u);
    std::size_t bytes = 1;
    for (std::size_t i = 0; i < channels.size(); ++i) {
        EXPECT_EQ(channels[i].substr(0, 10), "CHANNEL_" + std::to_string(i) + "x");
        bytes += channels[i].size() + 1;
    }
    EXPECT_LE(bytes, search::kIdeChannelBufferSize);

    // One ID that alone is longer than the buffer contributes nothing.
    sim::MachineBuilder huge;
    huge.root().child().instanceId("IDE\\0").hardwareIds({std::string(300, 'H')}).classGuid(kIdeClassGuid)
        .className("hdc").service("atapi");
    sim::ScopedMachine machine2(huge.build());
    EXPECT_TRUE(ideChannels().empty());
}

} // namespace
} // namespace zel::test
