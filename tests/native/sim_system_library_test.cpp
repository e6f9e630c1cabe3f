// Libraries of the simulated system: the table of files in the program's directory,
// missing exports, the resource libraries' strings, and version and locale.
#include "sim_support.h"

#include <zel/platform/library.h>
#include <zel/platform/system.h>

#if defined(ZEL_TEST_HAVE_RES_STRINGS)
#include <res/resource_ids.h>
#include <res/strings.h>
#endif

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace zel::test {
namespace {

using namespace platform;

TEST(SimLibraries, TheTableDecidesWhichFilesLoadAndWhichExportsResolve) {
    sim::ScopedMachine scope(sim::defaultMachine());
    const std::int64_t before = sim::openHandles().modules;
    {
        // A bare name is looked for in the program's directory, without regard to case.
        Library search = Library::load("zelsearch.DLL");
        ASSERT_TRUE(search);
        EXPECT_NE(search.symbol("GetHostList"), nullptr);
        EXPECT_EQ(search.symbol("NoSuchExport"), nullptr);
        EXPECT_EQ(search.symbol(nullptr), nullptr);
        EXPECT_EQ(sim::openHandles().modules, before + 1);
        Library moved = std::move(search);
        EXPECT_FALSE(search);
        EXPECT_EQ(search.symbol("GetHostList"), nullptr);
        EXPECT_EQ(sim::openHandles().modules, before + 1);
    }
    EXPECT_EQ(sim::openHandles().modules, before);

    // The same file with an export missing, then no file at all.
    sim::install(sim::MachineBuilder().library("ZelSearch.dll", {"GetHostList"}).build());
    {
        Library search = Library::load("ZelSearch.dll");
        ASSERT_TRUE(search);
        EXPECT_EQ(search.symbol("GetHostList"), nullptr);
        EXPECT_NE(search.symbol("GetDeviceList"), nullptr);
        // A loaded module keeps the exports it had, whatever the table says later.
        sim::install(sim::MachineBuilder().library("ZelSearch.dll").build());
        EXPECT_EQ(search.symbol("GetHostList"), nullptr);
    }
    sim::install(sim::MachineBuilder().withoutLibrary("zelsearch.dll").library("NoSharedObject.dll").build());
    EXPECT_FALSE(Library::load("ZelSearch.dll"));
    EXPECT_FALSE(Library::load("NoSharedObject.dll")) << "listed, but nothing was built under that name";
    EXPECT_FALSE(Library::load(nullptr));
    EXPECT_EQ(sim::openHandles().modules, before);

    // Faults: the load, or one export.
    sim::install(sim::defaultMachine());
    sim::addFault({sim::Op::loadLibrary, "ZelSearch", 0, 1});
    EXPECT_FALSE(Library::load("ZelSearch.dll"));
    Library search = Library::load("ZelSearch.dll");
    ASSERT_TRUE(search);
    sim::addFault({sim::Op::getProcAddress, "ZelSearch.dll|GetDeviceList", 0, 0});
    EXPECT_EQ(search.symbol("GetDeviceList"), nullptr);
    EXPECT_NE(search.symbol("GetDeviceCount"), nullptr);
    EXPECT_EQ(sim::calls(sim::Op::loadLibrary), 2u);
    EXPECT_EQ(sim::calls(sim::Op::getProcAddress), 2u);
    // Every path asked for is recorded, the failed load's too, until the counts reset.
    EXPECT_EQ(sim::libraryLoads(), (std::vector<std::string>{"ZelSearch.dll", "ZelSearch.dll"}));
    sim::resetCalls();
    EXPECT_TRUE(sim::libraryLoads().empty());
}

TEST(SimLibraries, ResourceLibrariesAnswerTheirStringTables) {
#if !defined(ZEL_TEST_HAVE_RES_STRINGS)
    GTEST_SKIP() << "this build has no string tables";
#else
    sim::ScopedMachine scope(sim::defaultMachine());
    Library english = Library::load("ZelSATAResUS.dll");
    Library japanese = Library::load("ZelSATARes.dll");
    ASSERT_TRUE(english);
    ASSERT_TRUE(japanese);
    EXPECT_EQ(english.symbol("anything"), nullptr) << "resource-only libraries export nothing";

    char text[256];
    const char* removed = res::uiString(res::Language::english, IDS_REMOVE_SUCCEEDED);
    ASSERT_NE(removed, nullptr);
    EXPECT_EQ(loadString(english, IDS_REMOVE_SUCCEEDED, text, sizeof text), static_cast<int>(std::strlen(removed)));
    EXPECT_STREQ(text, removed);
    EXPECT_EQ(loadString(english, 0x10000 + IDS_REMOVE_SUCCEEDED, text, sizeof text), static_cast<int>(std::strlen(removed)))
        << "string ids have 16 bits";
    EXPECT_EQ(loadString(english, IDS_REMOVE_SUCCEEDED, text, 5), 4);
    EXPECT_EQ(std::string(text), std::string(removed, 4));

    // A missing string answers 0 and an empty text; no room answers 0 and writes nothing.
    std::strcpy(text, "untouched");
    EXPECT_EQ(loadString(english, 0xFFFF, text, sizeof text), 0);
    EXPECT_STREQ(text, "");
    std::strcpy(text, "untouched");
    EXPECT_EQ(loadString(english, IDS_REMOVE_SUCCEEDED, text, 0), 0);
    EXPECT_STREQ(text, "untouched");
    EXPECT_EQ(loadString(Library(), IDS_REMOVE_SUCCEEDED, text, sizeof text), 0);

    // Japanese texts are code page 932: cut short, they never end in half a character.
    const char* confirm = res::uiString(res::Language::japanese, IDS_CONFIRM_SYSTEM_DISK);
    ASSERT_NE(confirm, nullptr);
    EXPECT_EQ(loadString(japanese, IDS_CONFIRM_SYSTEM_DISK, text, sizeof text), static_cast<int>(std::strlen(confirm)));
    EXPECT_STREQ(text, confirm);
    const auto lead = [](unsigned char c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); };
    int cutInsideACharacter = 0;
    for (int size = 1; size <= static_cast<int>(std::strlen(confirm)); ++size) {
        const int n = loadString(japanese, IDS_CONFIRM_SYSTEM_DISK, text, size);
        ASSERT_LE(n, size - 1);
        ASSERT_EQ(std::string(text), std::string(confirm, n)) << size;
        // The characters before the cut, walked from the start.
        int at = 0;
        while (at < n) at += lead(static_cast<unsigned char>(confirm[at])) ? 2 : 1;
        ASSERT_EQ(at, n) << "ends inside a character at size " << size;
        if (n == size - 2) ++cutInsideACharacter;
        else ASSERT_EQ(n, size - 1);
    }
    EXPECT_GT(cutInsideACharacter, 0) << "the text has two-byte characters to cut";

    // Counted and faultable like every call.
    EXPECT_EQ(sim::calls(sim::Op::loadString), static_cast<std::uint64_t>(7 + std::strlen(confirm)));
    sim::addFault({sim::Op::loadString, "ZelSATAResUS.dll|17", 0, 1});
    EXPECT_EQ(loadString(english, IDS_REMOVE_SUCCEEDED, text, sizeof text), 0);
#endif
}

TEST(SimSystem, VersionAndLocaleComeFromTheModel) {
    sim::ScopedMachine scope(sim::defaultMachine());
    OsVersion version;
    ASSERT_TRUE(getOsVersion(version));
    EXPECT_EQ(version, (OsVersion{5, 1, 2600, kVerPlatformWin32Nt})) << "Windows XP";
    EXPECT_EQ(getUserDefaultLcid(), 0x0409u);

    sim::install(sim::MachineBuilder().osVersion(5, 0, 2195).userLcid(0x0411).build());
    ASSERT_TRUE(getOsVersion(version));
    EXPECT_EQ(version, (OsVersion{5, 0, 2195, kVerPlatformWin32Nt})) << "Windows 2000";
    EXPECT_EQ(getUserDefaultLcid(), 0x0411u);

    sim::addFault({sim::Op::getVersion, "", 0, 1});
    sim::addFault({sim::Op::getUserDefaultLcid, "", 0, 1});
    OsVersion untouched{9, 9, 9, 9};
    EXPECT_FALSE(getOsVersion(untouched));
    EXPECT_EQ(untouched, (OsVersion{9, 9, 9, 9}));
    EXPECT_EQ(getUserDefaultLcid(), 0u) << "a failure is the neutral language, never Japanese";
}

} // namespace
} // namespace zel::test
