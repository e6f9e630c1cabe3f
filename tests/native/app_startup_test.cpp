// Start-up and exit: one copy, the user's language, the messages shown when something
// is missing, and everything given back at the end.
#include "app_fixture.h"

#include "builtin_texts.h"
#include "markers.h"
#include "res/strings.h"

namespace zel::test {
namespace {

class Startup : public AppTest {};

sim::Machine japanese() {
    sim::Machine machine = sim::defaultMachine();
    machine.system.lcid = 0x0411;
    return machine;
}

TEST_F(Startup, RunsHiddenUnderItsTitleAndGivesEverythingBack) {
    sim::ScopedMachine machine(sim::defaultMachine());
    {
        app::CZelSATAApp app;
        ASSERT_TRUE(app.InitInstance());
        EXPECT_EQ(app.GetBusy(), 0);
        const auto windows = sim::windows();
        ASSERT_EQ(windows.size(), 1u);
        EXPECT_EQ(windows[0].title, "ZelSATA");
        EXPECT_FALSE(windows[0].visible);
        EXPECT_TRUE(sim::mutexExists("Global\\ZelSATA"));
        EXPECT_TRUE(sim::messageBoxes().empty());

        char text[64] = {};
        EXPECT_GT(app.LoadUiString(5, text, 64), 0);
        EXPECT_STREQ(text, res::uiString(res::Language::english, 5));
        EXPECT_EQ(app.LoadUiString(5, text, 256), 0) << "a size of 256 counts as 0";

        platform::postMessage(app.mainWindow(), platform::kWmClose, 0, 0);
        EXPECT_EQ(app.Run(), 0);
        EXPECT_TRUE(sim::windows().empty());
        app.ExitInstance();
    }
    EXPECT_FALSE(sim::mutexExists("Global\\ZelSATA"));
    EXPECT_EQ(sim::openHandles().total(), 0);
}

TEST_F(Startup, SecondCopyIsRefusedInTheUsersLanguage) {
    for (const bool inJapanese : {false, true}) {
        sim::resetUi();
        sim::ScopedMachine machine(inJapanese ? japanese() : sim::defaultMachine());
        platform::MutexHandle running = app::AcquireMarker("ZelSATA");
        ASSERT_TRUE(running);
        {
            app::CZelSATAApp second;
            EXPECT_FALSE(second.InitInstance());
            second.ExitInstance();
        }
        const auto boxes = sim::messageBoxes();
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_EQ(boxes[0].text, app::builtinTexts(inJapanese).alreadyRunning);
        EXPECT_EQ(boxes[0].caption, "ZelSATA");
        EXPECT_EQ(boxes[0].style, platform::kMbIconHand);
        EXPECT_EQ(boxes[0].owner, 0u);
        EXPECT_TRUE(sim::windows().empty());
        EXPECT_TRUE(sim::mutexExists("Global\\ZelSATA")) << "the running copy keeps its marker";
        app::ReleaseMarker(running);
    }
    EXPECT_EQ(sim::openHandles().total(), 0);
}

TEST_F(Startup, PicksTheResourceLibraryByLocaleAndFallsBackToEnglish) {
    struct Case {
        bool japaneseLocale;
        std::vector<std::string> missing;
        const char* expectedTip; // string 5 of the library in use, or null: start-up fails
    };
    const std::string english5 = res::uiString(res::Language::english, 5);
    const std::string japanese5 = res::uiString(res::Language::japanese, 5);
    const Case cases[] = {
        {false, {}, english5.c_str()},
        {true, {}, japanese5.c_str()},
        {true, {"ZelSATARes.dll"}, english5.c_str()},
        {false, {"ZelSATAResUS.dll"}, nullptr},
        {true, {"ZelSATARes.dll", "ZelSATAResUS.dll"}, nullptr},
    };
    for (const Case& c : cases) {
        sim::resetUi();
        sim::Machine machine = c.japaneseLocale ? japanese() : sim::defaultMachine();
        for (const std::string& name : c.missing) removeLibrary(machine, name);
        sim::ScopedMachine installed(machine);
        app::CZelSATAApp app;
        const bool started = app.InitInstance();
        ASSERT_EQ(started, c.expectedTip != nullptr) << c.japaneseLocale << " " << c.missing.size();
        if (started) {
            char tip[64] = {};
            app.LoadUiString(5, tip, 64);
            EXPECT_STREQ(tip, c.expectedTip);
            EXPECT_TRUE(sim::messageBoxes().empty()) << "a missing Japanese library is not mentioned";
        } else {
            const auto boxes = sim::messageBoxes();
            ASSERT_EQ(boxes.size(), 1u);
            EXPECT_EQ(boxes[0].text, app::builtinTexts(c.japaneseLocale).missingLibrary);
            EXPECT_EQ(boxes[0].style, platform::kMbIconHand);
        }
        app.ExitInstance();
        EXPECT_FALSE(sim::mutexExists("Global\\ZelSATA")) << "released by the exit step";
        EXPECT_EQ(sim::openHandles().total(), 0);
    }
}

TEST_F(Startup, LibrariesAreLoadedByFullPathFromTheProgramsDirectory) {
    sim::ScopedMachine machine(sim::defaultMachine());
    app::CZelSATAApp app;
    ASSERT_TRUE(app.InitInstance());
    char directory[1024];
    ASSERT_GT(platform::programDirectory(directory, sizeof directory), 0u);
    const auto loads = sim::libraryLoads();
    ASSERT_FALSE(loads.empty());
    for (const std::string& path : loads)
        EXPECT_EQ(path.rfind(directory, 0), 0u) << path << " is not a full path into " << directory;
    app.ExitInstance();
}

} // namespace
} // namespace zel::test
