// The real system backend under Wine: registry round trips and the overflow answers of
// RegEnumValueA, named mutexes within a process and across two, version and locale.
#include <zel/platform/library.h>
#include <zel/platform/system.h>

#include <gtest/gtest.h>
#include <windows.h>

#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <type_traits>

namespace zel::platform {
namespace {

struct HandleCloser {
    void operator()(HANDLE h) const {
        if (h != nullptr) CloseHandle(h);
    }
};
using Handle = std::unique_ptr<std::remove_pointer_t<HANDLE>, HandleCloser>;

std::string unique(const char* base) { return std::string(base) + "." + std::to_string(GetCurrentProcessId()); }

struct Value {
    std::uint32_t type;
    std::string data; // dataLength bytes
};

std::map<std::string, Value> allValues(const RegistryKey& key) {
    std::map<std::string, Value> values;
    for (std::uint32_t i = 0;; ++i) {
        char name[256];
        char data[256];
        std::uint32_t nameLength = sizeof name, type = 0, dataLength = sizeof data;
        if (key.enumValue(i, name, nameLength, type, data, dataLength) != kErrorSuccess) break;
        values[name] = {type, std::string(data, dataLength)};
    }
    return values;
}

class Win32Registry : public ::testing::Test {
protected:
    void TearDown() override {
        RegDeleteKeyA(HKEY_LOCAL_MACHINE, path.c_str());
        RegDeleteKeyA(HKEY_LOCAL_MACHINE, "Software\\ZelSATATest");
    }
    const std::string path = "Software\\ZelSATATest\\" + unique("System");
};

TEST_F(Win32Registry, ValuesWrittenWithoutTerminatorsReadBackAndOverflowAsMeasured) {
    RegistryKey key;
    ASSERT_EQ(RegistryKey::create(kHkeyLocalMachine, path.c_str(), kKeyAllAccess, key), kErrorSuccess);
    const std::uint32_t one = 1;
    const unsigned char flag = 1;
    const std::string blob(20, '\x5A');
    ASSERT_EQ(key.setValue("Version", kRegSz, "1.15", 4), kErrorSuccess);
    ASSERT_EQ(key.setValue("AutoRun", kRegDword, &one, 4), kErrorSuccess);
    ASSERT_EQ(key.setValue("Flags", kRegBinary, &flag, 1), kErrorSuccess);
    ASSERT_EQ(key.setValue("Blob", kRegBinary, blob.data(), 20), kErrorSuccess);
    // Another case names the same value: one value, under the name it was created with.
    ASSERT_EQ(key.setValue("VERSION", kRegSz, "2.00", 4), kErrorSuccess);

    // Wine lists values sorted by name (Windows in creation order): compare as a set.
    RegistryKey reader;
    ASSERT_EQ(RegistryKey::open(kHkeyLocalMachine, path.c_str(), kKeyRead, reader), kErrorSuccess);
    auto values = allValues(reader);
    ASSERT_EQ(values.size(), 4u);
    EXPECT_EQ(values["AutoRun"].type, kRegDword);
    EXPECT_EQ(values["AutoRun"].data, std::string("\1\0\0\0", 4));
    EXPECT_EQ(values["Flags"].data, "\x01");
    EXPECT_EQ(values["Blob"].data, blob);
    ASSERT_EQ(values.count("Version"), 1u);
    EXPECT_EQ(values["Version"].type, kRegSz);
    // Wine counts (and writes) a terminator for a string stored without one; Windows
    // reports the four bytes stored.
    EXPECT_EQ(values["Version"].data.substr(0, 4), "2.00");
    EXPECT_TRUE(values["Version"].data.size() == 4 || values["Version"].data == std::string("2.00\0", 5));

    // Find the blob's index, then overflow its data and its name.
    std::uint32_t blobIndex = 0;
    for (;; ++blobIndex) {
        char name[256];
        std::uint32_t nameLength = sizeof name, type = 0, dataLength = 0;
        ASSERT_EQ(reader.enumValue(blobIndex, name, nameLength, type, nullptr, dataLength), kErrorSuccess);
        if (std::strcmp(name, "Blob") == 0) break;
    }
    char name[256];
    char data[16];
    std::memset(name, 'x', sizeof name);
    std::uint32_t nameLength = sizeof name, type = 0, dataLength = sizeof data;
    EXPECT_EQ(reader.enumValue(blobIndex, name, nameLength, type, data, dataLength), kErrorMoreData);
    EXPECT_EQ(dataLength, 20u) << "the size it needs";
    EXPECT_EQ(type, kRegBinary);
    EXPECT_EQ(nameLength, sizeof name) << "the name is not reported";
    EXPECT_EQ(name[0], 'x');

    char shortName[8];
    char big[64];
    nameLength = 4;
    dataLength = sizeof big;
    EXPECT_EQ(reader.enumValue(blobIndex, shortName, nameLength, type, big, dataLength), kErrorMoreData);
    EXPECT_STREQ(shortName, "Blo") << "cut short and terminated";
    EXPECT_EQ(nameLength, 4u);
    nameLength = 5;
    EXPECT_EQ(reader.enumValue(blobIndex, shortName, nameLength, type, big, dataLength), kErrorSuccess)
        << "a name fits with its terminator";
    EXPECT_EQ(nameLength, 4u);

    nameLength = sizeof name;
    dataLength = sizeof data;
    EXPECT_EQ(reader.enumValue(4, name, nameLength, type, data, dataLength), static_cast<std::int32_t>(kErrorNoMoreItems));

    // A key opened for reading cannot be written; missing keys and bad paths are told apart.
    EXPECT_EQ(reader.setValue("AutoRun", kRegDword, &one, 4), kErrorAccessDenied);
    RegistryKey other;
    EXPECT_EQ(RegistryKey::open(kHkeyLocalMachine, (path + "\\Missing").c_str(), kKeyRead, other), kErrorFileNotFound);
    EXPECT_EQ(RegistryKey::open(kHkeyLocalMachine, ("\\" + path).c_str(), kKeyRead, other), kErrorBadPathname);
    EXPECT_FALSE(other);
    EXPECT_EQ(RegistryKey::open(kHkeyLocalMachine, (path + "\\").c_str(), kKeyRead, other), kErrorSuccess)
        << "a trailing separator is ignored";
}

std::int32_t createError(const std::string& name, MutexHandle& handle) {
    std::int32_t error = -1;
    handle = MutexHandle::create(name.c_str(), error);
    return error;
}

TEST(Win32Mutex, NamesCollideWithinTheirNamespaceAndVanishWithTheLastHandle) {
    const std::string name = unique("ZelSATATest.Marker");
    MutexHandle global, again, bare, local;
    EXPECT_EQ(createError("Global\\" + name, global), kErrorSuccess);
    EXPECT_TRUE(global);
    EXPECT_EQ(createError("Global\\" + name, again), kErrorAlreadyExists);
    EXPECT_TRUE(again) << "the existing object is opened";
    // Measured: Wine keeps the global and the session namespace apart; "Local\" is the
    // session's.
    EXPECT_EQ(createError(name, bare), kErrorSuccess);
    EXPECT_EQ(createError("Local\\" + name, local), kErrorAlreadyExists);

    EXPECT_FALSE(global.release()) << "nobody owns a marker";
    global.reset();
    again.reset();
    EXPECT_EQ(createError("Global\\" + name, global), kErrorSuccess) << "gone with its last handle";

    MutexHandle refused;
    EXPECT_EQ(createError("Global\\", refused), kErrorInvalidName);
    EXPECT_FALSE(refused);
    EXPECT_EQ(createError("Global\\A\\B", refused), kErrorPathNotFound);
    EXPECT_FALSE(refused);
}

// Starts the helper holding `name`, runs `check` while it holds it, then lets it go.
void whileAnotherProcessHolds(const std::string& name, void (*check)(const std::string&)) {
    const std::string ready = unique("ZelSATATest.Ready"), release = unique("ZelSATATest.Release");
    const Handle readyEvent(CreateEventA(nullptr, TRUE, FALSE, ready.c_str()));
    const Handle releaseEvent(CreateEventA(nullptr, TRUE, FALSE, release.c_str()));
    ASSERT_TRUE(readyEvent && releaseEvent);

    char directory[MAX_PATH];
    ASSERT_GT(programDirectory(directory, sizeof directory), 0u);
    std::string command = "\"" + std::string(directory) + "system_helper.exe\" hold \"" + name + "\" " + ready + " " + release;
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    ASSERT_TRUE(CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info))
        << GetLastError();
    const Handle process(info.hProcess);
    const Handle thread(info.hThread);

    ASSERT_EQ(WaitForSingleObject(readyEvent.get(), 30000), WAIT_OBJECT_0) << "the helper did not start";
    check(name);
    SetEvent(releaseEvent.get());
    ASSERT_EQ(WaitForSingleObject(process.get(), 30000), WAIT_OBJECT_0);
    DWORD exitCode = 99;
    GetExitCodeProcess(process.get(), &exitCode);
    EXPECT_EQ(exitCode, 0u) << "the helper was the first to create " << name;
}

TEST(Win32Mutex, AMarkerHeldByAnotherProcessExistsUntilThatProcessLetsGo) {
    for (const std::string& name : {unique("Global\\ZelSATATest.Held"), unique("ZelSATATest.Held")}) {
        SCOPED_TRACE(name);
        whileAnotherProcessHolds(name, [](const std::string& held) {
            MutexHandle mine;
            EXPECT_EQ(createError(held, mine), kErrorAlreadyExists);
        });
        MutexHandle after;
        EXPECT_EQ(createError(name, after), kErrorSuccess);
    }
}

// What Wine was told to present: a per-program setting first, then the prefix's own.
std::string wineVersionSetting() {
    for (const char* path : {"Software\\Wine\\AppDefaults\\windows_tests.exe", "Software\\Wine"}) {
        RegistryKey key;
        if (RegistryKey::open(kHkeyCurrentUser, path, kKeyRead, key) != kErrorSuccess) continue;
        for (std::uint32_t i = 0;; ++i) {
            char name[256];
            char data[64] = {};
            std::uint32_t nameLength = sizeof name, type = 0, dataLength = sizeof data - 1;
            const std::int32_t result = key.enumValue(i, name, nameLength, type, data, dataLength);
            if (result == static_cast<std::int32_t>(kErrorNoMoreItems)) break;
            if (result == kErrorSuccess && _stricmp(name, "Version") == 0) return data;
        }
    }
    return "";
}

TEST(Win32System, VersionIsWhatWinePresentsAndTheLocaleFollowsTheEnvironment) {
    OsVersion version;
    ASSERT_TRUE(getOsVersion(version));
    EXPECT_EQ(version.platformId, kVerPlatformWin32Nt);
    const std::map<std::string, OsVersion> known = {
        {"", {6, 1, 7601, 2}}, {"win7", {6, 1, 7601, 2}}, {"winxp", {5, 1, 2600, 2}}, {"win2k", {5, 0, 2195, 2}}};
    const std::string setting = wineVersionSetting();
    const auto expected = known.find(setting);
    if (expected != known.end()) EXPECT_EQ(version, expected->second) << "Wine set to '" << setting << "'";
    else ADD_FAILURE() << "this prefix presents Windows as '" << setting << "'; add it to the table";

    // Wine takes the user's locale from the environment: Japanese only when asked for.
    const char* all = std::getenv("LC_ALL");
    const char* lang = std::getenv("LANG");
    const char* locale = all != nullptr && *all != '\0' ? all : lang != nullptr ? lang : "";
    const bool japanese = std::strncmp(locale, "ja", 2) == 0;
    EXPECT_EQ(getUserDefaultLcid() & 0x3FF, japanese ? 0x11u : 0x09u) << "locale '" << locale << "'";
}

TEST(Win32System, LoadStringReadsTheLibraryItIsGivenAndNeedsRoom) {
    char text[64];
    std::strcpy(text, "untouched");
    EXPECT_EQ(loadString(Library(), 1, text, sizeof text), 0);
    EXPECT_STREQ(text, "") << "no module: no string, not the program's own";
    std::strcpy(text, "untouched");
    const Library user32 = Library::load("user32.dll");
    ASSERT_TRUE(user32);
    EXPECT_EQ(loadString(user32, 1, text, 0), 0);
    EXPECT_STREQ(text, "untouched");

    char directory[MAX_PATH];
    ASSERT_GT(programDirectory(directory, sizeof directory), 0u);
    const Library english = Library::load((std::string(directory) + "ZelSATAResUS.dll").c_str());
    if (!english) GTEST_SKIP() << "no resource library in this build";
    // String 17 is the removal's success notice; the library has no string 0xFFFF.
    EXPECT_GT(loadString(english, 17, text, sizeof text), 0);
    EXPECT_EQ(loadString(english, 17, text, 5), 4);
    EXPECT_EQ(std::strlen(text), 4u);
    EXPECT_EQ(loadString(english, 0xFFFF, text, sizeof text), 0);
}

} // namespace
} // namespace zel::platform
