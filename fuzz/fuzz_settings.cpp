// Exact-name setting reads over random registry contents: value names and data of any
// length, destinations of any size, keys that cannot be read, enumeration failures.
// The destination is an exactly-sized heap block, so any write past it is caught.
#include "settings.h"

#include <zel/sim/machine.h>

#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace {

using namespace zel;

constexpr unsigned char kUntouched = 0xA5;
constexpr const char* kOtherKey = "Software\\Ondel\\ZelSATA";

void require(bool condition) {
    if (!condition) std::abort();
}

// The value the read should copy: the first whose name is exactly `name` (the enumeration
// hands back names up to 255 characters) and whose data fits the destination.
std::optional<std::string> expectedData(const sim::RegistryKeyData& key, const std::string& name,
                                        std::uint32_t length) {
    for (const sim::RegistryValue& value : key.values) {
        if (value.data.size() > length || value.name.size() > 255) continue;
        if (std::strcmp(value.name.c_str(), name.c_str()) == 0) return value.data;
    }
    return std::nullopt;
}

std::string nameFrom(FuzzedDataProvider& in, const std::vector<sim::RegistryValue>& values) {
    if (!values.empty() && in.ConsumeBool()) {
        std::string name = values[in.ConsumeIntegralInRange<std::size_t>(0, values.size() - 1)].name;
        if (!name.empty() && in.ConsumeBool()) name[0] ^= 0x20; // another case
        return name;
    }
    switch (in.ConsumeIntegralInRange(0, 3)) {
    case 0: return app::kSearchCode;
    case 1: return app::kAutoRun;
    case 2: return std::string(in.ConsumeIntegralInRange<std::size_t>(250, 300), 'N');
    default: return in.ConsumeRandomLengthString(64);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider in(data, size);

    sim::RegistryKeyData key{platform::kHkeyLocalMachine, in.ConsumeBool() ? app::kSettingsKey : kOtherKey,
                             {}, true, true};
    key.readable = in.ConsumeIntegralInRange(0, 7) != 0;
    const int values = in.ConsumeIntegralInRange(0, 24);
    for (int i = 0; i < values; ++i) {
        sim::RegistryValue value;
        value.name = in.ConsumeBool() ? nameFrom(in, key.values) : in.ConsumeRandomLengthString(300);
        value.type = in.ConsumeIntegralInRange<std::uint32_t>(0, 11);
        value.data = in.ConsumeRandomLengthString(in.ConsumeBool() ? 8 : 600);
        key.values.push_back(std::move(value)); // duplicates and any case kept as given
    }
    const std::string name = nameFrom(in, key.values);
    const auto length = in.ConsumeIntegralInRange<std::uint32_t>(0, in.ConsumeBool() ? 8 : 700);
    const bool injectFault = in.ConsumeIntegralInRange(0, 5) == 0;
    const sim::Fault fault{sim::Op::regEnumValue, "", in.ConsumeIntegralInRange<std::uint32_t>(0, 30),
                           in.ConsumeIntegralInRange<std::uint32_t>(0, 100)};

    sim::Machine machine;
    machine.system.registry.push_back(key);
    sim::install(std::move(machine));
    if (injectFault) sim::addFault(fault);

    const sim::HandleCounts before = sim::openHandles();
    auto destination = std::make_unique<unsigned char[]>(length);
    std::memset(destination.get(), kUntouched, length);
    app::ReadSetting(platform::kHkeyLocalMachine, app::kSettingsKey, name.c_str(), destination.get(), length);
    require(sim::openHandles().keys == before.keys);

    if (injectFault) return 0; // a failing enumeration may skip any value: only safety is checked
    std::optional<std::string> expected;
    if (key.readable && key.path == app::kSettingsKey) expected = expectedData(key, name, length);
    for (std::uint32_t i = 0; i < length; ++i) {
        const unsigned char want =
            !expected ? kUntouched : i < expected->size() ? static_cast<unsigned char>((*expected)[i]) : 0;
        require(destination[i] == want);
    }
    return 0;
}
