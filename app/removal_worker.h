#pragma once
// The removal's worker thread: removes the progress window's inventory entry and
// reports 1 (removed) or -1 (failed) in the window's result cell.

#include <cstdint>

namespace zel::app {

// Thread function; `progressWindow` is the CRemoveProgressDlg that started it. Exit code 0.
std::uint32_t RemovalWorker(void* progressWindow);

} // namespace zel::app
