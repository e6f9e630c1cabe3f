// The update check: the comparison with the program's own version, the home page offered
// only when they differ and only when it is a web address, and the start-up question.
#include "app_fixture.h"
#include "fake_download.h"

#include "commands.h"

#include <zel/sim/controls.h>
#include <zel/sim/dialog.h>

namespace zel::test {
namespace {

class UpdateCheck : public ProgramTest {
protected:
    void SetUp() override {
        ProgramTest::SetUp();
        resetFakeDownLoad();
    }
    void publish(const std::string& record) { fakeDownLoad().file = record; }
    static void setOwnVersion(sim::Machine& machine, const char* version) {
        for (sim::VersionText& t : machine.system.versionTexts)
            if (t.query.ends_with("FileVersion")) t.text = version;
    }
};

TEST_F(UpdateCheck, ADifferentVersionEitherWayOffersTheHomePage) {
    for (const char* published : {"1.15", "1.13"}) {
        SCOPED_TRACE(published);
        publish(std::string("SATA01,") + published + ",ZelSATA,http://www.example.com/new/\r\n");
        start(sim::defaultMachine());
        sim::answerMessageBoxes({platform::kIdYes});
        app_->CheckForUpdate();
        const auto boxes = sim::messageBoxes();
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_EQ(boxes[0].text, res::uiString(res::Language::english, 26));
        EXPECT_EQ(boxes[0].caption, "ZelSATA DownLoad");
        EXPECT_EQ(boxes[0].style, platform::kMbYesNo);
        EXPECT_EQ(boxes[0].owner, 0u);
        EXPECT_EQ(sim::shellOpened(), std::vector<std::string>{"http://www.example.com/new/"});

        // No: nothing is opened.
        sim::resetUi();
        sim::answerMessageBoxes({platform::kIdNo});
        app_->CheckForUpdate();
        EXPECT_TRUE(sim::shellOpened().empty());
        app_->ExitInstance();
        app_.reset();
        sim::resetUi();
    }
}

TEST_F(UpdateCheck, TheSameVersionSaysSoAndAShorterOwnVersionNeverMatches) {
    publish("SATA01,1.14,ZelSATA,http://www.example.com/\r\n");
    start(sim::defaultMachine());
    app_->CheckForUpdate();
    auto boxes = sim::messageBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, res::uiString(res::Language::english, 5004));
    EXPECT_EQ(boxes[0].style, platform::kMbIconHand);
    EXPECT_EQ(boxes[0].caption, "ZelSATA");
    EXPECT_TRUE(sim::shellOpened().empty());
    app_->ExitInstance();
    app_.reset();

    // An own version of "1.2" compares with its terminator: "1.2\0" is not "1.2 ".
    sim::resetUi();
    sim::Machine machine = sim::defaultMachine();
    setOwnVersion(machine, "1.2");
    publish("SATA01,1.2 ,ZelSATA,http://www.example.com/\r\n");
    start(machine);
    sim::answerMessageBoxes({platform::kIdNo});
    app_->CheckForUpdate();
    boxes = sim::messageBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, res::uiString(res::Language::english, 26));
}

TEST_F(UpdateCheck, NothingMoreWhenTheOwnVersionCannotBeReadOrTheHomeIsNoWebAddress) {
    sim::Machine machine = sim::defaultMachine();
    machine.system.versionTexts.clear();
    publish("SATA01,1.15,ZelSATA,http://www.example.com/\r\n");
    start(machine);
    app_->CheckForUpdate();
    EXPECT_TRUE(sim::messageBoxes().empty());
    app_->ExitInstance();
    app_.reset();

    // A record whose "address" names a program: offered (the versions differ) but never
    // handed to the shell.
    sim::resetUi();
    sim::Machine earlier = sim::defaultMachine();
    setValue(earlier, app::kSettingsKey, "Home", platform::kRegSz, "http://old.example.com/");
    for (const char* address : {"httpevil.exe", "http://example.com/\"&calc.exe", "http://example.com/%zz"}) {
        SCOPED_TRACE(address);
        publish(std::string("SATA01,1.15,x,") + address + "\r\n");
        start(earlier);
        sim::answerMessageBoxes({platform::kIdYes});
        app_->CheckForUpdate();
        EXPECT_EQ(sim::messageBoxes().size(), 1u);
        EXPECT_TRUE(sim::shellOpened().empty());
        // Not kept either: neither the refused address nor the earlier one stays as Home.
        const sim::RegistryValue* home = installedValue(app::kSettingsKey, "Home");
        ASSERT_NE(home, nullptr);
        EXPECT_EQ(home->data, "");
        app_->ExitInstance();
        app_.reset();
        sim::resetUi();
    }
}

TEST_F(UpdateCheck, TheStartUpQuestionRunsTheCheckOnYesAndTheHostCanBeChangedForTests) {
    sim::Machine machine = sim::defaultMachine();
    setValue(machine, app::kSettingsKey, "AutoUpDate", platform::kRegDword, sim::dwordBytes(1));
    machine.system.environment["ZELSATA_UPDATE_HOST"] = "127.0.0.1:2121";
    publish("SATA01,1.14,ZelSATA,http://www.example.com/\r\n");
    start(machine);
    sim::answerMessageBoxes({platform::kIdYes});
    // While the start-up check runs the program is busy, and a second check is refused.
    sim::forgetDialogs();
    int busyDuringCheck = -1;
    sim::scriptDialogActions({sim::UserAction::call([&](platform::Window) {
        busyDuringCheck = app_->GetBusy();
        app_->CheckForUpdate();
    })});
    sim::advanceTime(1000);
    sim::pumpMessages();
    EXPECT_EQ(busyDuringCheck, 1);
    EXPECT_EQ(app_->GetBusy(), 0);
    EXPECT_EQ(sim::dialogRuns().size(), 1u) << "one download dialog";
    EXPECT_EQ(fakeDownLoad().fetches, 1);
    EXPECT_STREQ(fakeDownLoad().server.host, "127.0.0.1:2121");
    const auto boxes = sim::messageBoxes();
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[0].text, res::uiString(res::Language::english, 29));
    EXPECT_EQ(boxes[1].text, res::uiString(res::Language::english, 5004));
}

} // namespace
} // namespace zel::test
