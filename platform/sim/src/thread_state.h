#pragma once
// What the simulated dialogs need to know of the worker threads.

#include <chrono>

namespace zel::sim::detail {

// Waits until no worker thread runs; false when `deadline` passed first.
bool waitUntilNoThreadRuns(std::chrono::steady_clock::time_point deadline);

} // namespace zel::sim::detail
