#pragma once
// What the simulated dialogs need to know of the worker threads.

#include <chrono>
#include <cstdint>

namespace zel::sim::detail {

// How many messages have been posted so far; a dialog notes it before it looks at its
// queue, so that a message posted after the look still wakes it.
std::uint64_t postedSoFar();
void notePosted();

// Waits until no worker thread runs or a message has been posted since `postedBefore`
// was noted; false when `deadline` passed first.
bool waitForWorkersOrPost(std::chrono::steady_clock::time_point deadline, std::uint64_t postedBefore);

} // namespace zel::sim::detail
