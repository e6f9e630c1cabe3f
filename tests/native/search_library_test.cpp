// The library as its callers see it: loaded by file name, four exports, fixed
// records, and nothing left open whatever the machine does.
#include "search_fixture.h"

#include <zel/platform/library.h>

#include <cstring>

namespace zel::test {
namespace {

class SearchLibrary : public ::testing::Test {
protected:
    void SetUp() override {
        char path[1024];
        const std::size_t length = platform::programDirectory(path, sizeof path);
        ASSERT_GT(length, 0u);
        std::strcpy(path + length, kSearchLibraryName);
        library = platform::Library::load(path);
        ASSERT_TRUE(library) << path;
        initialization = reinterpret_cast<InitializationFn>(library.symbol("Initialization"));
        getDeviceCount = reinterpret_cast<GetDeviceCountFn>(library.symbol("GetDeviceCount"));
        getDeviceList = reinterpret_cast<GetDeviceListFn>(library.symbol("GetDeviceList"));
        getHostList = reinterpret_cast<GetHostListFn>(library.symbol("GetHostList"));
        ASSERT_TRUE(initialization && getDeviceCount && getDeviceList && getHostList);
        held = sim::openHandles().total(); // the library itself, a module handle
    }

    DeviceRecord device(std::int32_t index) {
        DeviceRecord record{};
        EXPECT_EQ(getDeviceList(index, &record), 1);
        return record;
    }

    int hostCount() {
        int count = 0;
        for (int i = 0; i < kSearchTableSize; ++i) {
            HostRecord record{};
            EXPECT_EQ(getHostList(i, &record), 1);
            count += record.valid == 1;
        }
        return count;
    }

    platform::Library library;
    InitializationFn initialization = nullptr;
    GetDeviceCountFn getDeviceCount = nullptr;
    GetDeviceListFn getDeviceList = nullptr;
    GetHostListFn getHostList = nullptr;
    std::int64_t held = 0;
};

// Two disks and a DVD writer on a SATA card, the system disk on the board.
sim::Machine cardMachine() {
    Pc pc;
    auto card = pc.card(kSil3512, "SiI 3512 SATALink Controller");
    Pc::disk(card, 1, "DISK ONE").volume('E');
    Pc::disk(card, 2, "DISK TWO").volume('F').volume('G');
    Pc::cdrom(card, 0, "DVD WRITER").volume('H');
    return pc.build();
}

TEST_F(SearchLibrary, FreshlyLoadedLibraryHasNoResults) {
    sim::ScopedMachine machine(cardMachine());
    EXPECT_EQ(getDeviceCount(), 0);
    const DeviceRecord zero{};
    const DeviceRecord record = device(0);
    EXPECT_EQ(std::memcmp(&record, &zero, sizeof zero), 0);
    EXPECT_EQ(hostCount(), 0);
}

TEST_F(SearchLibrary, IndexesUseTheirLowByteAndEmptyEntriesTouchOnlyTheLetterBytes) {
    sim::ScopedMachine machine(cardMachine());
    ASSERT_EQ(initialization(0x40), 1);
    EXPECT_EQ(getDeviceCount(), 3);
    EXPECT_STREQ(device(0).friendlyName, "DISK ONE");
    EXPECT_STREQ(device(256).friendlyName, "DISK ONE");
    EXPECT_STREQ(device(-255).friendlyName, "DISK TWO") << "0xFFFFFF01 is index 1";
    EXPECT_STREQ(device(2).driveLetters, "H");

    for (std::int32_t index : {3, 25, 26, 255}) {
        DeviceRecord record;
        std::memset(&record, 0xAA, sizeof record);
        EXPECT_EQ(getDeviceList(index, &record), 1);
        const auto* bytes = reinterpret_cast<const unsigned char*>(&record);
        for (std::size_t i = 0; i < sizeof record; ++i) {
            const unsigned char expected = (i == 5 || i == 38) ? 0 : 0xAA;
            ASSERT_EQ(bytes[i], expected) << "index " << index << " byte " << i;
        }
    }
    HostRecord host;
    std::memset(&host, 0xAA, sizeof host);
    EXPECT_EQ(getHostList(1, &host), 1);
    EXPECT_EQ(host.valid, static_cast<std::int32_t>(0xAAAAAAAA));
    EXPECT_EQ(getHostList(256, &host), 1);
    EXPECT_EQ(host.valid, 1);

    EXPECT_EQ(getDeviceList(0, nullptr), 1) << "a null record is ignored";
    EXPECT_EQ(getHostList(0, nullptr), 1);
}

TEST_F(SearchLibrary, EachSearchReplacesTheLastButALostRootKeepsTheHosts) {
    sim::ScopedMachine machine(cardMachine());
    initialization(0x40);
    EXPECT_EQ(getDeviceCount(), 3);
    EXPECT_EQ(hostCount(), 1);

    initialization(0x00);
    EXPECT_EQ(getDeviceCount(), 0);
    EXPECT_EQ(device(0).valid, 0);
    EXPECT_EQ(hostCount(), 0);

    initialization(0x40);
    sim::addFault({sim::Op::cmLocateRoot, "", 0, 0});
    initialization(0x40);
    EXPECT_EQ(getDeviceCount(), 0) << "the device table is cleared first";
    EXPECT_EQ(hostCount(), 1) << "the host table is kept when the root cannot be found";
}

// Runs the caller's whole sequence: one search, then 26 reads.
int fullSearch(InitializationFn initialization, GetDeviceListFn getDeviceList) {
    initialization(0x40);
    int valid = 0;
    for (int i = 0; i < kSearchTableSize; ++i) {
        DeviceRecord record{};
        getDeviceList(i, &record);
        valid += record.valid == 1;
    }
    return valid;
}

TEST_F(SearchLibrary, InjectedFailuresLoseOnlyWhatTheyTouchAndLeaveNothingOpen) {
    struct Case {
        sim::Fault fault;
        int expected; // devices found
    };
    const Case cases[] = {
        {{sim::Op::cmLocateRoot, "", 0, 0}, 0},
        {{sim::Op::cmGetChild, "PCI\\VEN_1095", 0, 0}, 0},           // the card's children
        {{sim::Op::cmGetProperty, "PCI\\VEN_1095", 0, 0}, 0},        // the card's hardware IDs
        {{sim::Op::cmGetProperty, "DISK ONE", 0, 0}, 3},             // a disk's texts only
        {{sim::Op::setupGetClassDevs, "disk", 0, 0}, 1},             // only the DVD writer
        {{sim::Op::setupGetClassDevs, "cdrom", 0, 0}, 2},
        {{sim::Op::setupEnumInterface, "disk", 0, 0}, 1},
        {{sim::Op::setupEnumDeviceInfo, "", 0, 0}, 0},
        {{sim::Op::setupInterfaceDetail, "", 0, 0}, 0},
        {{sim::Op::createFile, "PhysicalDrive2", 0, 0}, 2},
        {{sim::Op::createFile, "", 0, 0}, 0},
        {{sim::Op::deviceIoControl, "", 0, 0}, 0},
        {{sim::Op::getLogicalDrives, "", 0, 0}, 2},                  // no CD-ROM volume probed
        {{sim::Op::getDriveType, "", 0, 0}, 2},
        {{sim::Op::any, "", 0, 0}, 0},
    };
    for (const Case& c : cases) {
        sim::ScopedMachine machine(cardMachine());
        sim::addFault(c.fault);
        EXPECT_EQ(fullSearch(initialization, getDeviceList), c.expected)
            << sim::opName(c.fault.op) << " " << c.fault.subject;
        EXPECT_EQ(sim::openHandles().total(), held) << sim::opName(c.fault.op);
    }

    // Every single call of a whole search made to fail in turn.
    sim::ScopedMachine machine(cardMachine());
    fullSearch(initialization, getDeviceList);
    const std::uint64_t total = sim::totalCalls();
    ASSERT_GT(total, 100u);
    for (std::uint64_t k = 0; k < total; ++k) {
        sim::ScopedMachine again(cardMachine());
        sim::addFault({sim::Op::any, "", static_cast<std::uint32_t>(k), 1});
        const int found = fullSearch(initialization, getDeviceList);
        ASSERT_LE(found, 3) << "call " << k;
        ASSERT_EQ(sim::openHandles().total(), held) << "call " << k;
    }
}

} // namespace
} // namespace zel::test
