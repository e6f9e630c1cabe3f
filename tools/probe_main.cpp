// zelprobe: loads ZelSearch.dll from its own directory, as the program does, runs one
// search and prints every device and host record. A support tool: what the program
// would offer is what this prints (before the program's system-disk guard).
#include "probe_format.h"

#include <zel/platform/holders.h>
#include <zel/platform/library.h>
#if ZEL_SIM_MACHINE
#include <zel/sim/machine.h>
#endif

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

int usage() {
    std::fprintf(stderr,
                 "usage: zelprobe [--selector N] [--json] [--holders E:]"
#if ZEL_SIM_MACHINE
                 " [--machine FILE.json]"
#endif
                 "\n  --selector N   hardware-ID groups to search, decimal or 0x hex (default 0x40)\n"
                 "  --json         print JSON instead of text\n"
                 "  --holders E:   print the programs holding files open on the drives (E:F: or EF for two)\n"
#if ZEL_SIM_MACHINE
                 "  --machine F    simulated machine file (default: the built-in machine)\n"
#endif
    );
    return 2;
}

// "E:", "e", "E:F:": the upper-case letters, or nothing when the text holds anything else.
std::string driveLetters(const char* text) {
    std::string letters;
    for (const char* p = text; *p != '\0'; ++p) {
        const char c = *p;
        if (c >= 'a' && c <= 'z') letters += static_cast<char>(c - 'a' + 'A');
        else if (c >= 'A' && c <= 'Z') letters += c;
        else if (c != ':' || letters.empty()) return {};
    }
    return letters;
}

// One line per program: "notepad.exe (1234)". 0 when the list is complete, 1 when it could
// not be made.
int printHolders(const std::string& letters) {
    const zel::platform::HolderReport report = zel::platform::findFileHolders(letters);
    switch (report.status) {
    case zel::platform::HolderSearch::noRights:
        std::fprintf(stderr, "zelprobe: finding the programs that hold a drive needs an administrator\n");
        return 1;
    case zel::platform::HolderSearch::unavailable:
        std::fprintf(stderr, "zelprobe: this system cannot tell which programs hold a drive\n");
        return 1;
    case zel::platform::HolderSearch::found:
        break;
    }
    if (report.holders.empty()) std::printf("no program holds files open on %s\n", letters.c_str());
    for (const zel::platform::FileHolder& holder : report.holders)
        std::printf("%s (%lu)\n", holder.image.c_str(), static_cast<unsigned long>(holder.processId));
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    std::uint32_t selector = 0x40;
    bool json = false;
    std::string holders;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--json") {
            json = true;
        } else if (arg == "--holders" && i + 1 < argc) {
            holders = driveLetters(argv[++i]);
            if (holders.empty()) return usage();
        } else if (arg == "--selector" && i + 1 < argc) {
            char* end = nullptr;
            const unsigned long value = std::strtoul(argv[++i], &end, 0);
            if (end == argv[i] || *end != '\0' || value > 0xFFFFFFFFul) return usage();
            selector = static_cast<std::uint32_t>(value);
#if ZEL_SIM_MACHINE
        } else if (arg == "--machine" && i + 1 < argc) {
            std::string error;
            auto machine = zel::sim::loadMachineFile(argv[++i], error);
            if (!machine) {
                std::fprintf(stderr, "zelprobe: %s\n", error.c_str());
                return 2;
            }
            zel::sim::install(std::move(*machine));
#endif
        } else {
            return usage();
        }
    }

    if (!holders.empty()) return printHolders(holders);

    char path[1024];
    const std::size_t length = zel::platform::programDirectory(path, sizeof path);
    if (length == 0 || length + std::strlen(zel::kSearchLibraryName) + 1 > sizeof path) {
        std::fprintf(stderr, "zelprobe: cannot tell the program's directory\n");
        return 1;
    }
    std::strcpy(path + length, zel::kSearchLibraryName);
    const zel::platform::Library library = zel::platform::Library::load(path);
    if (!library) {
        std::fprintf(stderr, "zelprobe: cannot load %s\n", path);
        return 1;
    }
    const auto initialization = reinterpret_cast<zel::InitializationFn>(library.symbol("Initialization"));
    const auto getDeviceCount = reinterpret_cast<zel::GetDeviceCountFn>(library.symbol("GetDeviceCount"));
    const auto getDeviceList = reinterpret_cast<zel::GetDeviceListFn>(library.symbol("GetDeviceList"));
    const auto getHostList = reinterpret_cast<zel::GetHostListFn>(library.symbol("GetHostList"));
    if (!initialization || !getDeviceCount || !getDeviceList || !getHostList) {
        std::fprintf(stderr, "zelprobe: %s lacks one of its four exports\n", path);
        return 1;
    }

    zel::probe::SearchResult result;
    result.selector = selector;
    initialization(static_cast<std::int32_t>(selector));
    result.deviceCount = getDeviceCount();
    for (int i = 0; i < zel::kSearchTableSize; ++i) {
        zel::DeviceRecord device{};
        getDeviceList(i, &device);
        if (device.valid == 1) result.devices.push_back(device);
        zel::HostRecord host{};
        getHostList(i, &host);
        if (host.valid == 1) result.hosts.push_back(host);
    }
    if (json)
        zel::probe::printJson(stdout, result);
    else
        zel::probe::printText(stdout, result);
    return 0;
}
