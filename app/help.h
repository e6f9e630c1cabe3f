#pragma once
// The help page: "index.html" beside the program's executable, opened with the shell.

#include <cstdint>

namespace zel::app {

// Opens the help page; says "index.html FALSE" when the shell cannot.
void OpenHelpPage();

// Every dialog's key filter: F1 opens the help page, and the key is then swallowed (true),
// so that the system does not turn the same press into a second help request (WM_HELP).
bool OpenHelpOnF1(std::uint32_t message, std::uintptr_t virtualKey);

} // namespace zel::app
