// The device list dialog: its rows, the removal from its OK button, the start-at-log-on
// switch and help, driven by a scripted user while the dialog runs.
#include "app_fixture.h"

#include <algorithm>

#include "commands.h"
#include "device_list_dlg.h"

#include <zel/platform/controls.h>
#include <zel/sim/controls.h>
#include <zel/sim/dialog.h>

namespace zel::test {
namespace {

using platform::kIdCancel;
using platform::kIdOk;
using sim::UserAction;

constexpr int kList = 1007;
constexpr int kAutoRunBox = 1008;
constexpr int kApply = 1009;
constexpr const char* kQuotedProgram = "\"C:\\Program Files\\ZelSATA\\ZelSATA.ex_\"";

class DeviceList : public ProgramTest {
protected:
    void SetUp() override {
        ProgramTest::SetUp();
        sim::forgetDialogs();
        sim::forgetControls();
    }
    void TearDown() override {
        if (app_) {
            EXPECT_EQ(app_->GetBusy(), 0);
        }
        ProgramTest::TearDown();
        sim::forgetDialogs();
        sim::forgetControls();
    }
    static std::string str(std::uint32_t id) { return res::uiString(res::Language::english, id); }

    // Opens the dialog from the command menu, lets the user act, then closes it with
    // Cancel; the dialog's run.
    sim::DialogRun run(std::vector<UserAction> actions, std::uintptr_t command = tray::IDM_DEVICE_LIST) {
        actions.push_back(UserAction::clickButton(kIdCancel));
        sim::scriptDialogActions(std::move(actions));
        if (command == tray::WM_TRAYNOTIFY)
            send(tray::WM_TRAYNOTIFY, tray::kTrayIconId, tray::kWmLButtonDblClk);
        else
            send(platform::kWmCommand, command, 0);
        for (const sim::DialogRun& r : sim::dialogRuns())
            if (r.templateId == 107) return r;
        ADD_FAILURE() << "the device list never ran";
        return {};
    }
    static sim::ListViewState list(platform::Window dialog) { return sim::dialogControls(dialog).list(kList); }
    static std::string runValue() {
        const sim::RegistryValue* value = installedValue(app::kRunKey, app::kRunValueName);
        return value != nullptr ? value->data : "<none>";
    }
    static std::string autoRun() {
        const sim::RegistryValue* value = installedValue(app::kSettingsKey, app::kAutoRun);
        return value != nullptr ? value->data : "<none>";
    }
    static sim::Machine withRunValue(const std::string& command) {
        sim::Machine machine = sim::defaultMachine();
        setValue(machine, app::kRunKey, app::kRunValueName, platform::kRegSz, command);
        return machine;
    }
    // The default PC with a start-up file on the card's first disk (E:): a system disk.
    static sim::Machine withStartUpFilesOnE() {
        sim::Machine machine = sim::defaultMachine();
        for (sim::Volume& volume : machine.volumes)
            if (volume.letter == 'E') volume.files.push_back("boot.ini");
        return machine;
    }
    static sim::Machine withoutCard() {
        sim::Machine machine = sim::defaultMachine();
        for (sim::Node& node : machine.nodes)
            if (!node.instanceId.empty() && node.instanceId.rfind("PCI\\VEN_1095", 0) == 0) node.properties.clear();
        return machine;
    }
};

TEST_F(DeviceList, RowsFollowTheInventoryWithLettersAndTypeWhileBusy) {
    start(sim::defaultMachine());
    const app::Inventory& inventory = app_->inventory();
    ASSERT_EQ(inventory.count(), 3);
    bool busyWhileOpen = false;
    bool ownerDisabled = false;
    const sim::DialogRun shown = run({UserAction::call([&](platform::Window) {
        busyWhileOpen = app_->GetBusy() == 1;
        ownerDisabled = !platform::isWindowEnabled(app_->mainWindow());
    })});
    EXPECT_TRUE(busyWhileOpen);
    EXPECT_TRUE(ownerDisabled);
    EXPECT_EQ(shown.owner, app_->mainWindow());
    EXPECT_EQ(shown.itemTexts.at(1000), str(8));
    EXPECT_EQ(shown.itemTexts.at(1006), str(9));
    EXPECT_EQ(shown.itemTexts.at(kAutoRunBox), str(19));

    const sim::DialogControls controls = sim::dialogControls(shown.window);
    EXPECT_TRUE(controls.isEnabled(kIdOk));
    EXPECT_FALSE(controls.isEnabled(kApply));
    EXPECT_FALSE(controls.checked.count(kAutoRunBox) && controls.checked.at(kAutoRunBox)) << "AutoRun absent: off";
    const sim::ListViewState& rows = controls.list(kList);
    ASSERT_EQ(rows.columns.size(), 3u);
    const int widths[] = {260, 90, 120};
    for (std::size_t c = 0; c < 3; ++c) {
        EXPECT_EQ(rows.columns[c].heading, str(10 + static_cast<std::uint32_t>(c)));
        EXPECT_EQ(rows.columns[c].format, platform::kLvcfmtCenter);
        EXPECT_EQ(rows.columns[c].width, widths[c]);
    }
    EXPECT_TRUE(rows.extendedStyle & platform::kLvsExFullRowSelect);
    ASSERT_EQ(rows.rows.size(), 3u);
    for (std::size_t i = 0; i < 3; ++i) {
        ASSERT_EQ(rows.rows[i].size(), 3u);
        EXPECT_EQ(rows.rows[i][0], inventory.entries[i].driveName);
        EXPECT_EQ(rows.rows[i][2], str(inventory.entries[i].deviceClass == 5 ? 21 : 15));
    }
    EXPECT_EQ(rows.rows[1][0], "Maxtor 6Y160M0 SCSI Disk Device");
    EXPECT_EQ(rows.rows[1][1], "F: G: ");
    EXPECT_EQ(rows.rows[2][2], str(21)) << "the DVD writer on the card";
    EXPECT_EQ(rows.selectedRow, 0);
    EXPECT_EQ(rows.selectionMark, 0) << "the highlighted row is the one OK removes";

    // The tray double click opens the same dialog; Control with it quits instead.
    sim::forgetDialogs();
    EXPECT_EQ(run({}, tray::WM_TRAYNOTIFY).templateId, 107u);
}

TEST_F(DeviceList, EmptyListDisablesOkUntilADeviceArrives) {
    start(withoutCard());
    std::size_t emptyRows = 0;
    std::string emptyText;
    bool okWhileEmpty = true;
    std::size_t rowsAfter = 0;
    bool toldTheDialog = false;
    const sim::DialogRun shown = run({
        UserAction::call([&](platform::Window dialog) {
            emptyRows = list(dialog).rows.size();
            emptyText = emptyRows == 1 ? list(dialog).rows[0][0] : "";
            okWhileEmpty = sim::dialogControls(dialog).isEnabled(kIdOk);
        }),
        UserAction::clickListRow(kList, 0),
        UserAction::clickButton(kIdOk), // disabled: nothing happens
        UserAction::call([&](platform::Window dialog) {
            sim::install(sim::defaultMachine());
            app_->RebuildInventory();
            const auto queued = sim::queuedMessages(dialog);
            toldTheDialog = std::find(queued.begin(), queued.end(), app::WM_INVENTORY_CHANGED) != queued.end();
        }),
        UserAction::send(app::WM_INVENTORY_CHANGED), // delivered now, ahead of the queued scripts
        UserAction::call([&](platform::Window dialog) { rowsAfter = list(dialog).rows.size(); }),
    });
    EXPECT_EQ(emptyRows, 1u);
    EXPECT_EQ(emptyText, str(13));
    EXPECT_FALSE(okWhileEmpty);
    EXPECT_TRUE(sim::messageBoxes().empty());
    EXPECT_TRUE(toldTheDialog) << "the rebuild tells the open dialog, the main window's last active popup";
    EXPECT_EQ(rowsAfter, 3u);
    EXPECT_TRUE(sim::dialogControls(shown.window).isEnabled(kIdOk));
}

TEST_F(DeviceList, OkRemovesTheMarkedRowKeepsTheDialogAndStoresTheSwitch) {
    start(withRunValue(kQuotedProgram));
    std::size_t rowsRightAfter = 0;
    int markAfterRefill = -1;
    bool markerHeldAfter = true;
    const sim::DialogRun shown = run({
        UserAction::clickButton(kIdOk), // the highlighted first row, no click needed
        UserAction::call([&](platform::Window dialog) {
            rowsRightAfter = list(dialog).rows.size();
            markAfterRefill = list(dialog).selectionMark;
            markerHeldAfter = sim::mutexExists("Global\\ZelDeviceRemove") || sim::mutexExists("ZelDeviceRemove");
        }),
    });
    EXPECT_EQ(rowsRightAfter, 3u) << "filled at once from the inventory not yet rebuilt";
    EXPECT_EQ(markAfterRefill, 0) << "the refilled list is removable at once too";
    EXPECT_FALSE(markerHeldAfter);
    const auto runs = sim::dialogRuns();
    ASSERT_EQ(runs.size(), 2u);
    EXPECT_EQ(runs[0].templateId, 108u);
    EXPECT_EQ(runs[0].endCode, kIdOk);
    EXPECT_EQ(runs[0].owner, shown.window) << "the progress window runs over the list, which it disables";
    EXPECT_EQ(shown.endCode, kIdCancel) << "the list stayed open after the removal";
    const auto boxes = sim::messageBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, str(17));
    EXPECT_EQ(boxes[0].owner, shown.window) << "the result belongs to the dialog, which stays the active popup";
    // The switch was stored as a removal does it, Apply never pressed.
    EXPECT_EQ(autoRun(), sim::dwordBytes(0));
    EXPECT_EQ(runValue(), kQuotedProgram);
    // The rebuild the dialog asked for runs once the frame gets its message.
    sim::pumpMessages();
    EXPECT_EQ(app_->inventory().count(), 2);
}

TEST_F(DeviceList, AHeldDiskKeepsItsRowAndTheMessageNamesTheProgram) {
    sim::Machine machine = sim::defaultMachine();
    machine.processes.push_back({1234, "notepad.exe", {"E:\\notes.txt"}});
    start(machine);
    std::size_t rowsAfter = 0;
    const sim::DialogRun shown = run({
        UserAction::clickButton(kIdOk),
        UserAction::call([&](platform::Window dialog) { rowsAfter = list(dialog).rows.size(); }),
    });
    EXPECT_EQ(rowsAfter, 3u);
    const auto boxes = sim::messageBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, str(5001) + "\n\nPrograms using the drive: notepad.exe (1234)\n\n" + str(5013));
    EXPECT_EQ(boxes[0].owner, shown.window);
    sim::pumpMessages();
    EXPECT_EQ(app_->inventory().count(), 3) << "the disk stays";
}

TEST_F(DeviceList, DeclinedSystemDiskChangesNothing) {
    start(withStartUpFilesOnE());
    ASSERT_EQ(app_->inventory().entries[0].systemDisk, 1);
    sim::answerMessageBoxes({kIdCancel});
    run({UserAction::clickListRow(kList, 0), UserAction::clickButton(kIdOk)});
    const auto boxes = sim::messageBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, str(18));
    EXPECT_EQ(boxes[0].style, platform::kMbOkCancel);
    EXPECT_EQ(sim::dialogRuns().size(), 1u) << "no progress window";
    EXPECT_EQ(autoRun(), "<none>");
    EXPECT_TRUE(sim::queuedMessages(app_->mainWindow()).empty()) << "no device change posted";
}

// The first disk of the card (E:) is pulled and Windows broadcasts the change.
void pullTheFirstDisk(platform::Window frame) {
    sim::Machine machine = sim::current();
    std::string error;
    const std::string pull = R"({"pull": "SCSI\\DISK&VEN_WDC&PROD_WD800JD-00LSA0&REV_06.0\\5&37E1B8A3&0&000"})";
    ASSERT_TRUE(sim::applyMachineEvent(machine, pull, error)) << error;
    sim::install(std::move(machine));
    platform::postMessage(frame, platform::kWmDeviceChange, tray::DBT_DEVNODES_CHANGED, 0);
}

TEST_F(DeviceList, AChangeWhileTheSystemDiskQuestionIsUpRemovesNothingElse) {
    start(withStartUpFilesOnE());
    ASSERT_EQ(app_->inventory().entries[0].systemDisk, 1);
    platform::Window dialogWindow = 0;
    bool dialogDisabled = false;
    sim::whileMessageBoxOpen([&](platform::Window) {
        // The question belongs to the dialog: no second Remove can be clicked meanwhile.
        dialogDisabled = !platform::isWindowEnabled(dialogWindow);
        pullTheFirstDisk(app_->mainWindow());
    });
    std::size_t rowsAfter = 0;
    const sim::DialogRun shown = run({UserAction::call([&](platform::Window dialog) { dialogWindow = dialog; }),
                                      UserAction::clickListRow(kList, 0), UserAction::clickButton(kIdOk),
                                      UserAction::call([&](platform::Window dialog) { rowsAfter = list(dialog).rows.size(); })});
    EXPECT_TRUE(dialogDisabled);
    const auto boxes = sim::messageBoxes();
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[0].text, str(18));
    EXPECT_EQ(boxes[0].owner, shown.window);
    EXPECT_EQ(boxes[1].text, str(5010)) << "the row no longer shows the disk that was confirmed";
    EXPECT_EQ(sim::dialogRuns().size(), 1u) << "no progress window";
    EXPECT_TRUE(platform::DeviceHandle::openForQuery("\\\\.\\F:")) << "the disk now first in the list stays";
    EXPECT_EQ(rowsAfter, 2u) << "the list shows the inventory as it is now";
}

TEST_F(DeviceList, AChangeWhileANoticeIsUpRefillsTheListWhenItCloses) {
    start(sim::defaultMachine());
    sim::whileMessageBoxOpen([&](platform::Window) { pullTheFirstDisk(app_->mainWindow()); });
    std::size_t rowsAfter = 0;
    run({UserAction::clickCheckBox(kAutoRunBox),
         UserAction::call([&](platform::Window dialog) { rowsAfter = list(dialog).rows.size(); })});
    ASSERT_EQ(sim::messageBoxes().size(), 1u);
    EXPECT_EQ(app_->inventory().count(), 2);
    EXPECT_EQ(rowsAfter, 2u) << "the change notice went to the box; the list must follow all the same";
}

TEST_F(DeviceList, ApplySwitchesTheLogOnCommandBackAndForth) {
    start(withRunValue(kQuotedProgram));
    const std::string original = kQuotedProgram;
    std::string afterOn, afterOff, afterOnAgain, autoRunAfterOff, beforeApply;
    bool applyAfterClick = false;
    const sim::DialogRun shown = run({
        UserAction::clickButton(kApply), // disabled at the start
        UserAction::call([&](platform::Window) { beforeApply = autoRun(); }),
        UserAction::clickCheckBox(kAutoRunBox),
        UserAction::call([&](platform::Window dialog) {
            applyAfterClick = sim::dialogControls(dialog).isEnabled(kApply);
        }),
        UserAction::clickButton(kApply),
        UserAction::call([&](platform::Window) { afterOn = runValue(); }),
        UserAction::clickCheckBox(kAutoRunBox),
        UserAction::clickButton(kApply),
        UserAction::call([&](platform::Window) {
            afterOff = runValue();
            autoRunAfterOff = autoRun();
        }),
        UserAction::clickCheckBox(kAutoRunBox),
        UserAction::clickButton(kApply),
        UserAction::call([&](platform::Window) { afterOnAgain = runValue(); }),
    });
    EXPECT_EQ(beforeApply, "<none>");
    EXPECT_TRUE(applyAfterClick);
    std::string on = original;
    on[on.size() - 2] = 'e';
    EXPECT_EQ(afterOn, on);
    EXPECT_EQ(afterOff, original);
    EXPECT_EQ(autoRunAfterOff, sim::dwordBytes(0));
    EXPECT_EQ(afterOnAgain, on);
    EXPECT_EQ(autoRun(), sim::dwordBytes(1));
    EXPECT_FALSE(sim::dialogControls(shown.window).isEnabled(kApply));
    const auto boxes = sim::messageBoxes();
    ASSERT_EQ(boxes.size(), 3u) << "one notice per click of the box";
    for (const auto& box : boxes) {
        EXPECT_EQ(box.text, str(20));
        EXPECT_EQ(box.style, platform::kMbIconInformation);
        EXPECT_EQ(box.owner, shown.window);
    }

    // Opened again, the box starts ticked; a change without Apply is dropped.
    sim::forgetDialogs();
    sim::forgetControls();
    bool tickedAtOpen = false;
    run({UserAction::call([&](platform::Window dialog) {
             tickedAtOpen = platform::isButtonChecked(dialog, kAutoRunBox);
         }),
         UserAction::clickCheckBox(kAutoRunBox)});
    EXPECT_TRUE(tickedAtOpen);
    EXPECT_EQ(autoRun(), sim::dwordBytes(1));
    EXPECT_EQ(runValue(), on);
}

TEST_F(DeviceList, MissingOrOneCharacterLogOnCommandIsLeftAlone) {
    for (const char* command : {"", "x"}) {
        SCOPED_TRACE(command);
        start(*command != '\0' ? withRunValue(command) : sim::defaultMachine());
        run({UserAction::clickCheckBox(kAutoRunBox), UserAction::clickButton(kApply)});
        EXPECT_EQ(autoRun(), sim::dwordBytes(1));
        EXPECT_EQ(runValue(), *command != '\0' ? std::string(command) : "<none>");
        app_->ExitInstance();
        app_.reset();
        sim::resetUi();
        sim::forgetDialogs();
        sim::forgetControls();
    }
}

TEST_F(DeviceList, F1AndHelpRequestsOpenThePageBesideTheProgram) {
    start(sim::defaultMachine());
    sim::scriptDialogActions({UserAction::send(platform::kWmHelp)});
    sim::pressKey(platform::kVkF1);
    sim::pressKey(platform::kVkEscape);
    send(platform::kWmCommand, tray::IDM_DEVICE_LIST, 0);
    const auto runs = sim::dialogRuns();
    ASSERT_EQ(runs.size(), 1u);
    EXPECT_EQ(runs[0].endCode, kIdCancel);
    // Once for the key press (which then makes no help request of its own), once for the request.
    EXPECT_EQ(runs[0].swallowedKeys, (std::vector<std::pair<std::uint32_t, std::uintptr_t>>{{platform::kWmKeyDown, platform::kVkF1}}));
    EXPECT_EQ(sim::shellOpened(), (std::vector<std::string>(2, "C:\\Program Files\\ZelSATA\\index.html")));
}

} // namespace
} // namespace zel::test
