// A removal request from start to end: the confirmation, the progress window and its
// timers, the worker, the final message, and nothing left behind.
#include "app_fixture.h"

#include "remove_progress_dlg.h"

#include <zel/platform/dialog.h>
#include <zel/sim/dialog.h>

namespace zel::test {
namespace {

using platform::kIdCancel;
using platform::kIdOk;

// The first disk on the default PC's SATA card: inventory entry 0, volume E:.
constexpr const char* kFirstCardDisk = "SCSI\\DISK&VEN_WDC&PROD_WD800JD-00LSA0&REV_06.0\\5&37E1B8A3&0&000";

std::vector<std::uintptr_t> timerIds(const sim::DialogRun& run) {
    std::vector<std::uintptr_t> ids;
    for (const auto& [at, id] : run.timerTicks) ids.push_back(id);
    return ids;
}

bool volumeOpens(char letter) {
    const char path[] = {'\\', '\\', '.', '\\', letter, ':', '\0'};
    return static_cast<bool>(platform::DeviceHandle::openForQuery(path));
}

// The volume of that node outlives the node's removal.
sim::Machine volumeStays(sim::Machine machine, const char* instanceId) {
    machine.nodes[static_cast<std::size_t>(sim::findNode(machine, instanceId))].removalLeavesVolumes = true;
    return machine;
}

// E: carries a start-up file: its disk becomes a system disk.
sim::Machine startUpFilesOnE(sim::Machine machine) {
    for (sim::Volume& volume : machine.volumes)
        if (volume.letter == 'E') volume.files.push_back("boot.ini");
    return machine;
}

class Remove : public AppTest {
protected:
    // Removes entry `index` as the user chose it: the device shown there now.
    int removeShown(int index) {
        return app_->RemoveEntry(index, app::DeviceIdentity::of(app_->inventory().entries[index]));
    }
    void SetUp() override {
        AppTest::SetUp();
        sim::forgetDialogs();
    }
    void start(const sim::Machine& machine) {
        sim::install(machine);
        app_ = std::make_unique<app::CZelSATAApp>();
        ASSERT_TRUE(app_->InitInstance());
        sim::pumpMessages();
        baseline_ = sim::openHandles().total();
    }
    void TearDown() override {
        // Whatever the outcome, the removal gives back all it took.
        EXPECT_EQ(sim::openHandles().total(), baseline_);
        EXPECT_EQ(sim::runningThreads(), 0);
        EXPECT_EQ(sim::openThreadHandles(), 0);
        EXPECT_EQ(sim::liveBrushes(), 0);
        for (const sim::DialogRun& run : sim::dialogRuns())
            for (const sim::WindowState& window : sim::windows()) EXPECT_NE(window.id, run.window) << "still open";
        if (app_) {
            EXPECT_TRUE(platform::isWindowEnabled(app_->mainWindow())) << "the owner is enabled again";
            app_->ExitInstance();
        }
        app_.reset();
        sim::forgetDialogs();
        AppTest::TearDown();
    }
    static std::string uiString(std::uint32_t id) { return res::uiString(res::Language::english, id); }

    // The one progress window that ran.
    static sim::DialogRun onlyRun() {
        const auto runs = sim::dialogRuns();
        EXPECT_EQ(runs.size(), 1u);
        return runs.empty() ? sim::DialogRun{} : runs[0];
    }

    std::unique_ptr<app::CZelSATAApp> app_;
    std::int64_t baseline_ = 0;
};

TEST_F(Remove, RemovedDiskClosesTheWindowAfterTheFirstPollAndSaysSo) {
    start(sim::defaultMachine());
    ASSERT_TRUE(volumeOpens('E'));

    EXPECT_EQ(removeShown(0), 1);
    EXPECT_FALSE(sim::nodePresent(kFirstCardDisk));
    EXPECT_FALSE(volumeOpens('E'));
    EXPECT_TRUE(volumeOpens('F')) << "the other disk stays";

    const sim::DialogRun run = onlyRun();
    EXPECT_EQ(run.templateId, 108u);
    EXPECT_EQ(run.owner, app_->mainWindow());
    EXPECT_TRUE(run.ownerDisabled);
    EXPECT_EQ(run.endCode, kIdOk);
    EXPECT_EQ(run.itemTexts.at(1000), uiString(16));
    // Start the worker, poll once (the worker is done by then), finish.
    ASSERT_EQ(timerIds(run), (std::vector<std::uintptr_t>{app::IDT_START_WORKER, app::IDT_POLL_WORKER, app::IDT_FINISH}));
    EXPECT_EQ(run.timerTicks[1].first - run.timerTicks[0].first, app::kPollWorkerMilliseconds);
    EXPECT_LE(run.timerTicks[2].first - run.timerTicks[1].first, 10u) << "closed right after the poll";
    EXPECT_EQ(run.endedAt, run.timerTicks[2].first);
    // Its face: drawn by the real backend, asked for here.
    EXPECT_EQ(run.roundedCorners, (std::pair{20, 20}));
    EXPECT_EQ(run.faceColour, platform::rgb(254, 250, 163));
    EXPECT_EQ(run.transparentText, (std::map<int, platform::ColorRef>{{1000, platform::rgb(0, 128, 255)}}));

    const auto boxes = sim::messageBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, uiString(17));
    EXPECT_EQ(boxes[0].caption, "ZelSATA");
    EXPECT_EQ(boxes[0].style, platform::kMbIconInformation);
}

TEST_F(Remove, VolumeThatStaysIsAFailureAtTheFirstPollWithoutTheFinish) {
    start(volumeStays(sim::defaultMachine(), kFirstCardDisk));

    EXPECT_EQ(removeShown(0), 0);
    EXPECT_FALSE(sim::nodePresent(kFirstCardDisk)) << "removed, yet E: still opens";
    const sim::DialogRun run = onlyRun();
    EXPECT_EQ(run.endCode, kIdCancel);
    EXPECT_EQ(timerIds(run), (std::vector<std::uintptr_t>{app::IDT_START_WORKER, app::IDT_POLL_WORKER}));
    const auto boxes = sim::messageBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, uiString(5001));
    EXPECT_EQ(boxes[0].style, platform::kMbIconHand);
}

// E: (entry 0) refused: held by programs, held by none yet vetoed, or asked about without
// the rights. The plain failure text stays first; what was found follows it.
TEST_F(Remove, AFailedRemovalNamesTheProgramsHoldingTheDriveAndTheRestart) {
    const std::string failed = uiString(5001);
    const std::string restart = "\n\n" + uiString(5013);
    struct Case {
        const char* what;
        sim::Machine machine;
        std::string text;
    };
    const auto holding = [](std::vector<sim::Process> processes, sim::HolderQuery query = sim::HolderQuery::allowed) {
        sim::Machine machine = sim::defaultMachine();
        machine.processes = std::move(processes);
        machine.holderQuery = query;
        return machine;
    };
    std::vector<sim::Process> seven;
    for (std::uint32_t pid = 107; pid > 100; --pid) seven.push_back({pid, "p" + std::to_string(pid) + ".exe", {"E:\\x"}});
    seven.push_back({50, "other.exe", {"F:\\y"}}); // another drive's program is not named
    const std::vector<sim::Process> one{{1234, "notepad.exe", {"e:\\notes.txt"}}};
    sim::Machine vetoed = sim::defaultMachine();
    vetoed.nodes[static_cast<std::size_t>(sim::findNode(vetoed, kFirstCardDisk))].refusesRemoval = sim::kRefuseAlways;
    const Case cases[] = {
        {"one holder", holding(one), failed + "\n\nPrograms using the drive: notepad.exe (1234)" + restart},
        {"seven holders",
         holding(seven),
         failed + "\n\nPrograms using the drive: p101.exe (101), p102.exe (102), p103.exe (103), p104.exe (104), "
                  "p105.exe (105), and 2 more" + restart},
        {"none, refused anyway", vetoed, failed + restart},
        {"no rights", holding(one, sim::HolderQuery::noRights), failed + "\n\n" + uiString(5014) + restart},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        if (app_) app_->ExitInstance();
        app_.reset();
        start(c.machine);
        const std::size_t shown = sim::messageBoxes().size();
        EXPECT_EQ(removeShown(0), 0);
        EXPECT_TRUE(sim::nodePresent(kFirstCardDisk));
        const auto boxes = sim::messageBoxes();
        ASSERT_EQ(boxes.size(), shown + 1);
        EXPECT_EQ(boxes.back().text, c.text);
        EXPECT_EQ(boxes.back().style, platform::kMbIconHand);
    }
}

TEST_F(Remove, AnEntryThatIsNoLongerTheChosenDeviceIsNeverRemoved) {
    start(sim::defaultMachine());
    ASSERT_EQ(app_->inventory().count(), 3);
    // An item chosen from a list that has changed since: entry 0 is now another disk, and
    // the index of a vanished entry is past the inventory.
    app::DeviceIdentity chosen = app::DeviceIdentity::of(app_->inventory().entries[1]);
    EXPECT_EQ(app_->RemoveEntry(0, chosen), 0);
    EXPECT_EQ(app_->RemoveEntry(3, chosen), 0);
    chosen.letters = "Q";
    EXPECT_EQ(app_->RemoveEntry(1, chosen), 0) << "the same disk with other letters is not what was shown";
    EXPECT_TRUE(sim::dialogRuns().empty()) << "no removal started";
    EXPECT_TRUE(sim::nodePresent(kFirstCardDisk));
    EXPECT_TRUE(volumeOpens('E') && volumeOpens('F') && volumeOpens('H'));
    const auto boxes = sim::messageBoxes();
    ASSERT_EQ(boxes.size(), 3u);
    for (const auto& box : boxes) EXPECT_EQ(box.text, uiString(5010));
}

TEST_F(Remove, SystemDiskIsRemovedOnlyAfterOk) {
    start(startUpFilesOnE(sim::defaultMachine()));
    ASSERT_EQ(app_->inventory().entries[0].systemDisk, 1);

    sim::answerMessageBoxes({kIdCancel});
    EXPECT_EQ(removeShown(0), 0);
    auto boxes = sim::messageBoxes();
    ASSERT_EQ(boxes.size(), 1u) << "the question, and nothing after it";
    EXPECT_EQ(boxes[0].text, uiString(18));
    EXPECT_EQ(boxes[0].caption, "ZelSATA");
    EXPECT_EQ(boxes[0].style, platform::kMbOkCancel);
    EXPECT_EQ(boxes[0].owner, app_->mainWindow()) << "the program's (or its open dialog's) question";
    EXPECT_TRUE(sim::dialogRuns().empty());
    EXPECT_TRUE(sim::nodePresent(kFirstCardDisk));

    sim::answerMessageBoxes({kIdOk});
    EXPECT_EQ(removeShown(0), 1);
    boxes = sim::messageBoxes();
    ASSERT_EQ(boxes.size(), 3u);
    EXPECT_EQ(boxes[1].text, uiString(18));
    EXPECT_EQ(boxes[2].text, uiString(17));
    EXPECT_EQ(onlyRun().endCode, kIdOk);
    EXPECT_FALSE(sim::nodePresent(kFirstCardDisk));
}

TEST_F(Remove, EnterEscapeAndAltF4DoNotCloseTheWindow) {
    start(sim::defaultMachine());
    sim::pressKey(platform::kVkReturn);
    sim::pressKey(platform::kVkEscape);
    sim::pressKey(platform::kVkF4, true);

    EXPECT_EQ(removeShown(0), 1);
    const sim::DialogRun run = onlyRun();
    EXPECT_EQ(run.endCode, kIdOk);
    EXPECT_EQ(run.swallowedKeys, (std::vector<std::pair<std::uint32_t, std::uintptr_t>>{
                                     {platform::kWmKeyDown, platform::kVkReturn},
                                     {platform::kWmKeyDown, platform::kVkEscape},
                                     {platform::kWmSysKeyDown, platform::kVkF4}}));
    EXPECT_EQ(timerIds(run).back(), app::IDT_FINISH) << "closed by the finish, not by a key";
}

// The sim's own dialog defaults, which the filter above holds back: a key nobody
// swallows ends a dialog at once.
class KeyOnly final : public platform::DialogHandler {
public:
    bool onMessage(platform::Window, std::uint32_t, std::uintptr_t, std::intptr_t, std::intptr_t&) override {
        return false;
    }
};

TEST_F(Remove, UnfilteredKeysEndADialog) {
    start(sim::defaultMachine());
    KeyOnly handler;
    sim::pressKey(platform::kVkReturn);
    EXPECT_EQ(platform::runModalDialog(handler, app_->resourceLibrary, 108, app_->mainWindow()), kIdOk);
    sim::pressKey(platform::kVkF4, true);
    EXPECT_EQ(platform::runModalDialog(handler, app_->resourceLibrary, 108, app_->mainWindow()), kIdCancel);
    // Nothing queued, no timer: it could never end.
    EXPECT_EQ(platform::runModalDialog(handler, app_->resourceLibrary, 108, app_->mainWindow()), -1);
}

} // namespace
} // namespace zel::test
