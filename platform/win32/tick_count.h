#pragma once
// A 64-bit millisecond count built from the 32-bit one, which wraps every 49.7 days.
// Kept free of <windows.h> so the arithmetic can be checked anywhere.
#include <cstdint>

namespace zel::platform {

// `seen` packs the wraps counted so far (high half) with the last 32-bit reading (low
// half). Given a new reading `now`, returns the state to store, which is also the 64-bit
// count. The reading is taken as the shorter way round from the last one: ahead of it
// (across a wrap, the carry counts it), or behind it, a reading another thread took
// earlier, for which the count does not go back. A wrap is therefore seen only by a
// reading within 24.8 days of the one before it. A state of 0 is no reading yet.
constexpr std::uint64_t extendTickCount(std::uint64_t seen, std::uint32_t now) {
    if (seen == 0) return now;
    const std::uint32_t step = now - static_cast<std::uint32_t>(seen); // modulo 2^32
    if (step >= 0x80000000u) return seen;
    return seen + step;
}

} // namespace zel::platform
