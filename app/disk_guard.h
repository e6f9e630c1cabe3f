#pragma once
// Tests that keep the system's own disks out of the program's hands.

namespace zel::app {

// 1 when the disk at `devicePath` has the layout of a basic disk and may be offered:
// MBR unless its first partition marks a dynamic disk, or (described only by the
// extended query) MBR, or GPT with the Microsoft reserved partition first. 0 for
// dynamic, raw and unreadable disks and disks that cannot be opened.
int IsBasicDiskLayout(const char* devicePath);

// 1 when the root of the drive holds boot.ini, msdos.sys, io.sys or pagefile.sys.
int HasSystemFiles(char driveLetter);

} // namespace zel::app
