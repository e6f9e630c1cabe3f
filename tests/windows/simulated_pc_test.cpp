// The real program on the simulated PC (its built-in machine: a SATA card with two
// disks and a DVD writer): a disk removed through the device menu's command, then the
// program closed by the uninstall helper, as an uninstaller would.
#include "program_driver.h"

#include <gtest/gtest.h>

namespace zel::test {
namespace {

constexpr WPARAM kFirstDeviceItem = 1001;

// The English text of a string of the user-interface library.
std::string englishString(UINT id) {
    char directory[1024];
    zel::platform::programDirectory(directory, sizeof directory);
    HMODULE library = LoadLibraryA((std::string(directory) + "ZelSATAResUS.dll").c_str());
    char text[256] = {};
    if (library != nullptr) {
        LoadStringA(library, id, text, sizeof text);
        FreeLibrary(library);
    }
    return text;
}

TEST(SimulatedPc, RemovesADiskFromTheMenuAndClosesThroughTheUninstallHelper) {
    const std::string removed = englishString(17);
    ASSERT_FALSE(removed.empty());

    Process program(programPath());
    ASSERT_TRUE(program.started());
    HWND frame = waitForWindow([] { return FindWindowA("ZelSATAFrame", "ZelSATA"); });
    ASSERT_NE(frame, nullptr);

    // The first item of the device menu: the disk on E:. The progress window runs, the
    // worker removes the disk, and the program says so.
    ASSERT_TRUE(chooseDeviceItem(frame, program.id(), kFirstDeviceItem));
    HWND box = waitForWindow([&] { return findMessageBox(program.id()); });
    ASSERT_NE(box, nullptr) << "a message after the removal";
    EXPECT_EQ(messageText(box), removed);
    PostMessageA(box, WM_COMMAND, IDOK, 0);
    EXPECT_EQ(program.waitForExit(500), STILL_ACTIVE);
    EXPECT_EQ(waitForWindow([&] { return IsWindow(box) ? nullptr : frame; }), frame) << "the message closes";
    char title[64] = {};
    HWND found = FindWindowA(nullptr, "ZELSATA");
    GetClassNameA(found, title, sizeof title);
    EXPECT_EQ(found, frame) << "found " << title;

    // "0" closes only the family's other programs; "1" closes this one.
    Process siblings(programPath("ZelUninst.exe") + " 0");
    ASSERT_TRUE(siblings.started());
    EXPECT_EQ(siblings.waitForExit(15000), 0u);
    EXPECT_EQ(program.waitForExit(1000), STILL_ACTIVE);
    Process uninstall(programPath("ZelUninst.exe") + " 1");
    ASSERT_TRUE(uninstall.started());
    EXPECT_EQ(uninstall.waitForExit(15000), 0u);
    EXPECT_EQ(program.waitForExit(15000), 0u) << "the program closed itself";
}

} // namespace
} // namespace zel::test
