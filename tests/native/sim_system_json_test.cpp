// Machine files: layouts, root files and the "system" section build what the builder
// calls build, and mistakes are reported where they are.
#include "sim_support.h"

#include <gtest/gtest.h>

#include <string>

namespace zel::test {
namespace {

using namespace platform;

TEST(SimSystemJson, LayoutsFilesAndTheSystemSectionBuildWhatTheBuilderBuilds) {
    const char* json = R"({
      "root": {"children": [
        {"instanceId": "SCSI\\DISK\\1", "disk": 1,
         "layout": {"style": "mbr", "types": [66, 7], "driveLayout": {"fails": true}},
         "volumes": [{"letter": "E:", "files": ["IO.SYS", "boot.ini"]}]},
        {"instanceId": "SCSI\\DISK\\2", "disk": 2, "opensForRead": false,
         "layout": {"style": "gpt", "types": ["msftReserved", "{ebd0a0a2-b9e5-4433-87c0-68b6b72699c7}"],
                    "driveLayoutEx": {"returned": 48}}},
        {"instanceId": "SCSI\\DISK\\3", "disk": 3, "layout": {"style": "raw"}}
      ]},
      "volumes": [{"letter": "Z:", "driveType": "remote", "files": ["pagefile.sys"]}],
      "devices": [{"path": "\\\\.\\Tape0", "opensForRead": false, "layout": {"types": [7]}}],
      "system": {
        "version": "5.0", "lcid": 1041,
        "windowsDirectory": "D:\\WINNT", "currentDirectory": null,
        "registry": [
          {"key": "HKLM\\Software\\Maker\\ZelSATA\\Common",
           "values": [{"name": "SearchCode", "data": 64},
                      {"name": "Version", "data": "1.15"},
                      {"name": "Flags", "data": [1, 2]},
                      {"name": "Run", "type": "expandSz", "data": "x\u0000"}]},
          {"key": "HKEY_LOCAL_MACHINE\\Software\\", "writable": false},
          {"key": "HKCU\\Software\\maker\\zelsata\\common", "readable": false}
        ],
        "libraries": ["ZelSATAResUS.dll", {"name": "ZelSearch.dll", "missingExports": ["GetHostList"]}]
      }
    })";
    std::string error;
    const auto parsed = sim::parseMachineJson(json, error);
    ASSERT_TRUE(parsed) << error;

    sim::MachineBuilder b;
    sim::Layout first = sim::Layout::mbr({0x42, 0x07});
    first.driveLayout.fails = true;
    sim::Layout second = sim::Layout::gpt(
        {kPartitionMsftReservedGuid, {0xEBD0A0A2, 0xB9E5, 0x4433, {0x87, 0xC0, 0x68, 0xB6, 0xB7, 0x26, 0x99, 0xC7}}});
    second.driveLayoutEx.returned = 48;
    b.root().child().instanceId("SCSI\\DISK\\1").disk(1).layout(first).volume('E').files({"IO.SYS", "boot.ini"});
    b.root().child().instanceId("SCSI\\DISK\\2").disk(2).layout(second).opensForRead(false);
    b.root().child().instanceId("SCSI\\DISK\\3").disk(3).layout(sim::Layout::raw());
    b.looseVolume('Z', kDriveRemote).files('Z', {"pagefile.sys"});
    sim::DeviceObject tape("\\\\.\\Tape0");
    tape.opensForRead = false;
    tape.layout = sim::Layout::mbr({7});
    b.device(tape);
    b.osVersion(5, 0, 2195).userLcid(0x0411).windowsDirectory("D:\\WINNT").currentDirectory(std::nullopt);
    const std::string common = "Software\\Maker\\ZelSATA\\Common";
    b.registryValue(kHkeyLocalMachine, common, "SearchCode", kRegDword, sim::dwordBytes(64))
        .registryValue(kHkeyLocalMachine, common, "Version", kRegSz, "1.15")
        .registryValue(kHkeyLocalMachine, common, "Flags", kRegBinary, "\x01\x02")
        .registryValue(kHkeyLocalMachine, common, "Run", kRegExpandSz, std::string("x\0", 2))
        .registryAccess(kHkeyLocalMachine, "Software", true, false)
        .registryAccess(kHkeyCurrentUser, "Software\\maker\\zelsata\\common", false, true);
    b.withoutLibrary("ZelSearch.dll").withoutLibrary("ZelSATARes.dll").withoutLibrary("ZelDownLoad.dll");
    b.library("ZelSearch.dll", {"GetHostList"});

    const sim::Machine built = b.build();
    EXPECT_TRUE(parsed->devices == built.devices);
    EXPECT_TRUE(parsed->volumes == built.volumes);
    EXPECT_TRUE(parsed->system.registry == built.system.registry);
    EXPECT_TRUE(parsed->system == built.system);
    EXPECT_TRUE(*parsed == built);

    // A version given with its build keeps it; without, the released build is filled in.
    const auto withBuild = sim::parseMachineJson(R"({"system": {"version": "6.1.7600"}})", error);
    ASSERT_TRUE(withBuild) << error;
    EXPECT_EQ(withBuild->system.version, (OsVersion{6, 1, 7600, kVerPlatformWin32Nt}));
}

TEST(SimSystemJson, MistakesAreReportedWhereTheyAre) {
    const std::pair<const char*, const char*> cases[] = {
        {R"({"system": {"version": "XP"}})", "/system/version: \"XP\" is not a version"},
        {R"({"system": {"registry": [{"key": "HKXX\\Software"}]}})", "/system/registry/0/key: \"HKXX\\Software\" does not start with a hive"},
        {R"({"system": {"registry": [{"key": "HKLM\\\\Software"}]}})", "/system/registry/0/key: \"HKLM\\\\Software\" is not a key path"},
        {R"({"system": {"registry": [{"key": "HKLM\\A", "values": [{"name": "V", "type": "sz", "data": 5}]}]}})",
         "/system/registry/0/values/0/data: a number is data of a dword only"},
        {R"({"root": {"children": [{"disk": 1, "layout": {"style": "gpt", "types": ["{1234}"]}}]}})",
         "/root/children/0/layout/types/0: \"{1234}\" is neither a GUID"},
        {R"({"root": {"children": [{"disk": 1, "layout": {"style": "raw", "types": [7]}}]}})",
         "/root/children/0/layout/types: a raw disk has no partitions"},
        {R"({"root": {"children": [{"disk": 1, "layout": {"style": "mbr", "types": [256]}}]}})",
         "/root/children/0/layout/types/0: expected a partition type byte"},
        {R"({"root": {"children": [{"cdrom": 0, "layout": {}}]}})", "/root/children/0: layout and opensForRead need a disk"},
        {R"({"volumes": [{"letter": "E:", "files": "io.sys"}]})", "/volumes/0/files: expected an array"},
    };
    for (const auto& [json, message] : cases) {
        std::string error;
        EXPECT_FALSE(sim::parseMachineJson(json, error)) << json;
        EXPECT_EQ(error.rfind(message, 0), 0u) << json << "\n  gave: " << error;
    }
}

} // namespace
} // namespace zel::test
