#pragma once
// Simulated machines decoded from fuzz input: random device trees, hardware-ID lists
// drawn from the adapters the search looks for and from noise, properties of any length
// with or without terminators, storage devices with clashing numbers, volumes and stray
// device objects, and at times one injected platform failure.

#include <zel/sim/machine.h>

#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <optional>

namespace zel::fuzz {

struct DecodedMachine {
    sim::Machine machine;
    std::int32_t selector = 0x40;
    std::optional<sim::Fault> fault;
};

DecodedMachine decodeMachine(FuzzedDataProvider& in);

} // namespace zel::fuzz
