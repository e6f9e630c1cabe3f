#pragma once
// Asking Windows to look for new hardware below the supported host adapters, for cards
// whose driver does not report a device plugged in while the system runs.

namespace zel::app {

// Runs one search for the host adapters, then asks the system to enumerate the devices
// below each of them again. The number of adapters asked, or -1 when the search library
// cannot be used.
int RescanHostAdapters();

} // namespace zel::app
