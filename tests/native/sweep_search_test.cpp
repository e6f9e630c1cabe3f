// The search library under the fault sweep: one search and every record read back,
// with each platform call failing in turn. A failure may lose devices, letters or texts,
// never invent them, never leave a handle open and never break the records' form.
#include "sweep_support.h"

#include "zelsearch.h"

#include <zel/platform/library.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <string>

namespace zel::test {
namespace {

struct SearchResult {
    std::int32_t count = -1;
    std::array<DeviceRecord, kSearchTableSize> devices{};
    std::array<HostRecord, kSearchTableSize> hosts{};
};

// Loads the library as the program does, for one search.
class Binding {
public:
    Binding() {
        char path[1024];
        const std::size_t length = platform::programDirectory(path, sizeof path);
        if (length == 0 || length + std::strlen(kSearchLibraryName) >= sizeof path) return;
        std::strcpy(path + length, kSearchLibraryName);
        library_ = platform::Library::load(path);
        initialization = reinterpret_cast<InitializationFn>(library_.symbol("Initialization"));
        getDeviceCount = reinterpret_cast<GetDeviceCountFn>(library_.symbol("GetDeviceCount"));
        getDeviceList = reinterpret_cast<GetDeviceListFn>(library_.symbol("GetDeviceList"));
        getHostList = reinterpret_cast<GetHostListFn>(library_.symbol("GetHostList"));
    }
    bool ready() const { return initialization && getDeviceCount && getDeviceList && getHostList; }

    SearchResult search(std::int32_t selector) const {
        SearchResult result;
        EXPECT_EQ(initialization(selector), 1);
        result.count = getDeviceCount();
        for (int i = 0; i < kSearchTableSize; ++i) EXPECT_EQ(getDeviceList(i, &result.devices[i]), 1);
        for (int i = 0; i < kSearchTableSize; ++i) EXPECT_EQ(getHostList(i, &result.hosts[i]), 1);
        return result;
    }

    InitializationFn initialization = nullptr;
    GetDeviceCountFn getDeviceCount = nullptr;
    GetDeviceListFn getDeviceList = nullptr;
    GetHostListFn getHostList = nullptr;

private:
    platform::Library library_;
};

template <std::size_t N>
std::string text(const char (&field)[N]) {
    return std::string(field, strnlen(field, N));
}

template <std::size_t N>
bool terminated(const char (&field)[N]) {
    return std::memchr(field, '\0', N) != nullptr;
}

// A text a failure may empty but not change.
bool sameOrEmpty(const std::string& faulted, const std::string& clean) { return faulted.empty() || faulted == clean; }

bool isSubset(const std::string& letters, const std::string& of) {
    return std::all_of(letters.begin(), letters.end(), [&](char c) { return of.find(c) != std::string::npos; });
}

// Whether a record read under faults is a possibly poorer reading of the clean one.
bool poorerReading(const DeviceRecord& faulted, const DeviceRecord& clean) {
    return text(faulted.devicePath) == text(clean.devicePath) && faulted.deviceNumber == clean.deviceNumber &&
           isSubset(text(faulted.driveLetters), text(clean.driveLetters)) &&
           (faulted.driveType == clean.driveType || faulted.driveLetters[0] == '\0') &&
           sameOrEmpty(text(faulted.friendlyName), text(clean.friendlyName)) &&
           sameOrEmpty(text(faulted.hostDescription), text(clean.hostDescription)) &&
           sameOrEmpty(text(faulted.parentHardwareId), text(clean.parentHardwareId)) &&
           sameOrEmpty(text(faulted.grandparentHardwareId), text(clean.grandparentHardwareId)) &&
           sameOrEmpty(text(faulted.deviceDescription), text(clean.deviceDescription)) &&
           sameOrEmpty(text(faulted.hardwareId), text(clean.hardwareId)) &&
           sameOrEmpty(text(faulted.instanceSuffix), text(clean.instanceSuffix)) &&
           sameOrEmpty(text(faulted.pdoName), text(clean.pdoName));
}

bool poorerReading(const HostRecord& faulted, const HostRecord& clean) {
    return text(faulted.hardwareId) == text(clean.hardwareId) &&
           sameOrEmpty(text(faulted.description), text(clean.description)) &&
           sameOrEmpty(text(faulted.pdoName), text(clean.pdoName));
}

template <class Record>
bool allZero(const Record& record) {
    const auto* bytes = reinterpret_cast<const unsigned char*>(&record);
    return std::all_of(bytes, bytes + sizeof record, [](unsigned char b) { return b == 0; });
}

// The records in use run from index 0, the rest are untouched zero records, and each
// record in use is a reading of a clean record, in the clean order.
template <class Record>
int expectRunOf(const std::array<Record, kSearchTableSize>& faulted,
                const std::array<Record, kSearchTableSize>& clean, const char* what) {
    int count = 0;
    while (count < kSearchTableSize && faulted[count].valid == 1) ++count;
    std::size_t next = 0; // clean records are matched in order
    for (int i = 0; i < count; ++i) {
        while (next < clean.size() && clean[next].valid == 1 && !poorerReading(faulted[i], clean[next])) ++next;
        EXPECT_TRUE(next < clean.size() && clean[next].valid == 1)
            << what << " " << i << " is no reading of a clean record in order";
        ++next;
    }
    for (int i = count; i < kSearchTableSize; ++i) EXPECT_TRUE(allZero(faulted[i])) << what << " " << i << " past the run";
    return count;
}

void expectWellFormed(const DeviceRecord& record, int index) {
    SCOPED_TRACE("device " + std::to_string(index));
    EXPECT_TRUE(terminated(record.devicePath) && terminated(record.driveLetters) && terminated(record.friendlyName) &&
                terminated(record.hostDescription) && terminated(record.parentHardwareId) &&
                terminated(record.grandparentHardwareId) && terminated(record.deviceDescription) &&
                terminated(record.hardwareId) && terminated(record.instanceSuffix) && terminated(record.pdoName));
    const std::string letters = text(record.driveLetters);
    EXPECT_TRUE(std::is_sorted(letters.begin(), letters.end()) &&
                std::adjacent_find(letters.begin(), letters.end()) == letters.end() &&
                std::all_of(letters.begin(), letters.end(), [](char c) { return c >= 'C' && c <= 'Z'; }))
        << letters;
    EXPECT_TRUE(letters.empty() ? record.driveType == 0 : record.driveType == 3 || record.driveType == 5)
        << letters << " type " << int(record.driveType);
}

TEST(SweepSearch, EveryFailedCallLosesAtMostWhatItCouldNotRead) {
    sim::ScopedMachine scope(sim::defaultMachine());
    constexpr std::int32_t kSelector = 0x40;

    const auto run = [&](Injection* injection) {
        sim::install(sim::defaultMachine());
        const std::int64_t before = sim::openHandles().total();
        SearchResult result;
        {
            Binding binding;
            EXPECT_TRUE(binding.ready());
            if (!binding.ready()) return result;
            const std::int64_t held = sim::openHandles().total(); // the library itself
            if (injection) injection->arm();
            result = binding.search(kSelector);
            if (injection) injection->disarm();
            EXPECT_EQ(sim::openHandles().total(), held) << "a handle is left open by the search";
        }
        EXPECT_EQ(sim::openHandles().total(), before) << "a handle is left open after unloading";
        return result;
    };
    const SearchResult clean = run(nullptr);
    ASSERT_EQ(clean.count, 3) << "two disks and the DVD writer on the card";

    const SweepTally tally = sweep("search", [&](Injection& injection) {
        const SearchResult result = run(&injection);
        const int count = expectRunOf(result.devices, clean.devices, "device");
        EXPECT_EQ(result.count, count) << "the count disagrees with the records";
        for (int i = 0; i < count; ++i) expectWellFormed(result.devices[i], i);
        expectRunOf(result.hosts, clean.hosts, "host");
        for (const HostRecord& host : result.hosts)
            EXPECT_TRUE(terminated(host.hardwareId) && terminated(host.description) && terminated(host.pdoName));
    });
    EXPECT_GT(tally.runsWithFailure, tally.calls * 9 / 10) << "most runs must really fail a call";
}

} // namespace
} // namespace zel::test
