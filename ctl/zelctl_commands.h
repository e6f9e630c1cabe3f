#pragma once
// zelctl's commands: list, remove and rescan, over the same inventory, guard and
// removal engine as the tray program.

#include <cstdint>
#include <cstdio>

namespace zel::ctl {

// Exit statuses.
inline constexpr int kExitDone = 0;     // listed, rescanned, or removed
inline constexpr int kExitRefused = 1;  // refused, vetoed, or another removal never ended
inline constexpr int kExitNotFound = 2; // no such device
inline constexpr int kExitUsage = 3;    // bad command line, no administrator rights, or no search library

// While another program removes a device (it holds the removal marker), a removal
// waits this long for it, asking again at each step.
inline constexpr std::uint32_t kMarkerWaitMilliseconds = 30000;
inline constexpr std::uint32_t kMarkerPollMilliseconds = 250;

// Runs one command line (the arguments after the program's name), writing results to
// `out` and complaints to `err`; returns the exit status.
int run(int argc, const char* const* argv, std::FILE* out, std::FILE* err);

} // namespace zel::ctl
