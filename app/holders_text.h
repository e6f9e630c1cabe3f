#pragma once
// The words a failed removal adds to its message: the programs that hold the drive open
// and whether Windows left the removal to the next restart. Free of the program's
// windows, so that a console tool can use the same wording.

#include <zel/platform/holders.h>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace zel::app {

// How many programs a message names before it counts the rest.
inline constexpr std::size_t kHoldersNamed = 5;

// What a removal that failed found out on the way.
struct RemovalFailure {
    bool restartNeeded = false; // Windows vetoed it and will remove the device at the next restart
    bool holdersAsked = false;  // the device had drive letters, so the holders were looked for
    platform::HolderReport holders;
};

// "a.exe (12), b.exe (34), and 3 more": the first `named` holders as "image (pid)", then
// `more` (a text like "and %u more") with the count of the others put in for "%u".
std::string DescribeHolders(const std::vector<platform::FileHolder>& holders, std::string_view more,
                            std::size_t named = kHoldersNamed);

// The whole message of a failed removal: the plain failure text first, then the programs
// holding the drive (or that they could not be looked for without rights), then the
// restart. `text` gives a user-interface string by its id.
std::string RemovalFailureText(const RemovalFailure& failure, const std::function<std::string(std::uint32_t)>& text);

} // namespace zel::app
