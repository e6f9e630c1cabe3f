#pragma once
// The programs that hold files or folders open on some drive letters: asked after a
// removal fails, so that the message can name what keeps the device in use.

#include <zel/platform/machine.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace zel::platform {

struct FileHolder {
    std::string image;       // the program's file name, e.g. "notepad.exe"
    std::uint32_t processId; // its process ID
};

enum class HolderSearch {
    found,       // the list is complete (it may be empty)
    noRights,    // the caller may not look into other programs (no administrator)
    unavailable, // the system offers no way to ask, or the question failed
};

struct HolderReport {
    HolderSearch status = HolderSearch::unavailable;
    std::vector<FileHolder> holders; // each process once, ordered by process ID
};

// The processes with a file or folder open on any of `driveLetters` (e.g. "EF": E: and F:,
// either case). Letters outside A-Z are ignored.
ZEL_MACHINE_API HolderReport findFileHolders(std::string_view driveLetters);

} // namespace zel::platform
