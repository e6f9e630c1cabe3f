// The running program under the fault sweep: an inventory rebuild, a removal from the
// device menu and one from the device list dialog, and the update check, each with every
// platform call failing in turn. Whatever fails, the program gives back every handle, marker and window, is not
// left busy, keeps its inventory well formed, tells the user the truth about a removal
// and nothing where there is nothing to say, and works again once the fault is gone.
#include "app_fixture.h"
#include "fake_download.h"
#include "sweep_support.h"

#include "commands.h"
#include "markers.h"

#include "res/resource_ids.h"

#include <zel/platform/dialog.h>
#include <zel/sim/controls.h>
#include <zel/sim/dialog.h>

#include <algorithm>
#include <cstring>

namespace zel::test {
namespace {

using platform::kIdCancel;
using platform::kIdOk;
using sim::Op;

// The first disk on the default PC's SATA card: inventory entry 0, volume E:.
constexpr const char* kFirstCardDisk = "SCSI\\DISK&VEN_WDC&PROD_WD800JD-00LSA0&REV_06.0\\5&37E1B8A3&0&000";

bool sameBytes(const app::Inventory& a, const app::Inventory& b) { return std::memcmp(&a, &b, sizeof a) == 0; }

template <std::size_t N>
std::string text(const char (&field)[N]) {
    return std::string(field, strnlen(field, N));
}

bool sameOrEmpty(const std::string& faulted, const std::string& clean) { return faulted.empty() || faulted == clean; }

// Whether an entry built under faults is a possibly poorer picture of a clean one: a
// failed read may empty a text, drop letters or hide a name, never make one up.
bool poorerEntry(const app::InventoryEntry& f, const app::InventoryEntry& c) {
    const std::string letters = text(f.driveLetters);
    const std::string cleanLetters = text(c.driveLetters);
    const bool subset = std::all_of(letters.begin(), letters.end(),
                                    [&](char l) { return cleanLetters.find(l) != std::string::npos; });
    return f.kind == app::kKindDevice && subset && f.systemDisk <= c.systemDisk &&
           (f.deviceClass == c.deviceClass || (letters.empty() && f.deviceClass == 0)) &&
           (text(f.driveName) == text(c.driveName) || text(f.driveName) == app::kUnknownDeviceName) &&
           sameOrEmpty(text(f.hardwareId), text(c.hardwareId)) && sameOrEmpty(text(f.pdoName), text(c.pdoName)) &&
           text(f.hostName).empty();
}

class ProgramSweep : public AppTest {
protected:
    void SetUp() override {
        AppTest::SetUp();
        sim::forgetDialogs();
        sim::forgetControls();
    }
    void TearDown() override {
        stop();
        sim::forgetDialogs();
        sim::forgetControls();
        AppTest::TearDown();
    }

    // A program on a fresh PC with its start-up behind it; what it holds then is the
    // baseline every run must return to.
    void start(const sim::Machine& machine) {
        stop();
        sim::resetUi();
        sim::forgetDialogs();
        sim::forgetControls();
        sim::install(machine);
        app_ = std::make_unique<app::CZelSATAApp>();
        ASSERT_TRUE(app_->InitInstance());
        sim::pumpMessages();
        sim::advanceTime(1000); // the start-up timer: tray icon, update setting
        sim::pumpMessages();
        handles_ = sim::openHandles().total();
        windows_ = windowIds();
        inventory_ = app_->inventory();
    }
    void stop() {
        if (!app_) return;
        app_->ExitInstance();
        app_.reset();
        EXPECT_EQ(sim::openHandles().total(), 0) << "left open after exit";
    }

    std::intptr_t send(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) {
        std::intptr_t result = 0;
        app_->mainFrame()->onMessage(app_->mainWindow(), message, wParam, lParam, result);
        return result;
    }
    // The program's windows; the hidden, untitled window of the sim's scripted user is
    // not one of them.
    static std::vector<platform::Window> windowIds() {
        std::vector<platform::Window> ids;
        for (const sim::WindowState& w : sim::windows())
            if (w.visible || !w.title.empty()) ids.push_back(w.id);
        return ids;
    }
    static std::string str(std::uint32_t id) { return res::uiString(res::Language::english, id); }
    // The text a box of string `id` shows: the string, or nothing when its load failed.
    static std::string shown(const Injection& injection, std::uint32_t id) {
        return injection.stringFailed(id) ? std::string() : str(id);
    }
    static bool markerHeld(const char* name) {
        return sim::mutexExists(name) || sim::mutexExists(std::string("Global\\") + name);
    }

    // Nothing the operation took is still held; `closing`: the program was told to close.
    void expectNothingLeft(bool closing) {
        EXPECT_EQ(sim::openHandles().total(), handles_) << "a handle is left open";
        EXPECT_EQ(sim::runningThreads(), 0);
        EXPECT_EQ(sim::openThreadHandles(), 0);
        EXPECT_EQ(sim::liveBrushes(), 0);
        EXPECT_LE(sim::liveMenus(), 1) << "only the device menu the frame keeps from one click to the next";
        EXPECT_FALSE(markerHeld(app::kRemoveMarker)) << "removal marker still held";
        EXPECT_FALSE(markerHeld(app::kChangeMarker)) << "change marker still held";
        EXPECT_EQ(app_->GetBusy(), 0) << "still busy";
        const std::vector<platform::Window> now = windowIds();
        for (const sim::DialogRun& run : sim::dialogRuns())
            EXPECT_EQ(std::count(now.begin(), now.end(), run.window), 0) << "dialog " << run.templateId << " open";
        if (!closing) {
            EXPECT_EQ(now, windows_) << "windows opened or closed";
            EXPECT_TRUE(platform::isWindowEnabled(app_->mainWindow())) << "the main window stays disabled";
        }
    }

    // The entries in use run from 0 and are readings of the clean ones in their order;
    // everything past them is zero.
    void expectValidInventory(const app::Inventory& clean) {
        const app::Inventory& now = app_->inventory();
        const int count = now.count();
        int next = 0;
        for (int i = 0; i < count; ++i) {
            while (next < clean.count() && !poorerEntry(now.entries[i], clean.entries[next])) ++next;
            EXPECT_LT(next, clean.count()) << "entry " << i << " (" << now.entries[i].driveName
                                           << ") is no reading of a clean entry in order";
            ++next;
        }
        static const app::InventoryEntry zero{};
        for (int i = count; i < app::kInventorySize; ++i)
            EXPECT_EQ(std::memcmp(&now.entries[i], &zero, sizeof zero), 0) << "entry " << i << " past the run";
    }

    // A rebuild's boxes: the missing-library message exactly when
    // the search library could not be loaded or bound, and then the inventory as it was
    // and a close request; otherwise nothing said.
    void expectRebuildOutcome(const std::vector<sim::MessageBoxShown>& boxes, const Injection& injection,
                              const app::Inventory& before, bool closeRequested) {
        const bool libraryFailed =
            injection.failed(Op::loadLibrary, "ZelSearch") || injection.failed(Op::getProcAddress, "ZelSearch");
        ASSERT_LE(boxes.size(), 1u) << "more than one message";
        EXPECT_EQ(!boxes.empty(), libraryFailed) << "missing-library message shown exactly when it is missing";
        if (boxes.empty()) {
            EXPECT_FALSE(closeRequested);
            return;
        }
        EXPECT_EQ(boxes[0].text, shown(injection, app::IDS_LIBRARY_MISSING));
        EXPECT_EQ(boxes[0].style, platform::kMbIconHand);
        EXPECT_TRUE(closeRequested);
        EXPECT_TRUE(sameBytes(app_->inventory(), before)) << "a failed rebuild changed the inventory";
    }

    // The removal's own boxes: the system-disk question first when `asked`, then one
    // result that matches what became of the device.
    void expectToldTheOutcome(const std::vector<sim::MessageBoxShown>& boxes, const Injection& injection, bool asked,
                              bool confirmed) {
        std::size_t first = 0;
        if (asked) {
            ASSERT_GE(boxes.size(), 1u) << "no question for a system disk";
            EXPECT_EQ(boxes[0].text, shown(injection, IDS_CONFIRM_SYSTEM_DISK));
            EXPECT_EQ(boxes[0].style, platform::kMbOkCancel);
            first = 1;
        }
        const bool gone = !sim::nodePresent(kFirstCardDisk);
        if (asked && !confirmed) {
            EXPECT_EQ(boxes.size(), 1u) << "something said after the question was declined";
            EXPECT_FALSE(gone) << "removed although declined";
            return;
        }
        ASSERT_EQ(boxes.size(), first + 1) << "one result message";
        const sim::MessageBoxShown& result = boxes[first];
        if (gone) {
            EXPECT_EQ(result.style, platform::kMbIconInformation) << "removed, yet told it failed";
            EXPECT_EQ(result.text, shown(injection, IDS_REMOVE_SUCCEEDED));
        } else {
            EXPECT_EQ(result.style, platform::kMbIconHand) << "still there, yet told it was removed";
            EXPECT_EQ(result.text, shown(injection, IDS_REMOVE_FAILED));
        }
    }

    // The user opens the device menu with a left click on the icon and chooses its first item.
    void chooseFirstDevice() {
        sim::chooseMenuCommands({tray::IDM_DEVICE_FIRST});
        send(tray::WM_TRAYNOTIFY, tray::kTrayIconId, platform::kWmLButtonDown);
        sim::pumpMessages();
    }

    // With the fault gone, a device change brings the inventory back to the machine.
    void expectRecovers(int devices) {
        const std::size_t boxes = sim::messageBoxes().size();
        send(platform::kWmDeviceChange, tray::DBT_DEVNODES_CHANGED, 0);
        sim::pumpMessages();
        EXPECT_EQ(app_->inventory().count(), devices) << "the next device change did not rebuild";
        EXPECT_EQ(sim::messageBoxes().size(), boxes);
    }

    // A removal of entry 0 from start to end by `act`, with the rebuild that follows it,
    // and its checks. `systemDisk`: entry 0 holds start-up files and is asked about,
    // answered with `answer`.
    SweepTally sweepRemoval(const char* name, bool systemDisk, int answer, const std::function<void()>& act) {
        sim::Machine machine = sim::defaultMachine();
        if (systemDisk)
            for (sim::Volume& volume : machine.volumes)
                if (volume.letter == 'E') volume.files.push_back("boot.ini");
        start(machine);
        const app::Inventory clean = app_->inventory();
        EXPECT_EQ(clean.count(), 3);
        EXPECT_EQ(clean.entries[0].systemDisk, systemDisk ? 1 : 0);

        return sweep(name, [&](Injection& injection) {
            start(machine);
            if (HasFatalFailure()) return;
            if (systemDisk) sim::answerMessageBoxes({answer});
            injection.arm();
            act();
            sim::pumpMessages(); // the device change the removal posts
            injection.disarm();

            // The removal speaks first (its question, its result); the rebuild after it,
            // which may run inside a dialog's loop, speaks last.
            const std::vector<sim::MessageBoxShown> boxes = sim::messageBoxes();
            const std::size_t spoken = systemDisk && answer == kIdOk ? 2 : 1;
            const auto split = boxes.begin() + static_cast<std::ptrdiff_t>(std::min(boxes.size(), spoken));
            expectToldTheOutcome({boxes.begin(), split}, injection, systemDisk, answer == kIdOk);
            const bool closing = sim::quitPosted();
            expectRebuildOutcome({split, boxes.end()}, injection, inventory_, closing);
            expectValidInventory(clean);
            expectNothingLeft(closing);
            const bool gone = !sim::nodePresent(kFirstCardDisk);
            const bool rebuilt = injection.succeeded(Op::loadLibrary, "ZelSearch") && !closing;
            if (gone && rebuilt) {
                EXPECT_LT(app_->inventory().count(), clean.count()) << "the removed disk is still listed";
            }
            if (!closing) expectRecovers(clean.count() - (gone ? 1 : 0));
        });
    }

    std::unique_ptr<app::CZelSATAApp> app_;
    std::int64_t handles_ = 0;
    std::vector<platform::Window> windows_;
    app::Inventory inventory_{};
};

TEST_F(ProgramSweep, RebuildInventory) {
    start(sim::defaultMachine());
    const app::Inventory clean = app_->inventory();
    ASSERT_EQ(clean.count(), 3);

    sweep("rebuild", [&](Injection& injection) {
        start(sim::defaultMachine());
        if (HasFatalFailure()) return;
        injection.arm();
        EXPECT_EQ(app_->RebuildInventory(), 1);
        injection.disarm();
        const auto queued = sim::queuedMessages(app_->mainWindow());
        const bool closing = std::find(queued.begin(), queued.end(), platform::kWmClose) != queued.end();
        expectRebuildOutcome(sim::messageBoxes(), injection, inventory_, closing);
        expectValidInventory(clean);
        expectNothingLeft(closing);
        if (!closing) expectRecovers(clean.count());
    });
}

TEST_F(ProgramSweep, RemovalFromTheDeviceMenu) {
    sweepRemoval("menu removal", false, kIdOk, [&] { chooseFirstDevice(); });
    EXPECT_EQ(sim::dialogRuns().size(), 1u) << "the progress window ran";
}

TEST_F(ProgramSweep, RemovalOfASystemDiskFromTheDeviceMenu) {
    const auto item = [&] { chooseFirstDevice(); };
    sweepRemoval("menu removal, system disk confirmed", true, kIdOk, item);
    sweepRemoval("menu removal, system disk declined", true, kIdCancel, item);
}

TEST_F(ProgramSweep, RemovalFromTheDeviceList) {
    sweepRemoval("device list removal", false, kIdOk, [&] {
        sim::scriptDialogActions({sim::UserAction::clickListRow(IDC_DEVICES_LIST, 0),
                                  sim::UserAction::clickButton(kIdOk), sim::UserAction::clickButton(kIdCancel)});
        send(platform::kWmCommand, tray::IDM_DEVICE_LIST, 0);
        const auto runs = sim::dialogRuns();
        EXPECT_TRUE(std::any_of(runs.begin(), runs.end(), [](const sim::DialogRun& r) {
            return r.templateId == IDD_REMOVE_PROGRESS;
        })) << "the removal never ran";
        EXPECT_TRUE(!runs.empty() && runs.back().templateId == IDD_DEVICE_LIST && runs.back().endCode == kIdCancel)
            << "the list did not end with Cancel";
    });
}

// The update check against a server that publishes 1.15: the home page is offered (and
// declined) when all goes well. Under faults it may say the library is missing, that the
// file was unusable, or nothing, but each only when the failure behind it happened.
TEST_F(ProgramSweep, UpdateCheck) {
    const auto run = [&](Injection& injection) {
        resetFakeDownLoad();
        fakeDownLoad().file = "SATA01,1.15,ZelSATA,http://www.example.com/zelsata/\r\n";
        start(sim::defaultMachine());
        if (HasFatalFailure()) return;
        sim::answerMessageBoxes({platform::kIdNo, platform::kIdNo});
        injection.arm();
        app_->CheckForUpdate();
        injection.disarm();

        const auto boxes = sim::messageBoxes();
        ASSERT_LE(boxes.size(), 1u) << "more than one message";
        // Its last-error entry may be missing; the other two may not.
        const auto& calls = injection.log();
        const bool libraryFailed =
            injection.failed(Op::loadLibrary, "ZelDownLoad") ||
            std::any_of(calls.begin(), calls.end(), [](const sim::LoggedCall& call) {
                return call.failed && call.op == Op::getProcAddress &&
                       (call.subject == "ZelDownLoad.dll|Initialization" ||
                        call.subject == "ZelDownLoad.dll|GetDownLoadFile");
            });
        if (!boxes.empty()) {
            const std::string& said = boxes[0].text;
            if (said == shown(injection, app::IDS_LIBRARY_MISSING) && boxes[0].style == platform::kMbIconHand) {
                EXPECT_TRUE(libraryFailed) << "the library was there";
            } else if (said == shown(injection, IDS_NO_NEW_VERSION) && boxes[0].style == platform::kMbIconHand) {
                EXPECT_TRUE(injection.failed(Op::readFile)) << "the file was read, yet called unusable";
            } else {
                EXPECT_EQ(said, shown(injection, IDS_ASK_OPEN_HOME_PAGE));
                EXPECT_TRUE(injection.succeeded(Op::versionInfo)) << "offered without knowing the own version";
            }
        }
        EXPECT_TRUE(sim::shellOpened().empty()) << "declined, yet opened";
        const bool fileLeft = sim::fileBytes("version.csv").has_value();
        EXPECT_EQ(fileLeft, injection.failed(Op::readFile) || injection.failed(Op::deleteFile))
            << "the fetched file outlived its attempt";
        expectNothingLeft(false);
    };
    sweep("update check", run);
}

} // namespace
} // namespace zel::test
