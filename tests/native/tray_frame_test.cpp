// The main frame: the tray icon's life, the start-up question, device changes and the
// close request from other programs.
#include "app_fixture.h"

#include "commands.h"
#include "main_frame.h"
#include "markers.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <thread>

namespace zel::test {
namespace {

using namespace zel::tray;

class Frame : public ProgramTest {
protected:
    // Lets the clock run and the queue drain.
    static void wait(std::uint32_t milliseconds) {
        sim::advanceTime(milliseconds);
        sim::pumpMessages();
    }
    static sim::Machine withoutCard() {
        sim::Machine machine = sim::defaultMachine();
        // Leave only the board's devices: the search for SATA cards then finds nothing.
        for (sim::Node& node : machine.nodes)
            if (!node.instanceId.empty() && node.instanceId.rfind("PCI\\VEN_1095", 0) == 0) node.properties.clear();
        return machine;
    }
};

TEST_F(Frame, IconAppearsOneSecondAfterStartWhileDevicesArePresent) {
    start(sim::defaultMachine());
    wait(999);
    EXPECT_TRUE(sim::trayIcons().empty()) << "not before the first second";
    wait(1);
    const auto icons = sim::trayIcons();
    ASSERT_EQ(icons.size(), 1u);
    EXPECT_EQ(icons[0].window, app_->mainWindow());
    EXPECT_EQ(icons[0].id, 100u);
    EXPECT_EQ(icons[0].callbackMessage, 0x8064u);
    EXPECT_EQ(icons[0].flags, 7u);
    EXPECT_NE(icons[0].icon, nullptr);
    EXPECT_STREQ(icons[0].tip, res::uiString(res::Language::english, 5));
    EXPECT_FALSE(sim::timerRunning(app_->mainWindow(), IDT_STARTUP)) << "the start-up timer runs once";
    EXPECT_TRUE(sim::messageBoxes().empty()) << "no update question unless asked for";

    // Quitting deletes it.
    platform::postMessage(app_->mainWindow(), platform::kWmClose, 0, 0);
    EXPECT_EQ(app_->Run(), 0);
    EXPECT_TRUE(sim::trayIcons().empty());
}

TEST_F(Frame, NoDeviceNoIconAndTheUpdateQuestionOnceWhenAskedFor) {
    sim::Machine machine = withoutCard();
    setValue(machine, app::kSettingsKey, "AutoUpDate", platform::kRegDword, sim::dwordBytes(1));
    start(machine);
    sim::answerMessageBoxes({platform::kIdNo});
    wait(3000);
    EXPECT_TRUE(sim::trayIcons().empty());
    const auto boxes = sim::messageBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, res::uiString(res::Language::english, 29));
    EXPECT_EQ(boxes[0].caption, "ZelSATA DownLoad");
    EXPECT_EQ(boxes[0].style, platform::kMbYesNo);
    EXPECT_EQ(boxes[0].owner, 0u);
}

TEST_F(Frame, IconComesBackWhenTheShellWasNotReadyOrRestarts) {
    // At log-on the shell refuses the first adds: the frame tries again on a timer.
    sim::failTrayIconAdds(2);
    start(sim::defaultMachine());
    wait(1000);
    EXPECT_TRUE(sim::trayIcons().empty());
    EXPECT_TRUE(sim::timerRunning(app_->mainWindow(), IDT_TRAY_RETRY));
    wait(kTrayRetryMilliseconds);
    EXPECT_TRUE(sim::trayIcons().empty()) << "still refused";
    wait(kTrayRetryMilliseconds);
    ASSERT_EQ(sim::trayIcons().size(), 1u);
    EXPECT_EQ(sim::trayIcons()[0].flags, 7u);
    EXPECT_FALSE(sim::timerRunning(app_->mainWindow(), IDT_TRAY_RETRY)) << "stops once the icon is there";

    // Explorer restarts: the icon is added again.
    sim::restartShell();
    sim::pumpMessages();
    ASSERT_EQ(sim::trayIcons().size(), 1u);
    EXPECT_EQ(sim::trayIcons()[0].window, app_->mainWindow());

    // Without devices a restart adds nothing, and a device change finds the icon already there.
    sim::install(withoutCard());
    send(platform::kWmDeviceChange, DBT_DEVNODES_CHANGED, 0);
    sim::restartShell();
    sim::pumpMessages();
    EXPECT_TRUE(sim::trayIcons().empty());
    EXPECT_FALSE(sim::timerRunning(app_->mainWindow(), IDT_TRAY_RETRY));
}

TEST_F(Frame, DeviceChangesRebuildAndFollowWithTheIcon) {
    start(sim::defaultMachine());
    wait(1000);
    ASSERT_EQ(sim::trayIcons().size(), 1u);

    // The last device leaves: the icon goes; a device arrives: it comes back.
    sim::install(withoutCard());
    EXPECT_EQ(send(platform::kWmDeviceChange, DBT_DEVICEREMOVECOMPLETE, 0), 1);
    EXPECT_FALSE(app_->inventory().devicesPresent());
    EXPECT_TRUE(sim::trayIcons().empty());
    sim::install(sim::defaultMachine());
    EXPECT_EQ(send(platform::kWmDeviceChange, DBT_DEVICEARRIVAL, 0), 1);
    EXPECT_EQ(app_->inventory().count(), 3);
    EXPECT_EQ(sim::trayIcons().size(), 1u);

    // Other events are granted and rebuild nothing.
    sim::install(withoutCard());
    EXPECT_EQ(send(platform::kWmDeviceChange, 0x0018 /* configuration changed */, 0), 1);
    EXPECT_EQ(app_->inventory().count(), 3);

    // While a removal or another rebuild holds its marker, events are ignored.
    for (const char* marker : {app::kRemoveMarker, app::kChangeMarker}) {
        platform::MutexHandle held = app::AcquireMarker(marker);
        ASSERT_TRUE(held);
        EXPECT_EQ(send(platform::kWmDeviceChange, DBT_DEVNODES_CHANGED, 0), 1);
        EXPECT_EQ(app_->inventory().count(), 3) << marker;
        app::ReleaseMarker(held);
    }
    EXPECT_EQ(send(platform::kWmDeviceChange, DBT_DEVNODES_CHANGED, 0), 1);
    EXPECT_EQ(app_->inventory().count(), 0);
    EXPECT_FALSE(sim::mutexExists("Global\\ZelDeviceChange"));
    EXPECT_FALSE(sim::mutexExists("Global\\ZelDeviceRemove"));
}

TEST_F(Frame, CloseRequestFromOtherProgramsAndTheExitCommand) {
    start(sim::defaultMachine());
    const std::uint32_t closeRequest = platform::registerWindowMessage("ZELSATA");
    const std::uint32_t download = platform::registerWindowMessage("ZELDOWNLOAD");
    EXPECT_EQ(send(download, 5, 6), 1);
    EXPECT_EQ(send(closeRequest, 1, 0), 1);
    EXPECT_TRUE(sim::queuedMessages(app_->mainWindow()).empty()) << "a non-zero wParam is ignored";
    EXPECT_EQ(send(closeRequest, 0, 0), 1);
    EXPECT_EQ(sim::queuedMessages(app_->mainWindow()), std::vector<std::uint32_t>{platform::kWmClose});
    sim::pumpMessages();
    EXPECT_TRUE(sim::windows().empty());

    app_->ExitInstance();
    sim::resetUi();
    start(sim::defaultMachine());
    send(platform::kWmCommand, IDM_EXIT, 0);
    EXPECT_EQ(sim::queuedMessages(app_->mainWindow()), std::vector<std::uint32_t>{platform::kWmClose});
    send(platform::kWmCommand, IDM_OPEN_LINK, 0);
    EXPECT_EQ(sim::shellOpened(), std::vector<std::string>{res::uiString(res::Language::english, 30)});
}

// Waits (a few real seconds at most) until another thread has done its part.
template <class Condition>
void waitUntil(Condition condition) {
    const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(3);
    while (!condition() && std::chrono::steady_clock::now() < giveUp)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

TEST_F(Frame, ACloseOrLogOffDuringARemovalWaitsForItWithTheMessagesFlowing) {
    constexpr const char* kFirstCardDisk = "SCSI\\DISK&VEN_WDC&PROD_WD800JD-00LSA0&REV_06.0\\5&37E1B8A3&0&000";
    const auto removeFirstDisk = [this] {
        return app_->RemoveEntry(0, app::DeviceIdentity::of(app_->inventory().entries[0]));
    };

    // The uninstall helper's close is taken while the worker is on its way to Windows'
    // question about the device, which the frame's thread must still answer.
    start(sim::defaultMachine());
    const platform::Window frame = app_->mainWindow();
    sim::whileRemovalAsks([frame] {
        platform::postMessage(frame, platform::kWmClose, 0, 0);
        waitUntil([frame] { return std::ranges::count(sim::queuedMessages(frame), platform::kWmClose) == 0; });
    });
    EXPECT_EQ(removeFirstDisk(), 1);
    EXPECT_FALSE(sim::nodePresent(kFirstCardDisk));
    EXPECT_EQ(sim::unansweredRemovalQuestions(), 0);
    EXPECT_TRUE(sim::messageBoxes().empty()) << "no outcome box while the program closes";
    EXPECT_TRUE(platform::isWindow(frame)) << "the frame outlives the removal";
    sim::pumpMessages();
    EXPECT_FALSE(platform::isWindow(frame)) << "then the program closes";
    EXPECT_TRUE(sim::quitPosted());

    // Log-off asks from another thread while the worker is on its way: the answer waits
    // until the disk is gone, and Windows' question to the frame is answered meanwhile.
    app_->ExitInstance();
    sim::resetUi();
    start(sim::defaultMachine());
    const platform::Window again = app_->mainWindow();
    std::atomic<bool> diskGoneAtAnswer{false};
    std::intptr_t mayEnd = 0;
    std::thread logOff;
    sim::whileRemovalAsks([&] {
        const std::uint64_t takenBefore = sim::sentMessagesTaken();
        logOff = std::thread([&] {
            sim::sendMessage(again, platform::kWmQueryEndSession, 0, 0, &mayEnd);
            diskGoneAtAnswer = !sim::nodePresent(kFirstCardDisk);
        });
        waitUntil([takenBefore] { return sim::sentMessagesTaken() > takenBefore; });
    });
    EXPECT_EQ(removeFirstDisk(), 1);
    logOff.join();
    EXPECT_EQ(mayEnd, 1);
    EXPECT_TRUE(diskGoneAtAnswer);
    EXPECT_EQ(sim::unansweredRemovalQuestions(), 0);
    EXPECT_TRUE(sim::messageBoxes().empty());
}

TEST_F(Frame, HelpOpensThePageBesideTheProgramOrSaysItCannot) {
    start(sim::defaultMachine());
    send(platform::kWmCommand, IDM_HELP, 0);
    EXPECT_EQ(sim::shellOpened(), std::vector<std::string>{"C:\\Program Files\\ZelSATA\\index.html"});
    EXPECT_TRUE(sim::messageBoxes().empty());

    sim::failShellExecute(1);
    send(platform::kWmCommand, IDM_HELP, 0);
    const auto boxes = sim::messageBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "index.html FALSE");
    EXPECT_EQ(boxes[0].caption, "ZelSATA");
    EXPECT_EQ(boxes[0].style, platform::kMbOk);
    EXPECT_EQ(boxes[0].owner, 0u);
}

TEST_F(Frame, ClicksWhileBusyOnlyRaiseAndControlDoubleClickQuits) {
    start(sim::defaultMachine());
    wait(1000);
    app_->SetBusy(1);
    sim::setKeyDown(platform::kVkControl, true);
    for (std::intptr_t click : {0x201, 0x203, 0x205}) EXPECT_EQ(send(WM_TRAYNOTIFY, 100, click), 0);
    EXPECT_EQ(sim::zOrderCalls().size(), 6u) << "topmost and back, once per click";
    EXPECT_TRUE(sim::zOrderCalls()[0].second);
    EXPECT_FALSE(sim::zOrderCalls()[1].second);
    EXPECT_TRUE(sim::queuedMessages(app_->mainWindow()).empty()) << "no quitting while busy";

    app_->SetBusy(0);
    send(WM_TRAYNOTIFY, 100, 0x203);
    EXPECT_EQ(sim::queuedMessages(app_->mainWindow()), std::vector<std::uint32_t>{platform::kWmClose});

    // A click while no device is present takes the icon away.
    sim::pumpMessages();
}

TEST_F(Frame, AClickWithNoDevicePresentDeletesTheIcon) {
    start(sim::defaultMachine());
    wait(1000);
    ASSERT_EQ(sim::trayIcons().size(), 1u);
    sim::install(withoutCard());
    app_->RebuildInventory(); // as a rebuild that did not touch the icon would leave it
    send(WM_TRAYNOTIFY, 100, 0x200 /* mouse move */);
    EXPECT_TRUE(sim::trayIcons().empty());
}

} // namespace
} // namespace zel::test
