// The version dialog: compact about box up to 1.14, the update section above, and what
// its buttons store.
#include "app_fixture.h"
#include "fake_download.h"

#include "commands.h"
#include "version_dlg.h"

#include <zel/sim/controls.h>
#include <zel/sim/dialog.h>

#include <algorithm>

namespace zel::test {
namespace {

using sim::UserAction;

constexpr int kUpdateSection[] = {1001, 1003, 1007, 1008, 1009, platform::kIdOk, platform::kIdCancel};

class VersionDialog : public ProgramTest {
protected:
    void SetUp() override {
        ProgramTest::SetUp();
        resetFakeDownLoad();
        sim::setDialogBaseUnitY(16);
    }
    void TearDown() override {
        sim::setDialogBaseUnitY(16);
        ProgramTest::TearDown();
    }
    static sim::Machine withOwnVersion(const char* version) {
        sim::Machine machine = sim::defaultMachine();
        for (sim::VersionText& t : machine.system.versionTexts)
            if (t.query.ends_with("FileVersion")) t.text = version;
        return machine;
    }
    // Runs the dialog; `key` is pressed as it opens.
    sim::DialogRun show(std::vector<UserAction> actions = {}, int key = 0) {
        sim::scriptDialogActions(std::move(actions));
        sim::forgetDialogs();
        if (key != 0) sim::pressKey(key);
        app_->ShowVersionDialog();
        const auto runs = sim::dialogRuns();
        return runs.empty() ? sim::DialogRun{} : runs.front();
    }
    static std::string autoUpdate() {
        const sim::RegistryValue* value = installedValue(app::kSettingsKey, "AutoUpDate");
        return value != nullptr ? value->data : std::string("<absent>");
    }
};

TEST(VersionForm, CompactUpTo114) {
    EXPECT_TRUE(update::IsCompactVersion("1.14"));
    EXPECT_TRUE(update::IsCompactVersion("1.13"));
    EXPECT_TRUE(update::IsCompactVersion("abc")) << "no number reads as 0";
    EXPECT_TRUE(update::IsCompactVersion(""));
    EXPECT_FALSE(update::IsCompactVersion("1.15"));
    EXPECT_FALSE(update::IsCompactVersion("1.2")) << "1.2 is more than 1.14";
    EXPECT_TRUE(update::IsCompactVersion("1.1400")) << "only four characters count";
}

TEST_F(VersionDialog, CompactFormShowsTheResourceTextsAndClosesOnAClick) {
    start(sim::defaultMachine());
    const sim::DialogRun run = show({UserAction::send(platform::kWmLButtonDown)});
    EXPECT_EQ(run.templateId, 106u);
    EXPECT_EQ(run.endCode, platform::kIdCancel);
    EXPECT_EQ(run.itemTexts.at(1000), "ZelSATA");
    EXPECT_EQ(run.itemTexts.at(1006), "1.14");
    EXPECT_EQ(run.itemTexts.at(1002), "Copyright (C) 2005-2026 ZelSATA developers");
    EXPECT_EQ(run.itemTexts.at(1011), res::uiString(res::Language::english, 22));
    const sim::DialogControls controls = sim::dialogControls(run.window);
    for (int id : kUpdateSection) EXPECT_FALSE(controls.isVisible(id)) << id;
    EXPECT_TRUE(controls.isVisible(1000));
    // Four pixels narrower, 185 high with the ordinary system font.
    ASSERT_TRUE(run.resizedClient);
    EXPECT_EQ(*run.resizedClient, (platform::Rect{0, 0, sim::kDialogClient.right - 4, 185}));
    // Colours and the icon at dialog units (20, 28).
    const platform::ColorRef blue = platform::rgb(0, 128, 255);
    const platform::ColorRef red = platform::rgb(255, 0, 0);
    EXPECT_EQ(run.transparentText, (std::map<int, platform::ColorRef>{{1000, blue}, {1002, blue}, {1006, blue}}));
    EXPECT_EQ(run.textColours.at(1011), red);
    EXPECT_EQ(run.paintedIcon, (std::tuple<std::uint32_t, int, int>{128, 40, 56}));
    EXPECT_EQ(autoUpdate(), "<absent>") << "closing stores nothing";

    // A larger system font: 115 pixels.
    sim::setDialogBaseUnitY(20);
    const sim::DialogRun large = show({UserAction::send(platform::kWmKeyDown, platform::kVkEscape)});
    ASSERT_TRUE(large.resizedClient);
    EXPECT_EQ(large.resizedClient->bottom, 115);

    // Enter and Escape close the about box; Enter never starts an update check.
    for (int key : {platform::kVkReturn, platform::kVkEscape}) {
        const sim::DialogRun closed = show({}, key);
        EXPECT_EQ(sim::dialogRuns().size(), 1u) << "no download dialog";
        EXPECT_NE(closed.endCode, -1) << key;
    }
    EXPECT_EQ(fakeDownLoad().fetches, 0);
    EXPECT_EQ(autoUpdate(), "<absent>");

    // F1 opens the help page, once per press.
    show({}, platform::kVkF1);
    EXPECT_EQ(sim::shellOpened(), std::vector<std::string>{"C:\\Program Files\\ZelSATA\\index.html"});
}

TEST_F(VersionDialog, FullFormListsVersionsAndDateAndAppliesTheCheckBox) {
    sim::Machine machine = withOwnVersion("1.2");
    setValue(machine, app::kSettingsKey, "AutoUpDate", platform::kRegDword, sim::dwordBytes(1));
    start(machine);
    sim::answerMessageBoxes({platform::kIdOk});
    sim::DialogControls during;
    const sim::DialogRun run = show({
        UserAction::call([&](platform::Window dialog) { during = sim::dialogControls(dialog); }),
        UserAction::clickCheckBox(1008),
        UserAction::clickButton(1009),
        UserAction::call([&](platform::Window) { EXPECT_EQ(autoUpdate(), sim::dwordBytes(0)); }),
        UserAction::clickButton(platform::kIdCancel),
    });
    EXPECT_FALSE(run.resizedClient) << "1.2 is above 1.14: full form";
    for (int id : kUpdateSection) EXPECT_TRUE(during.isVisible(id)) << id;
    EXPECT_TRUE(during.checked.at(1008)) << "AutoUpDate 1";
    EXPECT_FALSE(during.isEnabled(1009)) << "Apply waits for a click on the box";
    EXPECT_EQ(run.itemTexts.at(1003), "-") << "no check yet";
    const sim::ListViewState& list = during.list(1007);
    ASSERT_EQ(list.columns.size(), 3u);
    EXPECT_EQ(list.columns[0].width, 232);
    EXPECT_EQ(list.columns[1].heading, res::uiString(res::Language::english, 23));
    EXPECT_EQ(list.columns[2].width, 120);
    EXPECT_EQ(list.columns[2].format, platform::kLvcfmtCenter);
    EXPECT_EQ(list.rows, (std::vector<std::vector<std::string>>{{"ZelSATA", "1.2", "-"}}));
    EXPECT_NE(list.extendedStyle & platform::kLvsExFullRowSelect, 0u);
    // The click told the user about the question; Apply stored the box and went grey.
    const auto boxes = sim::messageBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, res::uiString(res::Language::english, 28));
    EXPECT_EQ(boxes[0].style, platform::kMbIconInformation);
    EXPECT_FALSE(sim::dialogControls(run.window).isEnabled(1009));
    EXPECT_EQ(run.endCode, platform::kIdCancel);
}

TEST_F(VersionDialog, CancelKeepsTheSettingAndOkRunsTheCheckThenStores) {
    sim::Machine machine = withOwnVersion("1.15");
    setValue(machine, app::kSettingsKey, "AutoUpDate", platform::kRegDword, sim::dwordBytes(1));
    setValue(machine, app::kSettingsKey, "Version", platform::kRegSz, "1.16");
    setValue(machine, app::kSettingsKey, "Date", platform::kRegSz, "2006/7/1");
    start(machine);
    sim::answerMessageBoxes({platform::kIdOk});
    sim::DialogRun run = show({UserAction::clickCheckBox(1008), UserAction::clickButton(platform::kIdCancel)});
    EXPECT_EQ(autoUpdate(), sim::dwordBytes(1)) << "Cancel stores nothing";
    EXPECT_EQ(run.itemTexts.at(1003), "2006/7/1");
    EXPECT_EQ(sim::dialogControls(run.window).list(1007).rows.at(0).at(2), "1.16");

    // OK: the update check runs (same version published: string 5004), then the box's
    // state is stored and the dialog ends with OK.
    fakeDownLoad().file = "SATA01,1.15,ZelSATA,http://www.example.com/\r\n";
    sim::resetUi();
    sim::answerMessageBoxes({platform::kIdOk, platform::kIdOk});
    run = show({UserAction::clickCheckBox(1008), UserAction::clickButton(platform::kIdOk)});
    EXPECT_EQ(run.endCode, platform::kIdOk);
    EXPECT_EQ(fakeDownLoad().fetches, 1);
    // The download dialog belongs to the version dialog, which it disables while it runs.
    const auto runs = sim::dialogRuns();
    const auto of = [&](std::uint32_t id) {
        return std::find_if(runs.begin(), runs.end(), [&](const sim::DialogRun& r) { return r.templateId == id; });
    };
    ASSERT_NE(of(109), runs.end());
    ASSERT_NE(of(106), runs.end());
    EXPECT_EQ(of(109)->owner, of(106)->window);
    EXPECT_TRUE(of(109)->ownerDisabled);
    EXPECT_EQ(autoUpdate(), sim::dwordBytes(0));
    const auto boxes = sim::messageBoxes();
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[1].text, res::uiString(res::Language::english, 5004));
}

TEST_F(VersionDialog, TheMenuCommandKeepsTheFrameBusyWhileItIsOpen) {
    start(sim::defaultMachine());
    int busyWhileOpen = -1;
    sim::scriptDialogActions({UserAction::call([&](platform::Window) { busyWhileOpen = app_->GetBusy(); }),
                              UserAction::send(platform::kWmLButtonDown)});
    send(platform::kWmCommand, tray::IDM_VERSION_INFO, 0);
    EXPECT_EQ(busyWhileOpen, 1);
    EXPECT_EQ(app_->GetBusy(), 0);
    ASSERT_EQ(sim::dialogRuns().size(), 1u);
    EXPECT_EQ(sim::dialogRuns()[0].templateId, 106u);
}

} // namespace
} // namespace zel::test
