// The settings store: exact-name reads of raw bytes, and writes of each kind.
#include "app_fixture.h"

#include <cstring>

namespace zel::test {
namespace {

using app::kSettingsKey;
using app::ReadSetting;
using app::WriteSetting;
using platform::kHkeyLocalMachine;
using platform::kRegBinary;
using platform::kRegDword;
using platform::kRegSz;

class Settings : public AppTest {};

TEST_F(Settings, ReadFindsOnlyTheExactNameWithDataThatFits) {
    sim::Machine machine = sim::defaultMachine();
    setValue(machine, kSettingsKey, "Home", kRegSz, std::string(40, 'h'));
    setValue(machine, kSettingsKey, "autorun", kRegDword, sim::dwordBytes(1));
    setValue(machine, kSettingsKey, "Version", kRegSz, "1.15");
    setValue(machine, kSettingsKey, "Date", kRegSz, "2026/12/8 and a long tail");
    setValue(machine, kSettingsKey, "AutoUpDate", kRegDword, sim::dwordBytes(0x101));
    sim::ScopedMachine installed(machine);

    char version[16];
    std::memset(version, 'x', sizeof version);
    ReadSetting(kHkeyLocalMachine, kSettingsKey, "Version", version, sizeof version);
    EXPECT_EQ(std::string(version, 16), std::string("1.15") + std::string(12, '\0')) << "data then zeros";

    unsigned char flag[4] = {9, 9, 9, 9};
    ReadSetting(kHkeyLocalMachine, kSettingsKey, "AutoRun", flag, sizeof flag);
    EXPECT_EQ(flag[0], 9) << "\"autorun\" is not \"AutoRun\": the destination stays";

    char date[16] = {};
    ReadSetting(kHkeyLocalMachine, kSettingsKey, "Date", date, sizeof date);
    EXPECT_EQ(date[0], '\0') << "25 bytes do not fit 16: not found";

    unsigned char update[4] = {};
    ReadSetting(kHkeyLocalMachine, kSettingsKey, "AutoUpDate", update, sizeof update);
    EXPECT_EQ(update[0], 1);
    EXPECT_EQ(update[1], 1) << "raw bytes, whatever the reader makes of them";

    unsigned char missing[4] = {7, 7, 7, 7};
    ReadSetting(kHkeyLocalMachine, "Software\\Nobody", "AutoRun", missing, sizeof missing);
    EXPECT_EQ(missing[0], 7);
    EXPECT_EQ(sim::openHandles().keys, 0);
}

TEST_F(Settings, ReadSkipsValuesWhoseNamesOrDataDoNotFitAndStopsOnAKeyThatKeepsFailing) {
    sim::Machine machine = sim::defaultMachine();
    setValue(machine, kSettingsKey, std::string(300, 'N').c_str(), kRegSz, "x");
    setValue(machine, kSettingsKey, "Big", kRegBinary, std::string(600, 'b'));
    setValue(machine, kSettingsKey, "SearchCode", kRegDword, sim::dwordBytes(0x44));
    sim::ScopedMachine installed(machine);
    unsigned char code[4] = {};
    ReadSetting(kHkeyLocalMachine, kSettingsKey, "SearchCode", code, sizeof code);
    EXPECT_EQ(code[0], 0x44);

    sim::addFault({sim::Op::regEnumValue, "", 0, 0});
    unsigned char untouched[4] = {5, 5, 5, 5};
    ReadSetting(kHkeyLocalMachine, kSettingsKey, "SearchCode", untouched, sizeof untouched);
    EXPECT_EQ(untouched[0], 5);
    EXPECT_LT(sim::calls(sim::Op::regEnumValue), 200u) << "gave up on a key that keeps failing";
    EXPECT_EQ(sim::openHandles().keys, 0);
}

TEST_F(Settings, ReadOfZeroBytesLeavesTheDestinationAlone) {
    sim::Machine machine = sim::defaultMachine();
    setValue(machine, kSettingsKey, "Empty", kRegBinary, "");
    setValue(machine, kSettingsKey, "SearchCode", kRegDword, sim::dwordBytes(0x44));
    sim::ScopedMachine installed(machine);
    // No data buffer to copy from: whatever the value holds, nothing is written.
    unsigned char flag = 9;
    ReadSetting(kHkeyLocalMachine, kSettingsKey, "Empty", &flag, 0);
    ReadSetting(kHkeyLocalMachine, kSettingsKey, "SearchCode", &flag, 0);
    EXPECT_EQ(flag, 9);
    EXPECT_EQ(sim::openHandles().keys, 0);
}

TEST_F(Settings, WriteCreatesTheKeyAndStoresEachKind) {
    sim::ScopedMachine installed(sim::defaultMachine());
    const unsigned char one = 1;
    const char home[] = "http://example.org/zelsata/";
    WriteSetting(kHkeyLocalMachine, app::SETTING_STRING, kSettingsKey, "Home", home, std::strlen(home));
    WriteSetting(kHkeyLocalMachine, app::SETTING_DWORD, kSettingsKey, "AutoRun", &one, 77);
    WriteSetting(kHkeyLocalMachine, app::SETTING_BYTE, kSettingsKey, "Flag", &one, 77);
    WriteSetting(kHkeyLocalMachine, 9, kSettingsKey, "Other", &one, 77);

    const sim::RegistryValue* value = installedValue(kSettingsKey, "Home");
    ASSERT_NE(value, nullptr);
    EXPECT_EQ(value->type, kRegSz);
    EXPECT_EQ(value->data, home) << "no terminating zero";
    value = installedValue(kSettingsKey, "AutoRun");
    ASSERT_NE(value, nullptr);
    EXPECT_EQ(value->type, kRegDword);
    EXPECT_EQ(value->data, sim::dwordBytes(1));
    for (const char* name : {"Flag", "Other"}) {
        value = installedValue(kSettingsKey, name);
        ASSERT_NE(value, nullptr) << name;
        EXPECT_EQ(value->type, kRegBinary) << name;
        EXPECT_EQ(value->data, std::string(1, '\1')) << name;
    }
    EXPECT_EQ(sim::openHandles().keys, 0);
}

TEST_F(Settings, WriteWithoutRightsChangesNothing) {
    sim::Machine machine = sim::defaultMachine();
    setValue(machine, kSettingsKey, "AutoRun", kRegDword, sim::dwordBytes(0));
    key(machine, "Software\\Ondel").writable = false;
    sim::ScopedMachine installed(machine);
    const unsigned char one = 1;
    WriteSetting(kHkeyLocalMachine, app::SETTING_DWORD, kSettingsKey, "AutoRun", &one, 4);
    EXPECT_EQ(installedValue(kSettingsKey, "AutoRun")->data, sim::dwordBytes(0));
    EXPECT_EQ(sim::openHandles().keys, 0);
}

} // namespace
} // namespace zel::test
