// The simulated registry through the platform calls: enumeration order, the overflow
// answers of RegEnumValueA, writes, key creation along a path, and users without rights.
#include "sim_support.h"

#include <zel/platform/system.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace zel::test {
namespace {

using namespace platform;

constexpr const char* kSettings = "Software\\Maker\\ZelSATA\\Common";

struct Enumerated {
    std::int32_t result;
    std::string name; // the name buffer up to its first zero
    std::uint32_t nameLength;
    std::uint32_t type;
    std::string data; // the whole data buffer
    std::uint32_t dataLength;
};

Enumerated enumerate(const RegistryKey& key, std::uint32_t index, std::uint32_t nameSize = 256,
                     std::uint32_t dataSize = 16) {
    char name[300];
    std::memset(name, 'x', sizeof name);
    name[sizeof name - 1] = '\0';
    char data[300];
    std::memset(data, '#', sizeof data);
    Enumerated e{};
    e.nameLength = nameSize;
    e.dataLength = dataSize;
    e.type = 99;
    e.result = key.enumValue(index, name, e.nameLength, e.type, data, e.dataLength);
    e.name = name;
    e.data.assign(data, dataSize);
    return e;
}

std::vector<std::string> names(const RegistryKey& key) {
    std::vector<std::string> out;
    for (std::uint32_t i = 0;; ++i) {
        const Enumerated e = enumerate(key, i, 256, 256);
        if (e.result != kErrorSuccess) break;
        out.push_back(e.name);
    }
    return out;
}

sim::Machine settingsMachine() {
    sim::MachineBuilder b;
    b.registryValue(kHkeyLocalMachine, kSettings, "Version", kRegSz, "1.15")
        .registryValue(kHkeyLocalMachine, kSettings, "AutoRun", kRegDword, sim::dwordBytes(1))
        .registryValue(kHkeyLocalMachine, kSettings, "Home", kRegSz, "http://example.invalid/zelsata/index.html");
    return b.build();
}

TEST(SimRegistry, ValuesEnumerateInCreationOrderAndOverwritesKeepTheirPlace) {
    sim::ScopedMachine scope(settingsMachine());
    RegistryKey key;
    ASSERT_EQ(RegistryKey::create(kHkeyLocalMachine, kSettings, kKeyAllAccess, key), kErrorSuccess);
    EXPECT_EQ(names(key), (std::vector<std::string>{"Version", "AutoRun", "Home"}));

    // Another case names the same value: replaced in place, its first name kept.
    ASSERT_EQ(key.setValue("VERSION", kRegSz, "2.00", 4), kErrorSuccess);
    ASSERT_EQ(key.setValue("Date", kRegSz, "2007/3/9", 8), kErrorSuccess);
    EXPECT_EQ(names(key), (std::vector<std::string>{"Version", "AutoRun", "Home", "Date"}));

    const Enumerated version = enumerate(key, 0);
    EXPECT_EQ(version.result, kErrorSuccess);
    EXPECT_EQ(version.nameLength, 7u);
    EXPECT_EQ(version.type, kRegSz);
    EXPECT_EQ(version.dataLength, 4u) << "the stored bytes, no terminator added";
    EXPECT_EQ(version.data.substr(0, 5), "2.00#");

    const Enumerated autoRun = enumerate(key, 1);
    EXPECT_EQ(autoRun.type, kRegDword);
    EXPECT_EQ(autoRun.data.substr(0, 4), std::string("\1\0\0\0", 4));

    // The model holds what was written, for tests to inspect.
    const sim::RegistryKeyData* stored = sim::findKey(sim::current(), kHkeyLocalMachine, "software\\maker\\zelsata\\common\\");
    ASSERT_NE(stored, nullptr);
    ASSERT_NE(sim::findValue(*stored, "date"), nullptr);
    EXPECT_EQ(sim::findValue(*stored, "date")->data, "2007/3/9");
    EXPECT_EQ(sim::findValue(*stored, "Missing"), nullptr);
}

TEST(SimRegistry, EnumerationOverflowAnswersAsWindowsDoes) {
    sim::ScopedMachine scope(settingsMachine());
    RegistryKey key;
    ASSERT_EQ(RegistryKey::open(kHkeyLocalMachine, kSettings, kKeyRead, key), kErrorSuccess);

    // A name fits with its terminator, and not one character less.
    EXPECT_EQ(enumerate(key, 0, 8).result, kErrorSuccess);
    const Enumerated shortName = enumerate(key, 0, 7);
    EXPECT_EQ(shortName.result, kErrorMoreData);
    EXPECT_EQ(shortName.name, "Versio") << "cut short and terminated";
    EXPECT_EQ(shortName.nameLength, 7u) << "the length given stays";
    EXPECT_EQ(shortName.type, kRegSz);
    EXPECT_EQ(shortName.dataLength, 4u);
    EXPECT_EQ(enumerate(key, 0, 0).result, kErrorMoreData);

    // Data that does not fit: its size and type are told, the name buffer stays untouched.
    const Enumerated longData = enumerate(key, 2, 256, 16);
    EXPECT_EQ(longData.result, kErrorMoreData);
    EXPECT_EQ(longData.dataLength, 41u);
    EXPECT_EQ(longData.type, kRegSz);
    EXPECT_EQ(longData.name.substr(0, 4), "xxxx");
    EXPECT_EQ(longData.nameLength, 256u);
    EXPECT_EQ(longData.data, std::string(16, '#'));
    EXPECT_EQ(enumerate(key, 2, 256, 41).result, kErrorSuccess) << "exactly the data's size suffices";
    EXPECT_EQ(enumerate(key, 1, 256, 3).dataLength, 4u);

    // Past the end nothing is touched.
    const Enumerated end = enumerate(key, 3);
    EXPECT_EQ(end.result, static_cast<std::int32_t>(kErrorNoMoreItems));
    EXPECT_EQ(end.type, 99u);
    EXPECT_EQ(end.dataLength, 16u);
    EXPECT_EQ(end.name.substr(0, 4), "xxxx");

    // Without a data buffer only the size is asked for.
    char name[16];
    std::uint32_t nameLength = sizeof name, type = 0, dataLength = 0;
    EXPECT_EQ(key.enumValue(2, name, nameLength, type, nullptr, dataLength), kErrorSuccess);
    EXPECT_EQ(dataLength, 41u);
    EXPECT_STREQ(name, "Home");
}

TEST(SimRegistry, CreateMakesTheWholePathAndOpenFindsItWithoutRegardToCase) {
    sim::ScopedMachine scope(sim::MachineBuilder().build());
    RegistryKey key;
    EXPECT_EQ(RegistryKey::open(kHkeyLocalMachine, kSettings, kKeyRead, key), kErrorFileNotFound);
    EXPECT_FALSE(key);
    ASSERT_EQ(RegistryKey::create(kHkeyLocalMachine, kSettings, kKeyAllAccess, key), kErrorSuccess);
    ASSERT_EQ(key.setValue("SearchCode", kRegDword, "\x40\0\0\0", 4), kErrorSuccess);
    key.reset();

    for (const char* path : {"Software", "SOFTWARE\\maker", "software\\maker\\zelsata\\common\\"}) {
        RegistryKey found;
        EXPECT_EQ(RegistryKey::open(kHkeyLocalMachine, path, kKeyRead, found), kErrorSuccess) << path;
        EXPECT_TRUE(found) << path;
    }
    RegistryKey other;
    EXPECT_EQ(RegistryKey::open(kHkeyCurrentUser, kSettings, kKeyRead, other), kErrorFileNotFound)
        << "hives are apart";
    EXPECT_EQ(RegistryKey::open(kHkeyLocalMachine, "\\Software", kKeyRead, other), kErrorBadPathname);
    EXPECT_EQ(RegistryKey::open(0x12345, "Software", kKeyRead, other), kErrorInvalidHandle);
    EXPECT_EQ(RegistryKey::open(kHkeyLocalMachine, "Software\\Maker\\ZelSATA\\Commo", kKeyRead, other),
              kErrorFileNotFound)
        << "a prefix of a component is not a key";

    // Creating an existing key opens it, values and all.
    ASSERT_EQ(RegistryKey::create(kHkeyLocalMachine, "SOFTWARE\\MAKER\\ZELSATA\\COMMON", kKeyAllAccess, key),
              kErrorSuccess);
    EXPECT_EQ(names(key), std::vector<std::string>{"SearchCode"});
    EXPECT_EQ(sim::current().system.registry.size(), 1u);

    // A value with no name is the key's default value; a data length of 0 stores nothing.
    EXPECT_EQ(key.setValue(nullptr, kRegSz, nullptr, 0), kErrorSuccess);
    EXPECT_EQ(enumerate(key, 1).dataLength, 0u);
    EXPECT_EQ(key.setValue("x", kRegSz, nullptr, 3), kErrorInvalidParameter);
}

TEST(SimRegistry, UsersWithoutRightsAreDeniedAndKeysOpenedForReadingCannotWrite) {
    sim::MachineBuilder b;
    b.registryValue(kHkeyLocalMachine, kSettings, "AutoRun", kRegDword, sim::dwordBytes(1))
        .registryAccess(kHkeyLocalMachine, "Software", true, false)
        .registryAccess(kHkeyLocalMachine, "Software\\Secret", false, true);
    sim::ScopedMachine scope(b.build());

    RegistryKey key;
    // Reading under the unwritable key works; any write access, or creating, does not.
    ASSERT_EQ(RegistryKey::open(kHkeyLocalMachine, kSettings, kKeyRead, key), kErrorSuccess);
    EXPECT_EQ(key.setValue("AutoRun", kRegDword, "\0\0\0\0", 4), kErrorAccessDenied);
    EXPECT_EQ(enumerate(key, 0).data.substr(0, 4), std::string("\1\0\0\0", 4)) << "the old value stands";
    RegistryKey writer;
    EXPECT_EQ(RegistryKey::create(kHkeyLocalMachine, kSettings, kKeyAllAccess, writer), kErrorAccessDenied);
    EXPECT_EQ(RegistryKey::create(kHkeyLocalMachine, "Software\\New", kKeyAllAccess, writer), kErrorAccessDenied);
    EXPECT_EQ(RegistryKey::open(kHkeyLocalMachine, kSettings, kKeyAllAccess, writer), kErrorAccessDenied);
    EXPECT_FALSE(writer);
    EXPECT_EQ(sim::findKey(sim::current(), kHkeyLocalMachine, "Software\\New"), nullptr);

    // Outside the unwritable key writing works.
    EXPECT_EQ(RegistryKey::create(kHkeyCurrentUser, kSettings, kKeyAllAccess, writer), kErrorSuccess);

    // An unreadable key does not open at all.
    EXPECT_EQ(RegistryKey::open(kHkeyLocalMachine, "Software\\Secret\\Inner", kKeyRead, writer), kErrorAccessDenied);

    // Enumerating needs the right to query values.
    RegistryKey setOnly;
    ASSERT_EQ(RegistryKey::open(kHkeyCurrentUser, kSettings, kKeySetValue, setOnly), kErrorSuccess);
    EXPECT_EQ(enumerate(setOnly, 0).result, kErrorAccessDenied);
}

TEST(SimRegistry, KeysAreCountedFaultableAndGoneWithTheirMachine) {
    sim::ScopedMachine scope(settingsMachine());
    const std::int64_t before = sim::openHandles().keys;
    {
        RegistryKey a, b;
        ASSERT_EQ(RegistryKey::open(kHkeyLocalMachine, kSettings, kKeyRead, a), kErrorSuccess);
        ASSERT_EQ(RegistryKey::open(kHkeyLocalMachine, kSettings, kKeyRead, b), kErrorSuccess);
        EXPECT_EQ(sim::openHandles().keys, before + 2);
        b = std::move(a); // closes b's own key
        EXPECT_EQ(sim::openHandles().keys, before + 1);
        EXPECT_FALSE(a);
        EXPECT_EQ(a.setValue("x", kRegSz, "x", 1), kErrorInvalidHandle);
        // Opening into a key that holds one closes the old one first.
        ASSERT_EQ(RegistryKey::open(kHkeyLocalMachine, "Software", kKeyRead, b), kErrorSuccess);
        EXPECT_EQ(sim::openHandles().keys, before + 1);
    }
    EXPECT_EQ(sim::openHandles().keys, before);

    EXPECT_EQ(sim::calls(sim::Op::regOpenKey), 3u);
    sim::addFault({sim::Op::regOpenKey, "HKLM\\Software\\Maker", 0, 1});
    RegistryKey key;
    EXPECT_EQ(RegistryKey::open(kHkeyLocalMachine, kSettings, kKeyRead, key), kErrorAccessDenied);
    ASSERT_EQ(RegistryKey::open(kHkeyLocalMachine, kSettings, kKeyRead, key), kErrorSuccess);
    sim::addFault({sim::Op::regEnumValue, "", 1, 1});
    EXPECT_EQ(enumerate(key, 0).result, kErrorSuccess);
    EXPECT_EQ(enumerate(key, 0).result, kErrorAccessDenied);
    EXPECT_EQ(enumerate(key, 0).result, kErrorSuccess);
    RegistryKey writer;
    ASSERT_EQ(RegistryKey::create(kHkeyLocalMachine, kSettings, kKeyAllAccess, writer), kErrorSuccess);
    sim::addFault({sim::Op::regSetValue, "|AutoRun", 0, 0});
    EXPECT_EQ(writer.setValue("AutoRun", kRegDword, "\0\0\0\0", 4), kErrorAccessDenied);
    EXPECT_EQ(writer.setValue("Date", kRegSz, "2007/3/9", 8), kErrorSuccess);

    // A machine without the key: the open handle finds it deleted.
    sim::install(sim::MachineBuilder().build());
    EXPECT_EQ(enumerate(key, 0).result, kErrorKeyDeleted);
}

} // namespace
} // namespace zel::test
