// The real program on a simulated PC whose SATA card starts empty: disks plugged and
// pulled from outside while it runs, as its tray icon, device menu and device list
// dialog see them, and the start-at-log-on switch as the registry keeps it.
#include "card_devices.h"
#include "scenario.h"

#include <gtest/gtest.h>

namespace zel::test {
namespace {

constexpr UINT kTrayNotify = 0x8064;
constexpr int kListId = 1007;
constexpr int kAutoRunId = 1008;
constexpr int kApplyId = 1009;
constexpr const char* kWdcId = "SCSI\\DISK&VEN_WDC&PROD_WD800JD-00LSA0&REV_06.0\\5&37E1B8A3&0&000";

HWND startedFrame(const Process& program) {
    if (!program.started()) return nullptr;
    return waitForWindow([] { return FindWindowA("ZelSATAFrame", "ZelSATA"); });
}

// Answers the message box the process shows next with OK; its text.
std::string answerMessage(DWORD processId, HWND besides = nullptr) {
    HWND box = waitForWindow([&] { return findMessageBox(processId, "ZelSATA", besides); });
    if (box == nullptr) return "(no message)";
    const std::string text = messageText(box);
    PostMessageA(box, WM_COMMAND, IDOK, 0);
    waitForWindow([&] { return IsWindow(box) ? nullptr : box; }, 5000);
    return text;
}

void closeProgram(const Process& program) {
    Process uninstall(programPath("ZelUninst.exe") + " 1");
    EXPECT_EQ(uninstall.waitForExit(15000), 0u);
    EXPECT_EQ(program.waitForExit(15000), 0u) << "the program closed itself";
}

TEST(OutsideChange, TheTrayIconAndTheDeviceMenuFollowThePluggedDisks) {
    const std::string removed = englishText(17);
    ASSERT_FALSE(removed.empty());
    OutsideHand hand("tray-icon", "empty-card.json");
    Process program(programPath());
    HWND frame = startedFrame(program);
    ASSERT_NE(frame, nullptr);

    // No supported device: past the start-up second the program runs without an icon.
    Sleep(2500);
    EXPECT_FALSE(trayIconShown(frame));

    ASSERT_TRUE(hand.plug(kWdcDisk, kCard));
    ASSERT_TRUE(hand.plug(kMaxtorDisk, kCard));
    EXPECT_FALSE(trayIconShown(frame)) << "nothing changes before the broadcast";
    ASSERT_TRUE(OutsideHand::broadcast());
    EXPECT_TRUE(eventually([&] { return trayIconShown(frame); })) << "the icon comes with the first device";

    // The device menu's second item is the disk plugged second: removing it leaves the
    // first one, so pulling that one by hand empties the inventory and takes the icon.
    ASSERT_TRUE(chooseDeviceItem(frame, program.id(), 1002));
    EXPECT_EQ(answerMessage(program.id()), removed);
    EXPECT_TRUE(eventually([] { return !removalUnderWay(); })) << "a broadcast now would be ignored";
    EXPECT_TRUE(trayIconShown(frame)) << "one disk is left";
    ASSERT_TRUE(hand.pull(kWdcId));
    ASSERT_TRUE(OutsideHand::broadcast());
    EXPECT_TRUE(eventually([&] { return !trayIconShown(frame); })) << "the icon goes with the last device";

    // The same disk plugged in again brings the icon back.
    ASSERT_TRUE(hand.plug(kWdcDisk, kCard));
    ASSERT_TRUE(OutsideHand::broadcast());
    EXPECT_TRUE(eventually([&] { return trayIconShown(frame); }));
    closeProgram(program);
}

// A disk whose volume stays behind after its removal, and one that refuses to go: both
// are reported as not removed. The first one's node is gone all the same, so the menu
// shown next names the refusing disk first; the refusing disk stays.
TEST(OutsideChange, DisksThatDoNotGoAreReportedAsNotRemoved) {
    const std::string failed = englishText(5001);
    ASSERT_FALSE(failed.empty());
    OutsideHand hand("not-removed", "empty-card.json");
    Process program(programPath());
    HWND frame = startedFrame(program);
    ASSERT_NE(frame, nullptr);
    ASSERT_TRUE(hand.plug(std::string(R"({"removalLeavesVolumes": true, )") + (kWdcDisk + 1), kCard));
    ASSERT_TRUE(hand.plug(std::string(R"({"refusesRemoval": true, )") + (kMaxtorDisk + 1), kCard));
    ASSERT_TRUE(OutsideHand::broadcast());
    ASSERT_TRUE(eventually([&] { return trayIconShown(frame); }));

    // Nothing holds either disk: the message names no program, and the refusing disk's
    // says that Windows left it to the next restart.
    for (const char* disk : {"volume stays", "refuses"}) {
        ASSERT_TRUE(chooseDeviceItem(frame, program.id(), 1001)) << disk;
        const std::string expected =
            std::string(disk) == "refuses" ? failed + "\n\n" + englishText(5013) : failed;
        EXPECT_EQ(answerMessage(program.id()), expected) << disk;
        EXPECT_TRUE(eventually([] { return !removalUnderWay(); }));
    }
    EXPECT_TRUE(trayIconShown(frame));
    closeProgram(program);
}

// Programs holding a disk's files open: the message names them (the first five, then how
// many more), and once they close the disk goes.
TEST(OutsideChange, AHeldDiskNamesTheProgramsHoldingIt) {
    const std::string failed = englishText(5001);
    const std::string restart = "\n\n" + englishText(5013);
    ASSERT_FALSE(failed.empty());
    OutsideHand hand("held", "empty-card.json");
    Process program(programPath());
    HWND frame = startedFrame(program);
    ASSERT_NE(frame, nullptr);
    ASSERT_TRUE(hand.plug(kWdcDisk, kCard));
    ASSERT_TRUE(hand.plug(kMaxtorDisk, kCard));
    ASSERT_TRUE(hand.open("E:\\notes.txt", 1234, "notepad.exe"));
    for (unsigned id = 201; id <= 206; ++id)
        ASSERT_TRUE(hand.open(id % 2 == 0 ? "F:\\a" : "G:\\b", id, "p" + std::to_string(id) + ".exe"));
    ASSERT_TRUE(OutsideHand::broadcast());
    ASSERT_TRUE(eventually([&] { return trayIconShown(frame); }));

    ASSERT_TRUE(chooseDeviceItem(frame, program.id(), 1001));
    EXPECT_EQ(answerMessage(program.id()), failed + "\n\nPrograms using the drive: notepad.exe (1234)" + restart);
    EXPECT_TRUE(eventually([] { return !removalUnderWay(); }));
    ASSERT_TRUE(chooseDeviceItem(frame, program.id(), 1002));
    EXPECT_EQ(answerMessage(program.id()),
              failed + "\n\nPrograms using the drive: p201.exe (201), p202.exe (202), p203.exe (203), p204.exe (204), "
                       "p205.exe (205), and 1 more" + restart);
    EXPECT_TRUE(eventually([] { return !removalUnderWay(); }));

    ASSERT_TRUE(hand.close("E:\\notes.txt", 1234));
    ASSERT_TRUE(chooseDeviceItem(frame, program.id(), 1001));
    EXPECT_EQ(answerMessage(program.id()), englishText(17));
    closeProgram(program);
}

std::string readRunValue() {
    char value[300] = {};
    DWORD size = sizeof value;
    if (RegGetValueA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\run", "ZelSATA", RRF_RT_REG_SZ,
                     nullptr, value, &size) != ERROR_SUCCESS)
        return "(none)";
    return value;
}

DWORD readAutoRun() {
    DWORD value = 0xEEEE;
    DWORD size = sizeof value;
    RegGetValueA(HKEY_LOCAL_MACHINE, "Software\\Ondel\\ZelSATA\\Common", "AutoRun", RRF_RT_REG_DWORD, nullptr, &value,
                 &size);
    return value;
}

bool writeAutoRun(DWORD on) {
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, "Software\\Ondel\\ZelSATA\\Common", 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                        &key, nullptr) != ERROR_SUCCESS)
        return false;
    const bool ok =
        RegSetValueExA(key, "AutoRun", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&on), sizeof on) == ERROR_SUCCESS;
    RegCloseKey(key);
    return ok;
}

bool writeRunValue(const std::string& command) {
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\run", 0, nullptr, 0,
                        KEY_SET_VALUE, nullptr, &key, nullptr) != ERROR_SUCCESS)
        return false;
    const bool ok = RegSetValueExA(key, "ZelSATA", 0, REG_SZ, reinterpret_cast<const BYTE*>(command.c_str()),
                                   static_cast<DWORD>(command.size() + 1)) == ERROR_SUCCESS;
    RegCloseKey(key);
    return ok;
}

// Clicks a check box or button of the dialog; its handler may show a message box, so the
// click is not waited for.
void click(HWND dialog, int id) { SendNotifyMessageA(GetDlgItem(dialog, id), BM_CLICK, 0, 0); }

TEST(OutsideChange, TheDeviceListDialogListsRemovesAndFollowsPluggedDisks) {
    const std::string noDevices = englishText(13);
    const std::string removed = englishText(17);
    const std::string notice = englishText(20);
    ASSERT_FALSE(noDevices.empty());
    // Log-on start on in both places, as a fresh installation leaves it.
    const std::string installed = "\"C:\\Program Files\\ZelSATA\\ZelSATA.exe\"";
    ASSERT_TRUE(writeRunValue(installed));
    ASSERT_TRUE(writeAutoRun(1));

    OutsideHand hand("device-list", "empty-card.json");
    Process program(programPath());
    HWND frame = startedFrame(program);
    ASSERT_NE(frame, nullptr);

    // A double click on the icon opens the dialog; the card is empty.
    PostMessageA(frame, kTrayNotify, 100, WM_LBUTTONDBLCLK);
    HWND dialog = waitForWindow([&] { return findDialogWith(program.id(), kListId); });
    ASSERT_NE(dialog, nullptr);
    HWND list = GetDlgItem(dialog, kListId);
    RemoteList rows(list, program.id());
    EXPECT_EQ(rows.column(0), std::vector<std::string>{noDevices});
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dialog, IDOK)));
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dialog, kApplyId)));
    EXPECT_EQ(SendMessageA(GetDlgItem(dialog, kAutoRunId), BM_GETCHECK, 0, 0), BST_CHECKED);

    // Three devices arrive while it is open: the list fills, Remove becomes available.
    ASSERT_TRUE(hand.plug(kWdcDisk, kCard));
    ASSERT_TRUE(hand.plug(kMaxtorDisk, kCard));
    ASSERT_TRUE(hand.plug(kNecDvd, kCard));
    ASSERT_TRUE(OutsideHand::broadcast());
    EXPECT_TRUE(eventually([&] { return rows.count() == 3; })) << rows.count();
    EXPECT_EQ(rows.column(0), (std::vector<std::string>{"WDC WD800JD-00LSA0 SCSI Disk Device",
                                                         "Maxtor 6Y160M0 SCSI Disk Device",
                                                         "Unkwon Device(DISK/CD-ROM)"}))
        << "a name that does not start with a capital letter is shown as unknown";
    EXPECT_EQ(rows.column(1), (std::vector<std::string>{"E: ", "F: G: ", "H: "}));
    EXPECT_EQ(rows.column(2), (std::vector<std::string>{englishText(15), englishText(15), englishText(21)}));
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(dialog, IDOK)));

    // Untick start-at-log-on: a notice, then Apply stores it in both places.
    click(dialog, kAutoRunId);
    EXPECT_EQ(answerMessage(program.id(), dialog), notice);
    EXPECT_TRUE(eventually([&] { return IsWindowEnabled(GetDlgItem(dialog, kApplyId)) != FALSE; }));
    click(dialog, kApplyId);
    std::string expected = installed;
    expected[expected.size() - 2] = '_';
    EXPECT_TRUE(eventually([&] { return readRunValue() == expected; })) << readRunValue();
    EXPECT_EQ(readAutoRun(), 0u);
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dialog, kApplyId)));

    // Select the second row with the mouse and remove that disk: the list keeps the others.
    RECT row{};
    ASSERT_TRUE(rows.rowOnScreen(1, row));
    const std::string at = std::to_string((row.left + row.right) / 2) + " " + std::to_string((row.top + row.bottom) / 2);
    ASSERT_NE(SendMessageA(list, LVM_GETSELECTIONMARK, 0, 0), 1);
    ASSERT_TRUE(startHostProgram("\\usr\\bin\\xdotool mousemove " + at + " click 1"));
    EXPECT_TRUE(eventually([&] { return SendMessageA(list, LVM_GETSELECTIONMARK, 0, 0) == 1; }))
        << "the click selects the row";
    // Ticked again before the removal: the removal stores the box as it stands.
    click(dialog, kAutoRunId);
    EXPECT_EQ(answerMessage(program.id(), dialog), notice);
    click(dialog, IDOK);
    EXPECT_EQ(answerMessage(program.id(), dialog), removed);
    EXPECT_TRUE(eventually([&] { return rows.count() == 2; })) << rows.count() << " rows; the active popup is " << GetLastActivePopup(frame) << ", the dialog " << dialog;
    EXPECT_EQ(rows.column(1), (std::vector<std::string>{"E: ", "H: "}));
    EXPECT_EQ(readRunValue(), installed) << "the removal stored the ticked box";
    EXPECT_EQ(readAutoRun(), 1u);

    // Everything pulled by hand: the single row saying so, and Remove unavailable again.
    ASSERT_TRUE(hand.pull(kWdcId));
    ASSERT_TRUE(hand.pull("SCSI\\CDROM&VEN__NEC&PROD_DVD_RW_ND-3540A&REV_1.01\\5&37E1B8A3&0&020"));
    ASSERT_TRUE(OutsideHand::broadcast());
    EXPECT_TRUE(eventually([&] { return rows.column(0) == std::vector<std::string>{noDevices}; }));
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dialog, IDOK)));

    PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
    EXPECT_TRUE(eventually([&] { return !IsWindow(dialog); }));
    closeProgram(program);
}

} // namespace
} // namespace zel::test
