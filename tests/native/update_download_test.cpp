// The download dialog and its worker: what each outcome shows, stores and leaves behind,
// and a fetch that outlives the dialog closed by the keyboard.
#include "app_fixture.h"
#include "fake_download.h"

#include "download_dlg.h"
#include "update_server.h"

#include <zel/sim/controls.h>
#include <zel/sim/dialog.h>

#include <condition_variable>
#include <mutex>

namespace zel::test {
namespace {

using platform::kHkeyLocalMachine;

constexpr const char* kPublished = "SATA01,1.15,ZelSATA,http://www.example.com/zelsata/\r\n";

class Download : public ProgramTest {
protected:
    void SetUp() override {
        ProgramTest::SetUp();
        resetFakeDownLoad();
        fakeDownLoad().file = kPublished;
    }
    void TearDown() override {
        ProgramTest::TearDown();
        EXPECT_EQ(sim::runningThreads(), 0);
        EXPECT_EQ(sim::openThreadHandles(), 0);
    }
    void startWith(sim::Machine machine = sim::defaultMachine()) {
        setValue(machine, app::kSettingsKey, "Version", platform::kRegSz, "1.10");
        setValue(machine, app::kSettingsKey, "Home", platform::kRegSz, "http://old.example.com/");
        start(machine);
    }
    // Runs the dialog the way the update check does.
    int runDialog() {
        update::CDownLoadDlg dialog;
        return dialog.DoModal(app_->resourceLibrary, app_->mainWindow());
    }
    static std::string stored(const char* name) {
        const sim::RegistryValue* value = installedValue(app::kSettingsKey, name);
        return value != nullptr ? value->data : std::string("<absent>");
    }
    static sim::DialogRun lastRun() {
        const auto runs = sim::dialogRuns();
        return runs.empty() ? sim::DialogRun{} : runs.back();
    }
};

TEST_F(Download, SuccessStoresTheRecordDeletesTheFileAndFillsTheBar) {
    startWith();
    sim::resetCalls();
    EXPECT_EQ(runDialog(), platform::kIdOk);
    EXPECT_TRUE(sim::messageBoxes().empty());

    // Bar: colours, range 0..500, one step per poll; full at the end.
    const sim::DialogRun run = lastRun();
    EXPECT_EQ(run.templateId, 109u);
    const sim::ProgressBarState bar = sim::dialogControls(run.window).progressBars.at(1012);
    EXPECT_EQ(bar.barColour, platform::rgb(0, 255, 0));
    EXPECT_EQ(bar.backgroundColour, platform::rgb(255, 255, 255));
    EXPECT_EQ(bar.lower, 0);
    EXPECT_EQ(bar.upper, 500);
    EXPECT_EQ(bar.step, 1);
    EXPECT_EQ(bar.position, 500);
    // Worker started by timer 1 after 10 ms, first poll 100 ms later; a 10 ms head start
    // for the worker and half a second for the full bar to be seen.
    EXPECT_EQ(run.endedAt - run.openedAt, 10u + 100u);
    EXPECT_EQ(sim::sleptMilliseconds(), 10u + 500u);

    // What the library was handed.
    const FakeDownLoad& fake = fakeDownLoad();
    EXPECT_EQ(fake.initializations, 1);
    EXPECT_EQ(fake.fetches, 1);
    EXPECT_STREQ(fake.server.host, update::kUpdateServerHost);
    EXPECT_STREQ(fake.server.file, "version.csv");
    EXPECT_STREQ(fake.server.user, "pelori");
    EXPECT_STREQ(fake.server.password, "mov+tgaq47");
    EXPECT_EQ(fake.notify.window, static_cast<std::uint32_t>(app_->mainWindow()));
    EXPECT_NE(fake.notify.message, 0u);
    EXPECT_EQ(fake.notify.message, app_->DownloadMessage());

    // Stored as text without terminators; the file is gone; the library was loaded by full path.
    EXPECT_EQ(stored("Date"), "2006/8/9");
    EXPECT_EQ(stored("Version"), "1.15");
    EXPECT_EQ(stored("Home"), "http://www.example.com/zelsata/");
    EXPECT_FALSE(sim::fileBytes("version.csv"));
    const auto loads = sim::libraryLoads();
    ASSERT_FALSE(loads.empty());
    EXPECT_NE(loads.back().find("ZelDownLoad.dll"), std::string::npos);
    EXPECT_NE(loads.back(), "ZelDownLoad.dll") << "never from the current directory";
}

TEST_F(Download, F1OpensTheHelpPageOncePerPress) {
    startWith();
    sim::forgetDialogs();
    sim::pressKey(platform::kVkF1);
    EXPECT_EQ(runDialog(), platform::kIdOk);
    EXPECT_EQ(sim::shellOpened(), std::vector<std::string>{"C:\\Program Files\\ZelSATA\\index.html"});
}

TEST_F(Download, EachFailureSaysOneThingAndKeepsThePublishedVersion) {
    struct Case {
        const char* what;
        std::function<void(sim::Machine&)> machine;
        std::function<void(FakeDownLoad&)> library;
        std::uint32_t message;
        bool dated;
        bool fileLeft;
    };
    const std::vector<Case> cases = {
        {"library missing", [](sim::Machine& m) { removeLibrary(m, "ZelDownLoad.dll"); }, [](FakeDownLoad&) {}, 5000,
         false, false},
        {"Initialization missing",
         [](sim::Machine& m) {
             removeLibrary(m, "ZelDownLoad.dll");
             m.system.libraries.push_back({"ZelDownLoad.dll", {"Initialization"}});
         },
         [](FakeDownLoad&) {}, 5000, false, false},
        {"fetch failed", [](sim::Machine&) {},
         [](FakeDownLoad& f) {
             f.result = 0;
             f.lastError = -3;
             f.file.reset();
         },
         5003, true, false},
        {"no file left", [](sim::Machine&) {}, [](FakeDownLoad& f) { f.file.reset(); }, 5004, true, false},
        {"no record", [](sim::Machine&) {}, [](FakeDownLoad& f) { f.file = "SATA02,1.15,http://x/\r\n"; }, 5004,
         true, false},
        {"record ends with LF only", [](sim::Machine&) {},
         [](FakeDownLoad& f) { f.file = "SATA01,1.15,http://www.example.com/\n"; }, 5004, true, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        sim::Machine machine = sim::defaultMachine();
        c.machine(machine);
        resetFakeDownLoad();
        fakeDownLoad().file = kPublished;
        c.library(fakeDownLoad());
        startWith(machine);
        sim::resetCalls();

        EXPECT_EQ(runDialog(), platform::kIdCancel);
        const auto boxes = sim::messageBoxes();
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_EQ(boxes[0].text, res::uiString(res::Language::english, c.message));
        EXPECT_EQ(boxes[0].style, platform::kMbIconHand);
        EXPECT_EQ(boxes[0].caption, "ZelSATA");
        EXPECT_EQ(stored("Version"), "1.10");
        EXPECT_EQ(stored("Home"), "http://old.example.com/");
        EXPECT_EQ(stored("Date") != "<absent>", c.dated);
        EXPECT_EQ(sim::fileBytes("version.csv").has_value(), c.fileLeft);
        if (c.message == 5000) {
            EXPECT_EQ(fakeDownLoad().fetches, 0) << "no worker without a library";
        }
        if (c.message == 5003) {
            EXPECT_EQ(fakeDownLoad().lastErrorQueries, 1);
        }

        app_->ExitInstance();
        app_.reset();
        EXPECT_EQ(sim::openHandles().total(), 0);
        sim::resetUi();
    }
}

// The worker blocks in the library until the test lets it go.
class Gate {
public:
    void wait() {
        std::unique_lock lock(mutex_);
        opened_.wait(lock, [&] { return open_; });
    }
    void open() {
        std::lock_guard lock(mutex_);
        open_ = true;
        opened_.notify_all();
    }

private:
    std::mutex mutex_;
    std::condition_variable opened_;
    bool open_ = false;
};

// The user presses Escape while the file is still coming; the library then waits at the
// gate.
void escapeDuringTheFetch(platform::Window main, Gate& gate) {
    fakeDownLoad().duringFetch = [main, &gate] {
        platform::postMessage(platform::getLastActivePopup(main), platform::kWmKeyDown, platform::kVkEscape, 0);
        gate.wait();
    };
}

TEST_F(Download, EscapeDuringTheFetchLeavesTheWorkerItsLibraryAndTheNextCheckFollowsIt) {
    startWith();
    Gate gate;
    escapeDuringTheFetch(app_->mainWindow(), gate);
    const std::int64_t modulesBefore = sim::openHandles().modules;

    app_->CheckForUpdate();
    EXPECT_EQ(lastRun().endCode, platform::kIdCancel);
    EXPECT_TRUE(sim::messageBoxes().empty()) << "a closed dialog has nothing to say";
    // The worker still runs inside the library: neither is let go.
    EXPECT_EQ(sim::runningThreads(), 1);
    EXPECT_EQ(sim::openThreadHandles(), 1);
    EXPECT_EQ(sim::openHandles().modules, modulesBefore + 1);

    // The next check follows the same fetch instead of starting another one.
    sim::scriptDialogActions({sim::UserAction::call([&](platform::Window) { gate.open(); })});
    sim::answerMessageBoxes({platform::kIdNo});
    app_->CheckForUpdate();
    EXPECT_EQ(lastRun().endCode, platform::kIdOk);
    EXPECT_EQ(fakeDownLoad().initializations, 1);
    EXPECT_EQ(fakeDownLoad().fetches, 1);
    EXPECT_EQ(stored("Version"), "1.15");
    ASSERT_EQ(sim::messageBoxes().size(), 1u) << "the home page is offered";
    EXPECT_EQ(sim::openHandles().modules, modulesBefore) << "unloaded once the worker ended";
    EXPECT_EQ(sim::openThreadHandles(), 0);
}

TEST_F(Download, ProgramEndWaitsForAFetchItsDialogLeftBehind) {
    startWith();
    Gate gate;
    escapeDuringTheFetch(app_->mainWindow(), gate);
    app_->CheckForUpdate();
    ASSERT_EQ(sim::runningThreads(), 1);
    gate.open();
    app_->ExitInstance();
    app_.reset();
    EXPECT_EQ(sim::runningThreads(), 0);
    EXPECT_EQ(sim::openThreadHandles(), 0);
    EXPECT_EQ(sim::openHandles().total(), 0);
    EXPECT_EQ(stored("Version"), "1.15") << "the worker finished its work";
}

// A fetch that does not end within the wait at exit is left running: the program ends
// without it, and the worker, let go afterwards, still finds its session and library.
TEST_F(Download, ProgramEndGivesUpOnAFetchThatDoesNotEnd) {
    startWith();
    Gate gate;
    escapeDuringTheFetch(app_->mainWindow(), gate);
    app_->CheckForUpdate();
    ASSERT_EQ(sim::runningThreads(), 1);
    app_->ExitInstance(); // returns with the gate still closed
    app_.reset();
    EXPECT_EQ(sim::runningThreads(), 1);
    gate.open();
    std::unique_ptr<update::DownloadSession> left = update::TakeSessionLeftToProcessEnd();
    ASSERT_NE(left, nullptr);
    left.reset(); // joins the worker, then unloads the library
    EXPECT_EQ(stored("Version"), "1.15") << "the worker finished its work";
    EXPECT_EQ(sim::openHandles().total(), 0);
}

} // namespace
} // namespace zel::test
