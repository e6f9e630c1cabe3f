// ZelSATA.exe as a user meets it under Wine: it starts hidden, refuses a second copy
// with its built-in message, and quits when its main window is asked to close.
#include "program_driver.h"

#include <gtest/gtest.h>

namespace zel::test {
namespace {

TEST(Program, StartsHiddenRefusesASecondCopyAndQuitsOnClose) {
    const std::string path = programPath();
    ASSERT_FALSE(path.empty());

    Process first(path);
    ASSERT_TRUE(first.started());
    HWND frame = waitForWindow([] { return FindWindowA("ZelSATAFrame", "ZelSATA"); });
    ASSERT_NE(frame, nullptr) << "the main window, found by its title";
    EXPECT_FALSE(IsWindowVisible(frame));
    EXPECT_EQ(first.waitForExit(0), STILL_ACTIVE);

    Process second(path);
    ASSERT_TRUE(second.started());
    HWND box = waitForWindow([&] { return findMessageBox(second.id()); });
    ASSERT_NE(box, nullptr) << "the second copy says it is already running";
    EXPECT_EQ(messageText(box), "It has already started.");
    PostMessageA(box, WM_COMMAND, IDOK, 0);
    EXPECT_NE(second.waitForExit(15000), STILL_ACTIVE) << "the second copy ends";
    EXPECT_EQ(first.waitForExit(0), STILL_ACTIVE) << "the first copy keeps running";

    PostMessageA(frame, WM_CLOSE, 0, 0);
    EXPECT_EQ(first.waitForExit(15000), 0u) << "WM_CLOSE ends the program";
    EXPECT_EQ(FindWindowA("ZelSATAFrame", "ZelSATA"), nullptr);
}

} // namespace
} // namespace zel::test
