#pragma once
// The help page: "index.html" beside the program's executable, opened with the shell.

namespace zel::app {

// Opens the help page; says "index.html FALSE" when the shell cannot.
void OpenHelpPage();

} // namespace zel::app
