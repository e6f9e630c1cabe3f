// A whole search through the library's four exports, as the program makes it, on a
// machine decoded from the input. Every record that comes back must end each text field
// inside the field, the count must match the records, and no handle may stay open.
#include "machine_decoder.h"

#include "zelsearch.h"

#include <zel/sim/machine.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>

extern "C" {
std::int32_t Initialization(std::int32_t selector);
std::int32_t GetDeviceCount();
std::int32_t GetDeviceList(std::int32_t index, zel::DeviceRecord* record);
std::int32_t GetHostList(std::int32_t index, zel::HostRecord* record);
}

namespace {

using zel::DeviceRecord;
using zel::HostRecord;

constexpr unsigned char kGarbage = 0xAA; // what a caller's uninitialised record may hold

void require(bool condition) {
    if (!condition) std::abort();
}

template <std::size_t N>
void requireTerminated(const char (&field)[N]) {
    require(std::memchr(field, '\0', N) != nullptr);
}

void checkDevice(const DeviceRecord& r) {
    require(r.valid == 1);
    requireTerminated(r.devicePath);
    requireTerminated(r.driveLetters);
    requireTerminated(r.friendlyName);
    requireTerminated(r.hostDescription);
    requireTerminated(r.parentHardwareId);
    requireTerminated(r.grandparentHardwareId);
    requireTerminated(r.deviceDescription);
    requireTerminated(r.hardwareId);
    requireTerminated(r.instanceSuffix);
    requireTerminated(r.pdoName);
    // Letters are distinct drive letters in ascending order, with a type when present.
    for (std::size_t i = 0; r.driveLetters[i] != '\0'; ++i) {
        require(r.driveLetters[i] >= 'C' && r.driveLetters[i] <= 'Z');
        if (i > 0) require(r.driveLetters[i] > r.driveLetters[i - 1]);
    }
    require((r.driveLetters[0] == '\0') == (r.driveType == 0));
}

void checkHost(const HostRecord& r) {
    require(r.valid == 1);
    requireTerminated(r.hardwareId);
    requireTerminated(r.description);
    requireTerminated(r.pdoName);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider in(data, size);
    zel::fuzz::DecodedMachine decoded = zel::fuzz::decodeMachine(in);
    zel::sim::install(std::move(decoded.machine));
    if (decoded.fault) zel::sim::addFault(*decoded.fault);
    const std::int64_t handles = zel::sim::openHandles().total();

    require(Initialization(decoded.selector) == 1);
    const std::int32_t count = GetDeviceCount();
    require(count >= 0 && count <= zel::kSearchTableSize);

    std::int32_t valid = 0;
    for (std::int32_t index = 0; index < zel::kSearchTableSize; ++index) {
        DeviceRecord record;
        std::memset(&record, kGarbage, sizeof record);
        require(GetDeviceList(index, &record) == 1);
        if (record.valid == 1) {
            checkDevice(record);
            ++valid;
        } else {
            // An empty entry says so in its letters, whatever the caller's bytes were.
            require(record.driveLetters[0] == '\0' && record.driveType == 0);
        }
    }
    require(valid == count);
    // Entries in use run from the start of the table.
    if (count > 0) {
        DeviceRecord last;
        std::memset(&last, 0, sizeof last);
        GetDeviceList(count - 1, &last);
        require(last.valid == 1);
    }
    // Only the index's low eight bits count: 256 + i is entry i, past the table is empty.
    DeviceRecord wrapped{};
    GetDeviceList(256, &wrapped);
    require((wrapped.valid == 1) == (count > 0));
    DeviceRecord outside{};
    GetDeviceList(-1, &outside);
    require(outside.valid == 0);

    for (std::int32_t index = 0; index < zel::kSearchTableSize; ++index) {
        HostRecord record;
        std::memset(&record, kGarbage, sizeof record);
        require(GetHostList(index, &record) == 1);
        if (record.valid == 1) checkHost(record);
        else require(static_cast<std::uint32_t>(record.valid) == 0xAAAAAAAAu); // an empty entry writes nothing
    }
    require(zel::sim::openHandles().total() == handles);
    return 0;
}
