// The real program on the simulated PC (its built-in machine: a SATA card with two
// disks and a DVD writer): a disk removed through the device menu's command, then the
// program closed by the uninstall helper, as an uninstaller would.
#include "scenario.h"

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

// Presses F1 as a keyboard does, in the window made foreground first.
bool pressF1(HWND window) {
    SetForegroundWindow(window);
    if (waitForWindow([&] { return GetForegroundWindow() == window ? window : nullptr; }, 5000) == nullptr) return false;
    INPUT keys[2] = {};
    keys[0].type = keys[1].type = INPUT_KEYBOARD;
    keys[0].ki.wVk = keys[1].ki.wVk = VK_F1;
    keys[1].ki.dwFlags = KEYEVENTF_KEYUP;
    return SendInput(2, keys, sizeof(INPUT)) == 2;
}

// One real press of F1 in the device list dialog and in the version dialog opens the help
// page once. No help page lies beside the program here, so each opening says so in a box.
TEST(SimulatedPc, F1OpensTheHelpPageOncePerPress) {
    constexpr UINT kTrayNotify = WM_APP + 0x64;
    Process program(programPath());
    ASSERT_TRUE(program.started());
    HWND frame = waitForWindow([] { return FindWindowA("ZelSATAFrame", "ZelSATA"); });
    ASSERT_NE(frame, nullptr);

    struct Case {
        const char* dialog;
        WPARAM trayMessage; // or a command when 0
        WPARAM command;
        int childId;
    };
    for (const Case c : {Case{"device list", WM_LBUTTONDBLCLK, 0, 1007}, Case{"version", 0, 32771, 1006}}) {
        if (c.trayMessage != 0) PostMessageA(frame, kTrayNotify, 100, static_cast<LPARAM>(c.trayMessage));
        else PostMessageA(frame, WM_COMMAND, c.command, 0);
        HWND dialog = waitForWindow([&] { return findDialogWith(program.id(), c.childId); });
        ASSERT_NE(dialog, nullptr) << c.dialog;
        ASSERT_TRUE(pressF1(dialog)) << c.dialog;
        HWND box = waitForWindow([&] { return findMessageBox(program.id()); });
        ASSERT_NE(box, nullptr) << c.dialog << ": the help page was not asked for";
        EXPECT_EQ(messageText(box), "index.html FALSE");
        // A second opening for the same press is already queued ahead of this OK, and its
        // box would hold the first one open.
        PostMessageA(box, WM_COMMAND, IDOK, 0);
        HWND second = nullptr;
        waitForWindow([&] {
            second = findMessageBox(program.id(), "ZelSATA", box);
            return second != nullptr || !IsWindow(box) ? frame : nullptr;
        });
        EXPECT_EQ(second, nullptr) << c.dialog << ": the help page opened twice";
        if (second != nullptr) PostMessageA(second, WM_COMMAND, IDOK, 0);
        EXPECT_NE(waitForWindow([&] { return IsWindow(box) ? nullptr : frame; }), nullptr);
        PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
        EXPECT_NE(waitForWindow([&] { return IsWindow(dialog) ? nullptr : frame; }), nullptr) << c.dialog;
    }
    Process uninstall(programPath("ZelUninst.exe") + " 1");
    EXPECT_EQ(uninstall.waitForExit(15000), 0u);
    EXPECT_EQ(program.waitForExit(15000), 0u);
}

// The uninstall helper's close comes while the worker is on its way to Windows' question
// about the disk (the stand-in holds the removal a moment first): the program answers the
// question, lets the removal end and only then closes, with no outcome box.
TEST(SimulatedPc, ACloseDuringARemovalWaitsForItAndAnswersWindows) {
    const std::string log = besideThisProgram("close-during-removal.log");
    DeleteFileA(log.c_str());
    ScopedEnvironment logged("ZELSTANDIN_LOG", log);
    ScopedEnvironment held("ZELSTANDIN_QUESTION_DELAY", "1500");

    Process program(programPath());
    ASSERT_TRUE(program.started());
    HWND frame = waitForWindow([] { return FindWindowA("ZelSATAFrame", "ZelSATA"); });
    ASSERT_NE(frame, nullptr);
    ASSERT_TRUE(chooseDeviceItem(frame, program.id(), kFirstDeviceItem));
    ASSERT_TRUE(eventually(removalUnderWay));
    Process uninstall(programPath("ZelUninst.exe") + " 1");
    ASSERT_TRUE(uninstall.started());

    bool boxShown = false;
    eventually([&] {
        boxShown = boxShown || findMessageBox(program.id()) != nullptr;
        return program.waitForExit(0) != STILL_ACTIVE;
    }, 20000);
    EXPECT_FALSE(boxShown) << "no outcome box while the program closes";
    EXPECT_EQ(program.waitForExit(0), 0u);
    EXPECT_EQ(uninstall.waitForExit(15000), 0u);

    char text[256] = {};
    HANDLE file = CreateFileA(log.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    DWORD read = 0;
    if (file != INVALID_HANDLE_VALUE) {
        ReadFile(file, text, sizeof text - 1, &read, nullptr);
        CloseHandle(file);
    }
    const std::string said(text, read);
    EXPECT_NE(said.find("removal question: "), std::string::npos) << "the removal asked the windows";
    EXPECT_NE(said.find(", 0 unanswered"), std::string::npos) << said;
    DeleteFileA(log.c_str());
}

} // namespace
} // namespace zel::test
