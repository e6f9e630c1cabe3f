// The tray menus: the device menu's texts and commands, the command menu's items and
// their labels.
#include "app_fixture.h"

#include "command_menu.h"
#include "commands.h"
#include "device_menu.h"
#include "main_frame.h"
#include "markers.h"
#include "zelctl_commands.h"

#include "../windows/card_devices.h"

#include <zel/platform/thread.h>
#include <zel/sim/dialog.h>

#include <nlohmann/json.hpp>

#include <algorithm>
#include <chrono>
#include <thread>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>

#include <unistd.h>

namespace zel::test {
namespace {

using namespace zel::tray;

app::InventoryEntry entry(std::uint8_t kind, const char* name, const char* letters) {
    app::InventoryEntry e{};
    e.valid = 1;
    e.kind = kind;
    std::strcpy(kind == app::kKindHost ? e.hostName : e.driveName, name);
    std::strcpy(e.driveLetters, letters);
    return e;
}

TEST(DeviceItemText, OrderFollowsTheUsersLanguage) {
    const auto disk = entry(app::kKindDevice, "Maxtor 6Y160M0", "EF");
    EXPECT_EQ(DeviceItemText(disk, false, " - ", "Remove"), "Remove Maxtor 6Y160M0 -  (E:)  (F:) ");
    EXPECT_EQ(DeviceItemText(disk, true, "<6>", "<7>"), "Maxtor 6Y160M0<6> (E:)  (F:) <7>");
    const auto bare = entry(app::kKindDevice, "Maxtor 6Y160M0", "");
    EXPECT_EQ(DeviceItemText(bare, false, " - ", "Remove"), "Remove Maxtor 6Y160M0") << "no letters, no label";
    EXPECT_EQ(DeviceItemText(bare, true, " - ", "<7>"), "Maxtor 6Y160M0<7>");
    const auto host = entry(app::kKindHost, "SATA card", "E");
    EXPECT_EQ(DeviceItemText(host, false, " - ", "<7>"), "SATA card<7>");
    EXPECT_EQ(DeviceItemText(host, true, " - ", "<7>"), "SATA card<7>");
}

class Menus : public ProgramTest {
protected:
    void TearDown() override {
        ProgramTest::TearDown();
        EXPECT_EQ(sim::liveMenus(), 0);
    }
    void click(std::intptr_t mouse) { send(WM_TRAYNOTIFY, 100, mouse); }
    static std::string str(std::uint32_t id, res::Language language = res::Language::english) {
        return res::uiString(language, id);
    }
};

TEST_F(Menus, LeftClickListsEveryDeviceWithItsCommand) {
    start(sim::defaultMachine());
    click(0x201);
    const auto shown = sim::menusShown();
    ASSERT_EQ(shown.size(), 1u);
    ASSERT_EQ(shown[0].size(), 3u);
    for (std::uint32_t i = 0; i < 3; ++i) EXPECT_EQ(shown[0][i].command, 1001 + i);
    EXPECT_EQ(shown[0][1].text, str(7) + " Maxtor 6Y160M0 SCSI Disk Device" + str(6) + " (F:)  (G:) ");
    EXPECT_EQ(sim::foregroundWindow(), app_->mainWindow());
    EXPECT_EQ(sim::liveMenus(), 1) << "the device menu is kept until the next click";
    EXPECT_EQ(sim::queuedMessages(app_->mainWindow()), std::vector<std::uint32_t>{platform::kWmNull})
        << "so that the next click on the icon opens a menu that stays";
    click(0x201);
    EXPECT_EQ(sim::liveMenus(), 1) << "and replaced by it";
}

TEST_F(Menus, JapaneseUsersGetTheNameFirst) {
    sim::Machine machine = sim::defaultMachine();
    machine.system.lcid = 0x0811; // any Japanese sub-language
    start(machine);
    click(0x201);
    const auto shown = sim::menusShown();
    ASSERT_EQ(shown.size(), 1u);
    const std::string japanese6 = str(6, res::Language::japanese);
    const std::string japanese7 = str(7, res::Language::japanese);
    EXPECT_EQ(shown[0][0].text, "WDC WD800JD-00LSA0 SCSI Disk Device" + japanese6 + " (E:) " + japanese7);
}

TEST_F(Menus, EmptyInventoryOffersOneItemThatDoesNothing) {
    sim::Machine machine = sim::defaultMachine();
    for (sim::Node& node : machine.nodes)
        if (node.instanceId.rfind("PCI\\VEN_1095", 0) == 0) node.properties.clear();
    start(machine);
    sim::chooseMenuCommands({0});
    click(0x201);
    const auto shown = sim::menusShown();
    ASSERT_EQ(shown.size(), 1u);
    ASSERT_EQ(shown[0].size(), 1u);
    EXPECT_EQ(shown[0][0].command, 0u);
    EXPECT_EQ(shown[0][0].text, str(13));
    EXPECT_EQ(sim::queuedMessages(app_->mainWindow()), std::vector<std::uint32_t>{platform::kWmNull}) << "no command";
}

TEST_F(Menus, RightClickShowsTheSixCommandsAndTheirLabels) {
    start(sim::defaultMachine());
    sim::chooseMenuCommands({IDM_EXIT});
    click(0x205);
    const auto shown = sim::menusShown();
    ASSERT_EQ(shown.size(), 1u);
    const auto& items = shown[0];
    ASSERT_EQ(items.size(), 7u);
    const std::uint32_t commands[] = {IDM_DEVICE_LIST, IDM_RESCAN, 0, IDM_OPEN_LINK, IDM_HELP, IDM_VERSION_INFO, IDM_EXIT};
    const std::uintptr_t data[] = {0, 5, 0, 1, 2, 3, 4};
    for (std::size_t i = 0; i < 7; ++i) {
        EXPECT_EQ(items[i].command, commands[i]) << i;
        EXPECT_EQ(items[i].separator, i == 2) << i;
        if (i != 2) {
            EXPECT_TRUE(items[i].ownerDrawn);
            EXPECT_EQ(items[i].itemData, data[i]) << i;
        }
    }
    EXPECT_EQ(sim::liveMenus(), 0) << "destroyed once it closes";
    // The choice arrives as a command, and a WM_NULL follows the menu.
    EXPECT_EQ(sim::queuedMessages(app_->mainWindow()),
              (std::vector<std::uint32_t>{platform::kWmCommand, platform::kWmNull}));

    // Each item is sized and drawn with the label its item data picks.
    for (std::uintptr_t data : {0u, 1u, 2u, 3u, 4u, 5u, 9u}) {
        std::intptr_t result = 0;
        app_->mainFrame()->onMessage(app_->mainWindow(), platform::kWmMeasureItem, 0,
                                     reinterpret_cast<std::intptr_t>(&data), result);
        EXPECT_EQ(result, 1);
    }
    EXPECT_EQ(sim::ownerDrawLabels(),
              (std::vector<std::string>{str(5), str(4), str(3), str(2), str(1), str(31), ""}));
    EXPECT_EQ(str(31), "Scan for new devices");
}

} // namespace
} // namespace zel::test

namespace zel::test {
namespace {

TEST_F(Menus, ChoosingADeviceRemovesItAndOneRebuildFollows) {
    start(sim::defaultMachine());
    sim::advanceTime(1000);
    sim::pumpMessages();
    ASSERT_EQ(app_->inventory().count(), 3);
    const std::string removedPdo = app_->inventory().entries[0].pdoName;

    sim::chooseMenuCommands({IDM_DEVICE_FIRST});
    click(0x201);
    sim::pumpMessages(); // the chosen command, then the device change it posts

    const auto boxes = sim::messageBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, str(17));
    EXPECT_EQ(boxes[0].style, platform::kMbIconInformation);
    EXPECT_EQ(app_->GetBusy(), 0);
    EXPECT_FALSE(sim::mutexExists("Global\\ZelDeviceRemove"));
    ASSERT_EQ(app_->inventory().count(), 2) << "the rebuild after the removal";
    for (int i = 0; i < 2; ++i) EXPECT_NE(app_->inventory().entries[i].pdoName, removedPdo);
    EXPECT_EQ(sim::trayIcons().size(), 1u) << "devices remain: the icon stays";
}

// The other side of the marker for the test below: another program's removal, which ends
// once the tray program has started waiting for it (its second look at the marker).
struct OtherRemoval {
    platform::MutexHandle marker;
    std::uint64_t looksBefore = 0;
};

std::uint32_t endOtherRemovalOnceWaitedFor(void* argument) {
    auto& other = *static_cast<OtherRemoval*>(argument);
    const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(3);
    while (sim::calls(sim::Op::createMutex) < other.looksBefore + 2 && std::chrono::steady_clock::now() < giveUp)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    app::ReleaseMarker(other.marker);
    return 0;
}

// The command line holds the removal marker while it removes: a device chosen from the menu
// meanwhile waits for that removal, with the messages flowing, and is removed after it; a
// removal that does not end in time removes nothing, and the user is told. The command
// line, for its part, waits a bounded time for the tray program's removal and gives up
// without removing.
TEST_F(Menus, OneRemovalAtATimeBetweenTheTrayAndTheCommandLine) {
    start(sim::defaultMachine());
    sim::advanceTime(1000);
    sim::pumpMessages();
    {
        OtherRemoval other{app::AcquireMarker(app::kRemoveMarker), 0};
        ASSERT_TRUE(other.marker);
        other.looksBefore = sim::calls(sim::Op::createMutex);
        platform::WorkerThread worker = platform::WorkerThread::start(endOtherRemovalOnceWaitedFor, &other);
        sim::chooseMenuCommands({IDM_DEVICE_FIRST});
        click(0x201);
        sim::pumpMessages();
        worker.join();
        EXPECT_FALSE(platform::DeviceHandle::openForQuery("\\\\.\\E:")) << "removed after the other removal";
        ASSERT_EQ(sim::messageBoxes().size(), 1u);
        EXPECT_EQ(sim::messageBoxes()[0].text, str(17));
        EXPECT_EQ(app_->inventory().count(), 2);
    }

    platform::MutexHandle other = app::AcquireMarker(app::kRemoveMarker);
    ASSERT_TRUE(other);
    const std::uint64_t startedAt = sim::now();
    sim::chooseMenuCommands({IDM_DEVICE_FIRST});
    click(0x201);
    sim::pumpMessages();
    const auto boxes = sim::messageBoxes();
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[1].text, str(5015));
    EXPECT_GE(sim::now() - startedAt, app::kOtherRemovalWaitMilliseconds) << "waited before giving up";
    EXPECT_EQ(sim::dialogRuns().size(), 1u) << "no second removal started";
    EXPECT_TRUE(platform::DeviceHandle::openForQuery("\\\\.\\F:"));
    EXPECT_EQ(app_->GetBusy(), 0);

    const char* remove[] = {"remove", "F:", "--force-system"};
    std::FILE* sink = std::tmpfile();
    ASSERT_NE(sink, nullptr);
    sim::resetCalls();
    EXPECT_EQ(ctl::run(3, remove, sink, sink), ctl::kExitRefused);
    EXPECT_GE(sim::sleptMilliseconds(), ctl::kMarkerWaitMilliseconds) << "waited before giving up";
    EXPECT_LT(sim::sleptMilliseconds(), 2 * ctl::kMarkerWaitMilliseconds) << "but not for ever";
    EXPECT_TRUE(platform::DeviceHandle::openForQuery("\\\\.\\F:"));

    app::ReleaseMarker(other);
    EXPECT_EQ(ctl::run(3, remove, sink, sink), ctl::kExitDone);
    EXPECT_FALSE(platform::DeviceHandle::openForQuery("\\\\.\\F:"));
    EXPECT_FALSE(sim::mutexExists("Global\\ZelDeviceRemove")) << "given back";
    sim::pumpMessages();
    EXPECT_EQ(app_->inventory().count(), 1) << "the tray program follows the command line's removal";
    std::fclose(sink);
}

// "Scan for new devices" asks below the card, and the rebuild that follows lists the disk
// its driver never reported.
TEST_F(Menus, ScanForNewDevicesListsADiskTheCardDidNotReport) {
    sim::Machine machine = sim::defaultMachine();
    machine.awaitingRescan.push_back(
        R"({"under": "PCI\\VEN_1095&DEV_3512&SUBSYS_35121095&REV_01\\4&2B16EDB1&0&10F0",)"
        R"( "plug": {"instanceId": "SCSI\\DISK&VEN_WDC\\1", "disk": 3, "volumes": ["K:"]}})");
    start(std::move(machine));
    sim::advanceTime(1000);
    sim::pumpMessages();
    ASSERT_EQ(app_->inventory().count(), 3);

    send(platform::kWmCommand, IDM_RESCAN, 0);
    sim::pumpMessages();
    EXPECT_EQ(sim::calls(sim::Op::cmReenumerate), 1u) << "the one supported adapter";
    ASSERT_EQ(app_->inventory().count(), 4);
    EXPECT_TRUE(sim::current().awaitingRescan.empty());
}

// The menu named the first disk; before its command arrives, that disk is pulled and the
// inventory rebuilt, so the same item number now stands for the next disk.
TEST_F(Menus, AnItemChosenFromAListThatChangedSinceRemovesNothing) {
    start(sim::defaultMachine());
    sim::advanceTime(1000);
    sim::pumpMessages();
    ASSERT_EQ(app_->inventory().count(), 3);

    sim::chooseMenuCommands({IDM_DEVICE_FIRST});
    click(0x201); // the command waits in the queue
    sim::Machine machine = sim::current();
    std::string error;
    ASSERT_TRUE(sim::applyMachineEvent(
        machine, R"({"pull": "SCSI\\DISK&VEN_WDC&PROD_WD800JD-00LSA0&REV_06.0\\5&37E1B8A3&0&000"})", error))
        << error;
    sim::install(std::move(machine));
    send(platform::kWmDeviceChange, DBT_DEVNODES_CHANGED, 0);
    ASSERT_EQ(app_->inventory().count(), 2);
    sim::pumpMessages();

    const auto boxes = sim::messageBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, str(5010));
    EXPECT_TRUE(sim::dialogRuns().empty()) << "no removal started";
    EXPECT_TRUE(platform::DeviceHandle::openForQuery("\\\\.\\F:")) << "the disk now first in the list stays";
    EXPECT_EQ(app_->GetBusy(), 0);
}

// A disk plugged into the card while another one is being removed: the broadcast that
// comes meanwhile is kept out by the removal's marker, and the one rebuild after the
// removal lists the new disk.
TEST_F(Menus, ADiskArrivingDuringARemovalIsListedByTheOneRebuildAfterIt) {
    sim::Machine machine = sim::defaultMachine();
    std::string error;
    const std::string maxtorId = nlohmann::json::parse(kMaxtorDisk)["instanceId"];
    ASSERT_TRUE(sim::applyMachineEvent(machine, nlohmann::json{{"pull", maxtorId}}.dump(), error)) << error;
    start(machine);
    sim::advanceTime(1000);
    sim::pumpMessages();
    ASSERT_EQ(app_->inventory().count(), 2);
    const std::string removedPdo = app_->inventory().entries[0].pdoName;

    // The hand at the PC plugs the disk back while the removal runs.
    char events[] = "/tmp/zelsata-events-XXXXXX";
    const int fd = mkstemp(events);
    ASSERT_GE(fd, 0);
    close(fd);
    std::ofstream(events) << nlohmann::json{{"under", kCard}, {"plug", nlohmann::json::parse(kMaxtorDisk)}}.dump()
                          << "\n";
    setenv("ZELSIM_EVENTS", events, 1);
    sim::chooseMenuCommands({IDM_DEVICE_FIRST});
    sim::resetCalls();
    click(0x201);
    platform::postMessage(app_->mainWindow(), platform::kWmDeviceChange, DBT_DEVNODES_CHANGED, 0);
    sim::pumpMessages();
    unsetenv("ZELSIM_EVENTS");
    std::remove(events);

    const auto boxes = sim::messageBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, str(17));
    const auto loads = sim::libraryLoads();
    EXPECT_EQ(std::count_if(loads.begin(), loads.end(),
                            [](const std::string& path) { return path.find("ZelSearch.dll") != std::string::npos; }),
              1)
        << "one rebuild, after the removal";
    ASSERT_EQ(app_->inventory().count(), 2);
    std::vector<std::string> letters;
    for (int i = 0; i < 2; ++i) {
        EXPECT_NE(app_->inventory().entries[i].pdoName, removedPdo);
        letters.push_back(app_->inventory().entries[i].driveLetters);
    }
    EXPECT_NE(std::find(letters.begin(), letters.end(), "FG"), letters.end()) << "the new disk is listed";
    EXPECT_EQ(app_->GetBusy(), 0);
    EXPECT_FALSE(sim::mutexExists("Global\\ZelDeviceRemove"));
}

} // namespace
} // namespace zel::test
