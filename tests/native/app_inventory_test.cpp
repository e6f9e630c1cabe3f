// Rebuilding the inventory: what the program offers, in which order, and what it says
// when the search library cannot be used.
#include "app_fixture.h"

#include "res/strings.h"

namespace zel::test {
namespace {

using app::kSettingsKey;
using platform::kRegDword;
using platform::kRegSz;

class Inventory : public AppTest {
protected:
    // Starts the program on the machine and returns the inventory's names.
    std::vector<std::string> start(const sim::Machine& machine) {
        sim::install(machine);
        app_ = std::make_unique<app::CZelSATAApp>();
        EXPECT_TRUE(app_->InitInstance());
        return names();
    }

    std::vector<std::string> names() const {
        std::vector<std::string> out;
        const auto& inventory = app_->inventory();
        for (int i = 0; i < app::kInventorySize && inventory.entries[i].valid == 1; ++i)
            out.emplace_back(inventory.entries[i].driveName);
        return out;
    }

    const app::InventoryEntry& entry(int i) const { return app_->inventory().entries[i]; }

    void TearDown() override {
        if (app_) app_->ExitInstance();
        app_.reset();
        EXPECT_EQ(sim::openHandles().total(), 0);
        AppTest::TearDown();
    }

    std::unique_ptr<app::CZelSATAApp> app_;
};

// The default PC with the search looking at every node (SearchCode 1).
sim::Machine everyNode(sim::Machine machine = sim::defaultMachine()) {
    machine.system.registry.push_back({platform::kHkeyLocalMachine, kSettingsKey, {{"SearchCode", kRegDword, sim::dwordBytes(1)}}, true, true});
    return machine;
}

TEST_F(Inventory, DefaultMachineOffersTheCardsDevicesButNeverTheSystemDisk) {
    const auto offered = start(sim::defaultMachine());
    ASSERT_EQ(offered.size(), 3u);
    EXPECT_STREQ(entry(0).driveLetters, "E");
    EXPECT_EQ(entry(0).kind, app::kKindDevice);
    EXPECT_EQ(entry(0).deviceClass, platform::kDriveFixed);
    EXPECT_STREQ(entry(1).driveLetters, "FG");
    EXPECT_STREQ(entry(2).driveLetters, "H");
    EXPECT_EQ(entry(2).deviceClass, platform::kDriveCdRom);
    EXPECT_STRNE(entry(0).hardwareId, "");
    EXPECT_STRNE(entry(0).pdoName, "");
    EXPECT_EQ(entry(3).valid, 0);

    // Searching every node finds the system disk (C:) and the board's CD-ROM drive too:
    // the guard leaves out the disk and offers the drive.
    app_->ExitInstance();
    start(everyNode());
    std::vector<std::string> letters;
    for (int i = 0; i < app_->inventory().count(); ++i) letters.emplace_back(entry(i).driveLetters);
    EXPECT_EQ(letters, (std::vector<std::string>{"E", "FG", "D", "H"}));
    // No probe of a drive (the DVD drive's letter, the layouts, the system files) may raise
    // Windows' "No Disk" box, and the error mode is the program's own again afterwards.
    EXPECT_EQ(sim::loudDriveProbes(), 0u);
    EXPECT_FALSE(sim::driveProbesQuiet());
}

TEST_F(Inventory, NamesThatDoNotBeginWithACapitalAreShownAsUnknown) {
    Pc pc;
    auto card = pc.card(kSil3132);
    Pc::disk(card, 1, "Maxtor").volume('E');
    Pc::disk(card, 2, "").volume('F');
    Pc::disk(card, 3, "7200 rpm disk").volume('G');
    Pc::disk(card, 4, "seagate").volume('H');
    Pc::disk(card, 5, "\x83\x66\x83\x42\x83\x58\x83\x4E").volume('I'); // a Japanese name
    sim::Machine machine = pc.build();
    machine.system.windowsDirectory = "C:\\WINDOWS";
    const auto offered = start(machine);
    ASSERT_EQ(offered.size(), 5u);
    EXPECT_EQ(offered[0], "Maxtor");
    for (int i = 1; i < 5; ++i) EXPECT_EQ(offered[i], "Unkwon Device(DISK/CD-ROM)") << i;
}

TEST_F(Inventory, FiltersKeepTheLibrarysOrderClosedUp) {
    Pc pc;
    auto card = pc.card(kSil3132);
    Pc::disk(card, 1, "DYNAMIC").volume('E').layout(sim::Layout::mbr({0x42}));
    Pc::disk(card, 2, "BARE");                                    // no letter: layout test only
    Pc::disk(card, 3, "SYSTEM FILES").volume('F').files({"pagefile.sys"});
    Pc::disk(card, 4, "ON CURRENT").volume('G').files({"boot.ini"}).volume('H');
    Pc::disk(card, 5, "PLAIN").volume('I');
    Pc::cdrom(card, 0, "DVD WRITER").volume('J').files({"BOOT.INI"});
    sim::Machine machine = pc.build();
    machine.system.currentDirectory = "H:\\work";
    start(machine);

    EXPECT_EQ(names(), (std::vector<std::string>{"BARE", "SYSTEM FILES", "PLAIN", "DVD WRITER"}));
    EXPECT_STREQ(entry(0).driveLetters, "");
    EXPECT_EQ(entry(0).deviceClass, 0);
    EXPECT_EQ(entry(0).systemDisk, 0);
    EXPECT_EQ(entry(1).systemDisk, 1);
    EXPECT_EQ(entry(2).systemDisk, 0) << "the dropped disk's system file does not carry over";
    EXPECT_EQ(entry(3).systemDisk, 1) << "a CD-ROM drive with a boot.ini on its disc";
    EXPECT_EQ(entry(3).deviceClass, platform::kDriveCdRom);
    for (int i = 4; i < app::kInventorySize; ++i) ASSERT_EQ(entry(i).valid, 0);
}

TEST_F(Inventory, SearchCodeSelectsTheGroupsFromItsLowestByte) {
    sim::Machine machine = sim::defaultMachine();
    setValue(machine, kSettingsKey, "SearchCode", kRegDword, sim::dwordBytes(0x100));
    EXPECT_EQ(start(machine).size(), 3u) << "a lowest byte of 0 is the default";

    // The text "64" is read raw: '6' (0x36) selects the IDE channels but not the SATA
    // cards, so only the board's CD-ROM drive is offered.
    app_->ExitInstance();
    sim::Machine text = sim::defaultMachine();
    setValue(text, kSettingsKey, "SearchCode", kRegSz, std::string("64\0", 3));
    start(text);
    ASSERT_EQ(app_->inventory().count(), 1);
    EXPECT_STREQ(entry(0).driveLetters, "D");
    EXPECT_EQ(entry(0).deviceClass, platform::kDriveCdRom);
}

TEST_F(Inventory, MissingSearchLibraryOrExportSaysSoAndClosesTheProgram) {
    for (const char* missingExport : {"", "GetHostList", "Initialization"}) {
        sim::Machine machine = sim::defaultMachine();
        if (*missingExport == '\0')
            removeLibrary(machine, "ZelSearch.dll");
        else
            for (sim::LibraryFile& file : machine.system.libraries)
                if (file.name == "ZelSearch.dll") file.missingExports = {missingExport};
        sim::resetUi();
        EXPECT_TRUE(start(machine).empty()) << missingExport;
        const auto boxes = sim::messageBoxes();
        ASSERT_EQ(boxes.size(), 1u) << missingExport;
        EXPECT_EQ(boxes[0].text, res::uiString(res::Language::english, 5000));
        EXPECT_EQ(boxes[0].caption, "ZelSATA");
        EXPECT_EQ(boxes[0].style, platform::kMbIconHand);
        EXPECT_EQ(sim::queuedMessages(app_->mainWindow()),
                  std::vector<std::uint32_t>{platform::kWmClose});
        EXPECT_EQ(app_->Run(), 0) << "the program ends at once";
        EXPECT_EQ(sim::openHandles().modules, 1) << "only the resource library stays loaded";
        app_->ExitInstance();
        app_.reset();
    }
}

TEST_F(Inventory, EveryRebuildTellsTheOpenWindowAndLeavesNothingOpen) {
    start(sim::defaultMachine());
    const platform::Window frame = app_->mainWindow();
    sim::pumpMessages();
    const auto before = sim::openHandles();
    EXPECT_EQ(app_->RebuildInventory(), 1);
    EXPECT_EQ(sim::queuedMessages(frame), std::vector<std::uint32_t>{app::WM_INVENTORY_CHANGED});
    EXPECT_EQ(sim::openHandles().total(), before.total());

    sim::pumpMessages();
    sim::setWindowEnabled(frame, false);
    app_->RebuildInventory();
    EXPECT_TRUE(sim::queuedMessages(frame).empty()) << "a disabled window is not told";
}

} // namespace
} // namespace zel::test
