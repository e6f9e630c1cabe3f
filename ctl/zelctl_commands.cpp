// The commands, and the device list they print and choose from.
#include "zelctl_commands.h"

#include "inventory_build.h"
#include "zelsearch.h"
#include "markers.h"
#include "removal_engine.h"
#include "rescan.h"

#include <zel/platform/holders.h>
#include <zel/platform/system.h>
#include <zel/platform/ui.h>
#include <zel/text.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

namespace zel::ctl {
namespace {

using app::EntryDetails;
using app::Inventory;
using app::InventoryEntry;

constexpr const char* kTrayWindowTitle = "ZelSATA";
constexpr std::uintptr_t kDbtDevNodesChanged = 0x0007;

const char* kUsage =
    "usage: zelctl list [--json]\n"
    "       zelctl remove <E:|PhysicalDriveN|index> [--force-system]\n"
    "       zelctl rescan [--json]\n";

struct DeviceList {
    Inventory inventory{};
    EntryDetails details[app::kInventorySize]{};
};

bool equalNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
        if (lower(a[i]) != lower(b[i])) return false;
    }
    return true;
}

// Decimal digits only, no sign, within `limit`; -1 otherwise.
long number(std::string_view text, long limit) {
    if (text.empty() || text.size() > 9) return -1;
    long value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9') return -1;
        value = value * 10 + (c - '0');
    }
    return value <= limit ? value : -1;
}

const char* kindName(const InventoryEntry& entry, const EntryDetails& details) {
    if (entry.deviceClass == 5) return "cd-rom";
    if (entry.deviceClass == 3) return "disk";
    // Without a letter the search gives no drive type: the path that answered tells
    // ("\\.\PhysicalDrive1", or the start of an interface path naming the device).
    std::string path(fieldText(details.devicePath));
    for (char& c : path) c = c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c;
    if (path.find("cdrom") != std::string::npos) return "cd-rom";
    if (path.find("physicaldrive") != std::string::npos || path.find("disk") != std::string::npos) return "disk";
    return "unknown";
}

std::string letters(const InventoryEntry& entry) {
    std::string text;
    for (const char letter : fieldText(entry.driveLetters)) {
        text += letter;
        text += ':';
    }
    return text;
}

void printList(const DeviceList& list, bool json, std::FILE* out) {
    const int count = list.inventory.count();
    if (json) std::fputs("[", out);
    for (int i = 0; i < count; ++i) {
        const InventoryEntry& entry = list.inventory.entries[i];
        const EntryDetails& details = list.details[i];
        const char* kind = kindName(entry, details);
        if (json) {
            std::string lettersJson = "[";
            for (const char letter : fieldText(entry.driveLetters)) {
                if (lettersJson.size() > 1) lettersJson += ',';
                lettersJson += jsonQuoted(std::string(1, letter) + ':');
            }
            lettersJson += ']';
            std::fprintf(out,
                         "%s\n  {\"index\": %d, \"letters\": %s, \"name\": %s, \"kind\": \"%s\", \"host\": %s, "
                         "\"systemDisk\": %s}",
                         i == 0 ? "" : ",", i, lettersJson.c_str(), jsonQuoted(fieldText(entry.driveName)).c_str(), kind,
                         jsonQuoted(fieldText(details.hostDescription)).c_str(), entry.systemDisk == 1 ? "true" : "false");
        } else {
            const std::string shown = letters(entry);
            std::fprintf(out, "%d\t%s\t%s\t%.*s\t%.*s%s\n", i, shown.empty() ? "-" : shown.c_str(), kind,
                         static_cast<int>(fieldText(entry.driveName).size()), entry.driveName,
                         static_cast<int>(fieldText(details.hostDescription).size()), details.hostDescription,
                         entry.systemDisk == 1 ? "\tsystem disk" : "");
        }
    }
    if (json) std::fputs(count == 0 ? "]\n" : "\n]\n", out);
}

bool build(DeviceList& list, std::FILE* err) {
    if (app::BuildInventory(list.inventory, &list.details)) return true;
    std::fprintf(err, "zelctl: cannot use the search library %s beside this program\n", zel::kSearchLibraryName);
    return false;
}

// The entry a command-line name chooses: "E:" (or "E") by letter, "PhysicalDriveN" (or
// "\\.\PhysicalDriveN") by disk number, a number by its place in the list. -1 for none.
int choose(const DeviceList& list, std::string_view name) {
    const int count = list.inventory.count();
    const char letter = !name.empty() && name[0] >= 'a' && name[0] <= 'z' ? static_cast<char>(name[0] - 32)
                                                                           : (name.empty() ? '\0' : name[0]);
    if (letter >= 'A' && letter <= 'Z' && (name.size() == 1 || (name.size() == 2 && name[1] == ':'))) {
        for (int i = 0; i < count; ++i)
            if (fieldText(list.inventory.entries[i].driveLetters).find(letter) != std::string_view::npos) return i;
        return -1;
    }
    if (name.size() > 4 && name.substr(0, 4) == "\\\\.\\") name.remove_prefix(4);
    constexpr std::string_view kDrive = "PhysicalDrive";
    if (name.size() > kDrive.size() && equalNoCase(name.substr(0, kDrive.size()), kDrive)) {
        // The search keeps the low 8 bits of the disk number.
        const long disk = number(name.substr(kDrive.size()), 255);
        if (disk < 0) return -1;
        for (int i = 0; i < count; ++i)
            if (std::strcmp(kindName(list.inventory.entries[i], list.details[i]), "disk") == 0 &&
                list.details[i].deviceNumber == disk)
                return i;
        return -1;
    }
    const long index = number(name, app::kInventorySize - 1);
    return index >= 0 && index < count ? static_cast<int>(index) : -1;
}

// The tray program ignores device changes while a removal holds the marker; told once it
// is free, it rebuilds its menus.
void tellTrayProgram() {
    const platform::Window tray = platform::findWindow(kTrayWindowTitle);
    if (tray != 0) platform::postMessage(tray, platform::kWmDeviceChange, kDbtDevNodesChanged, 0);
}

// The removal marker, waited for while someone else holds it. False when the wait ran
// out; a marker that cannot be made at all does not stop the removal (empty handle).
bool takeRemovalMarker(platform::MutexHandle& marker) {
    for (std::uint32_t waited = 0;; waited += kMarkerPollMilliseconds) {
        bool heldElsewhere = false;
        marker = app::AcquireMarker(app::kRemoveMarker, &heldElsewhere);
        if (!heldElsewhere) return true;
        if (waited >= kMarkerWaitMilliseconds) return false;
        platform::sleepMilliseconds(kMarkerPollMilliseconds);
    }
}

// After a refused removal: every program that holds a file or folder open on the device's
// drives, one "image (process ID)" a line, so that a script can act on them.
void printHolders(const InventoryEntry& entry, std::FILE* err) {
    const std::string_view driveLetters = fieldText(entry.driveLetters);
    if (driveLetters.empty()) return; // nothing on it can be held open by a program
    const platform::HolderReport report = platform::findFileHolders(driveLetters);
    switch (report.status) {
    case platform::HolderSearch::noRights:
        std::fprintf(err, "zelctl: the programs using the drive can be named only with the debug privilege\n");
        return;
    case platform::HolderSearch::unavailable:
        std::fprintf(err, "zelctl: Windows could not say which programs use the drive\n");
        return;
    case platform::HolderSearch::found:
        break;
    }
    if (report.holders.empty()) {
        std::fprintf(err, "zelctl: no program holds a file open on the drive\n");
        return;
    }
    std::fprintf(err, "zelctl: programs using the drive:\n");
    for (const platform::FileHolder& holder : report.holders)
        std::fprintf(err, "  %s (%lu)\n", holder.image.empty() ? "?" : holder.image.c_str(),
                     static_cast<unsigned long>(holder.processId));
}

int remove(const char* name, bool forceSystem, std::FILE* out, std::FILE* err) {
    // Windows lets only administrators remove devices.
    if (!platform::isAdministrator()) {
        std::fprintf(err, "zelctl: removing a device needs an administrator\n");
        return kExitUsage;
    }
    DeviceList list;
    if (!build(list, err)) return kExitUsage;
    const int index = choose(list, name);
    if (index < 0) {
        std::fprintf(err, "zelctl: no device %s among those that can be removed\n", name);
        return kExitNotFound;
    }
    const InventoryEntry entry = list.inventory.entries[index];
    const std::string shown = letters(entry);
    if (entry.systemDisk == 1 && !forceSystem) {
        std::fprintf(err, "zelctl: %s holds start-up files of this system; add --force-system to remove it\n",
                     shown.c_str());
        return kExitRefused;
    }
    platform::MutexHandle marker;
    if (!takeRemovalMarker(marker)) {
        std::fprintf(err, "zelctl: another removal is still under way; try again later\n");
        return kExitRefused;
    }
    bool restartNeeded = false;
    const int outcome = app::RemoveDeviceNode(app::kKindDevice, entry.hardwareId, entry.driveLetters[0], entry.pdoName,
                                              &restartNeeded);
    app::ReleaseMarker(marker);
    tellTrayProgram();
    if (outcome == 1) {
        std::fprintf(out, "removed %d\t%s\t%.*s\n", index, shown.empty() ? "-" : shown.c_str(),
                     static_cast<int>(fieldText(entry.driveName).size()), entry.driveName);
        return kExitDone;
    }
    std::fprintf(err, "zelctl: the removal of %s was refused%s\n", shown.empty() ? entry.driveName : shown.c_str(),
                 restartNeeded ? " (restart needed)" : "");
    printHolders(entry, err);
    return kExitRefused;
}

int rescan(bool json, std::FILE* out, std::FILE* err) {
    const int adapters = app::RescanHostAdapters();
    if (adapters < 0) {
        std::fprintf(err, "zelctl: cannot use the search library %s beside this program\n", zel::kSearchLibraryName);
        return kExitUsage;
    }
    tellTrayProgram();
    DeviceList list;
    if (!build(list, err)) return kExitUsage;
    printList(list, json, out);
    return kExitDone;
}

} // namespace

int run(int argc, const char* const* argv, std::FILE* out, std::FILE* err) {
    if (argc < 1) {
        std::fputs(kUsage, err);
        return kExitUsage;
    }
    const std::string_view command = argv[0];
    bool json = false;
    bool forceSystem = false;
    const char* target = nullptr;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "--json" && command != "remove") {
            json = true;
        } else if (arg == "--force-system" && command == "remove") {
            forceSystem = true;
        } else if (command == "remove" && target == nullptr && (arg.empty() || arg[0] != '-')) {
            target = argv[i];
        } else {
            std::fputs(kUsage, err);
            return kExitUsage;
        }
    }
    if (command == "list") {
        DeviceList list;
        if (!build(list, err)) return kExitUsage;
        printList(list, json, out);
        return kExitDone;
    }
    if (command == "remove" && target != nullptr) return remove(target, forceSystem, out, err);
    if (command == "rescan") return rescan(json, out, err);
    std::fputs(kUsage, err);
    return kExitUsage;
}

} // namespace zel::ctl
