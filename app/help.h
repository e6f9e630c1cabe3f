#pragma once
// The help page: "index.html" beside the program's executable, opened with the shell.

#include <cstdint>

namespace zel::app {

// Opens the help page; says "index.html FALSE" when the shell cannot.
void OpenHelpPage();

// Every dialog's key filter: F1 opens the help page, and the key is then swallowed (true).
// The system has already posted a help request (WM_HELP) of its own for the same press
// when the key was taken from the queue; OpenHelpOnRequest lets that one pass.
bool OpenHelpOnF1(std::uint32_t message, std::uintptr_t virtualKey);

// A dialog's help request (WM_HELP): opens the help page, unless it is the request of an
// F1 press the key filter has answered.
void OpenHelpOnRequest();

} // namespace zel::app
