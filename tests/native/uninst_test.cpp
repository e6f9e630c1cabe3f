// The uninstall helper: which running programs each selector closes.
#include "uninstall_helper.h"

#include <zel/sim/ui.h>

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>

namespace zel::test {
namespace {

// A running program's top-level window that records the messages it is posted.
struct RecordingWindow final : platform::WindowHandler {
    explicit RecordingWindow(const char* title) { window = platform::FrameWindow::create(*this, title); }
    bool onMessage(platform::Window, std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam,
                   std::intptr_t& result) override {
        if (message >= 0xC000) received.push_back({message, wParam, lParam});
        result = 0;
        return message != platform::kWmClose && message != platform::kWmDestroy;
    }
    struct Received {
        std::uint32_t message;
        std::uintptr_t wParam;
        std::intptr_t lParam;
    };
    std::vector<Received> received;
    platform::FrameWindow window;
};

class UninstallHelper : public ::testing::Test {
protected:
    void SetUp() override { sim::resetUi(); }
    void TearDown() override {
        windows.clear();
        sim::resetUi();
    }

    // Starts the three programs of the family that have windows here.
    void startAll() {
        windows["TaskIcon"] = std::make_unique<RecordingWindow>("TaskIcon");
        windows["ZELSHIELD"] = std::make_unique<RecordingWindow>("ZELSHIELD");
        windows["ZelSATA"] = std::make_unique<RecordingWindow>("ZelSATA");
    }

    // Which windows got which registered message, after running with `commandLine`.
    std::map<std::string, std::string> run(const std::string& commandLine) {
        uninst::RunUninstallHelper(commandLine);
        sim::pumpMessages();
        std::map<std::string, std::string> got;
        const std::map<std::uint32_t, std::string> names{
            {platform::registerWindowMessage("ZELSHIELD"), "ZELSHIELD"},
            {platform::registerWindowMessage("ZELTASKTARY"), "ZELTASKTARY"},
            {platform::registerWindowMessage("ZELSATA"), "ZELSATA"}};
        for (auto& [title, window] : windows) {
            for (const auto& r : window->received) {
                EXPECT_EQ(r.wParam, 0u);
                EXPECT_EQ(r.lParam, 0);
                got[title] += names.at(r.message);
            }
            window->received.clear();
        }
        return got;
    }

    std::map<std::string, std::unique_ptr<RecordingWindow>> windows;
};

using Got = std::map<std::string, std::string>;

TEST_F(UninstallHelper, TheLastCharacterSelectsTheTargets) {
    startAll();
    EXPECT_EQ(run("\"C:\\Program Files\\ZelSATA\\ZelUninst.exe\" 1"), (Got{{"ZelSATA", "ZELSATA"}}));
    EXPECT_EQ(run("ZelUninst.exe 0"), (Got{{"TaskIcon", "ZELSHIELD"}, {"ZELSHIELD", "ZELTASKTARY"}}));
    EXPECT_EQ(run("ZelUninst.exe 10"), (Got{{"TaskIcon", "ZELSHIELD"}, {"ZELSHIELD", "ZELTASKTARY"}}))
        << "only the last character counts";
    EXPECT_TRUE(sim::messageBoxes().empty());
}

TEST_F(UninstallHelper, AnyOtherSelectorWarnsThenClosesAllThree) {
    startAll();
    for (const std::string line : {"\"C:\\Program Files\\ZelSATA\\ZelUninst.exe\"", "ZelUninst.exe 1 ", "ZelUninst.exe x", ""}) {
        sim::answerMessageBoxes({platform::kIdOk});
        EXPECT_EQ(run(line), (Got{{"TaskIcon", "ZELSHIELD"}, {"ZELSHIELD", "ZELTASKTARY"}, {"ZelSATA", "ZELSATA"}}))
            << "[" << line << "]";
    }
    const auto boxes = sim::messageBoxes();
    ASSERT_EQ(boxes.size(), 4u);
    EXPECT_EQ(boxes[0].text, "The setting of the parameter is different. All the applications are ended.");
    EXPECT_EQ(boxes[0].caption, "ZelUninst");
    EXPECT_EQ(boxes[0].style, platform::kMbIconHand);
    EXPECT_EQ(boxes[0].owner, 0u);
}

TEST_F(UninstallHelper, OnlyTheProgramsOwnWindowIsAsked) {
    // Opened first, so that a search by title alone would find it.
    const platform::Window explorer = sim::openOtherProgramWindow("ZelSATA");
    windows["ZelSATA"] = std::make_unique<RecordingWindow>("ZelSATA");
    uninst::RunUninstallHelper("ZelUninst.exe 1");
    EXPECT_TRUE(sim::queuedMessages(explorer).empty()) << "another program's window is never asked";
    sim::pumpMessages();
    EXPECT_EQ(windows["ZelSATA"]->received.size(), 1u);
}

TEST_F(UninstallHelper, RegistersOnlyForTargetsItFinds) {
    uninst::RunUninstallHelper("ZelUninst.exe 1");
    uninst::RunUninstallHelper("ZelUninst.exe 0");
    EXPECT_TRUE(sim::registeredMessages().empty()) << "nothing running, nothing registered";
    EXPECT_TRUE(sim::messageBoxes().empty());

    windows["ZelSATA"] = std::make_unique<RecordingWindow>("ZelSATA");
    uninst::RunUninstallHelper("ZelUninst.exe");
    EXPECT_EQ(sim::registeredMessages(), std::vector<std::string>{"ZELSATA"});
    EXPECT_EQ(sim::messageBoxes().size(), 1u) << "the warning comes even when little runs";
}

} // namespace
} // namespace zel::test
