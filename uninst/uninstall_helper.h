#pragma once
// ZelUninst: makes the product family's running programs close before an uninstaller
// removes their files. It finds each by its window's title and posts it the message
// registered under the name the program listens for.

#include <string_view>

namespace zel::uninst {

// The program carries no title of its own: message boxes are captioned with its name.
inline constexpr const char* kProgramTitle = "ZelUninst";
inline constexpr const char* kSelectorMessage =
    "The setting of the parameter is different. All the applications are ended.";

// The last character of the command line selects: "0" the two sibling programs, "1" the
// main program, anything else a message and then all three. Returns without waiting.
void RunUninstallHelper(std::string_view commandLine);

} // namespace zel::uninst
