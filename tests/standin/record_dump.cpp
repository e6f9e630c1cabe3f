// Prints, for each machine file given, every record the search library returns for each
// of the selectors the differential test covers, as canonical text. Built twice: natively
// (the simulated machine behind the platform layer) and for Windows (the real backend
// inside ZelSearch.dll, under Wine, with the stand-in setupapi.dll beside this program
// answering from the same file). The two outputs must be equal.
//
// After the searches the program's own device calls run on the same machine: the layout
// test of every disk found and of each physical drive number, the system-file probe of
// every drive letter, and the removal of the first device found that has a letter (as
// the device menu removes it), with a search after it.
//
//   zel_record_dump --list FILE   one machine file path per line, optionally followed by
//                                 a fault rule: OP SKIP TIMES (OP as zel::sim::opName
//                                 names it: "CM_Get_Child"), in force from the machine's load
#include "disk_guard.h"
#include "probe_format.h"
#include "removal_engine.h"
#include "zelsearch.h"

#include <zel/platform/library.h>

#if defined(_WIN32)
#include "standin_control.h"
#include <fcntl.h>
#include <io.h>
#include <windows.h>
#else
#include <zel/sim/machine.h>
#endif

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

constexpr std::int32_t kSelectors[] = {0x40, 0x01, 0x04, 0x44, 0x08, 0x10};

// FNV-1a over a record's bytes: any byte of any slot that differs shows.
std::uint64_t hashOf(const void* data, std::size_t size) {
    std::uint64_t h = 1469598103934665603ull;
    for (std::size_t i = 0; i < size; ++i) {
        h ^= static_cast<const unsigned char*>(data)[i];
        h *= 1099511628211ull;
    }
    return h;
}

struct Counts {
    long long devices = 0, infoSets = 0, finds = 0;
};

#if defined(_WIN32)
ZelStandInLoadMachineFn loadMachineFn = nullptr;
ZelStandInOpenHandlesFn openHandlesFn = nullptr;
ZelStandInAddFaultFn addFaultFn = nullptr;

bool bindStandIn() {
    // The stand-in is this program's setupapi.dll (loaded through WINEDLLOVERRIDES).
    HMODULE module = LoadLibraryA("setupapi.dll");
    if (module == nullptr) return false;
    loadMachineFn = reinterpret_cast<ZelStandInLoadMachineFn>(
        reinterpret_cast<void*>(GetProcAddress(module, "ZelStandIn_LoadMachine")));
    openHandlesFn = reinterpret_cast<ZelStandInOpenHandlesFn>(
        reinterpret_cast<void*>(GetProcAddress(module, "ZelStandIn_OpenHandles")));
    addFaultFn = reinterpret_cast<ZelStandInAddFaultFn>(
        reinterpret_cast<void*>(GetProcAddress(module, "ZelStandIn_AddFault")));
    return loadMachineFn != nullptr && openHandlesFn != nullptr && addFaultFn != nullptr;
}

bool loadMachine(const std::string& path) { return loadMachineFn(path.c_str()) != 0; }

bool addFault(const std::string& op, unsigned skip, unsigned times) {
    return addFaultFn(op.c_str(), "", skip, times) != 0;
}

Counts openHandles() {
    ZelStandInHandles h{};
    openHandlesFn(&h);
    return {h.devices, h.infoSets, h.finds};
}
#else
bool bindStandIn() { return true; }

bool loadMachine(const std::string& path) {
    std::string error;
    auto machine = zel::sim::loadMachineFile(path, error);
    if (!machine) {
        std::fprintf(stderr, "record dump: %s\n", error.c_str());
        return false;
    }
    // The program's directory is the real one on Windows: the library is always there.
    machine->system.libraries = zel::sim::System{}.libraries;
    zel::sim::install(std::move(*machine));
    return true;
}

bool addFault(const std::string& op, unsigned skip, unsigned times) {
    for (int i = 0; i < static_cast<int>(zel::sim::Op::count_); ++i) {
        const auto candidate = static_cast<zel::sim::Op>(i);
        if (op != zel::sim::opName(candidate)) continue;
        zel::sim::addFault(zel::sim::Fault{candidate, "", skip, times});
        return true;
    }
    return false;
}

Counts openHandles() {
    const zel::sim::HandleCounts h = zel::sim::openHandles();
    return {h.devices, h.infoSets, h.findHandles};
}
#endif

bool dumpMachine(const std::string& libraryPath, const std::string& line) {
    std::printf("==== %s\n", line.c_str());
    std::istringstream fields(line);
    std::string machine, op;
    unsigned skip = 0, times = 0;
    fields >> machine >> op >> skip >> times;
    if (!loadMachine(machine)) {
        std::printf("not loaded\n");
        return true;
    }
    if (!op.empty() && !addFault(op, skip, times)) {
        std::fprintf(stderr, "record dump: no operation is named %s\n", op.c_str());
        return false;
    }
    // Loaded afresh for each machine, as the program loads it for each rebuild.
    const zel::platform::Library library = zel::platform::Library::load(libraryPath.c_str());
    if (!library) return false;
    const auto initialization = reinterpret_cast<zel::InitializationFn>(library.symbol("Initialization"));
    const auto getDeviceCount = reinterpret_cast<zel::GetDeviceCountFn>(library.symbol("GetDeviceCount"));
    const auto getDeviceList = reinterpret_cast<zel::GetDeviceListFn>(library.symbol("GetDeviceList"));
    const auto getHostList = reinterpret_cast<zel::GetHostListFn>(library.symbol("GetHostList"));
    if (!initialization || !getDeviceCount || !getDeviceList || !getHostList) return false;

    for (const std::int32_t selector : kSelectors) {
        zel::probe::SearchResult result;
        result.selector = static_cast<std::uint32_t>(selector);
        const std::int32_t init = initialization(selector);
        result.deviceCount = getDeviceCount();
        std::printf("-- Initialization(0x%02X) = %d\n", selector, init);
        for (int i = 0; i < zel::kSearchTableSize; ++i) {
            zel::DeviceRecord device{};
            const std::int32_t d = getDeviceList(i, &device);
            zel::HostRecord host{};
            const std::int32_t h = getHostList(i, &host);
            std::printf("slot %2d: device %d %016llx, host %d %016llx\n", i, d,
                        static_cast<unsigned long long>(hashOf(&device, sizeof device)), h,
                        static_cast<unsigned long long>(hashOf(&host, sizeof host)));
            if (device.valid == 1) result.devices.push_back(device);
            if (host.valid == 1) result.hosts.push_back(host);
        }
        zel::probe::printText(stdout, result);
    }
    // The layout test and the system-file probe, through the backend under test.
    std::string layouts;
    for (int n = 0; n < 32; ++n) {
        const std::string path = "\\\\.\\PhysicalDrive" + std::to_string(n);
        layouts += std::to_string(zel::app::IsBasicDiskLayout(path.c_str()));
    }
    std::string systemFiles;
    for (char letter = 'A'; letter <= 'Z'; ++letter) systemFiles += std::to_string(zel::app::HasSystemFiles(letter));
    std::printf("layout of PhysicalDrive0-31: %s\nsystem files A-Z: %s\n", layouts.c_str(), systemFiles.c_str());

    // The removal of the first device with a letter, then the search once more.
    initialization(0x01);
    for (int i = 0; i < zel::kSearchTableSize; ++i) {
        zel::DeviceRecord device{};
        getDeviceList(i, &device);
        if (device.valid != 1) continue;
        char path[sizeof device.devicePath + 1] = {};
        std::memcpy(path, device.devicePath, sizeof device.devicePath);
        std::printf("layout of device %d: %d\n", i, zel::app::IsBasicDiskLayout(path));
    }
    for (int i = 0; i < zel::kSearchTableSize; ++i) {
        zel::DeviceRecord device{};
        getDeviceList(i, &device);
        if (device.valid != 1 || device.driveLetters[0] == '\0') continue;
        char hardwareId[sizeof device.hardwareId + 1] = {};
        std::memcpy(hardwareId, device.hardwareId, sizeof device.hardwareId);
        char pdoName[sizeof device.pdoName + 1] = {};
        std::memcpy(pdoName, device.pdoName, sizeof device.pdoName);
        const int removed = zel::app::RemoveDeviceNode(2, hardwareId, device.driveLetters[0], pdoName);
        std::printf("removal of device %d (%c:): %d\n", i, device.driveLetters[0], removed);
        zel::probe::SearchResult after;
        after.selector = 0x01;
        initialization(0x01);
        after.deviceCount = getDeviceCount();
        for (int j = 0; j < zel::kSearchTableSize; ++j) {
            zel::DeviceRecord d{};
            getDeviceList(j, &d);
            if (d.valid == 1) after.devices.push_back(d);
        }
        zel::probe::printText(stdout, after);
        break;
    }

    const Counts open = openHandles();
    std::printf("open: %lld device handles, %lld info sets, %lld find handles\n", open.devices, open.infoSets,
                open.finds);
    return true;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3 || std::strcmp(argv[1], "--list") != 0) {
        std::fprintf(stderr, "usage: zel_record_dump --list FILE\n");
        return 2;
    }
    std::ifstream list(argv[2]);
    if (!list) {
        std::fprintf(stderr, "record dump: cannot read %s\n", argv[2]);
        return 2;
    }
#if defined(_WIN32)
    // The records' bytes exactly as they are: no line-end translation.
    _setmode(_fileno(stdout), _O_BINARY);
#endif
    if (!bindStandIn()) {
        std::fprintf(stderr, "record dump: the stand-in setupapi.dll is not loaded (WINEDLLOVERRIDES=setupapi=n?)\n");
        return 1;
    }
    char directory[1024];
    const std::size_t length = zel::platform::programDirectory(directory, sizeof directory);
    if (length == 0) return 1;
    const std::string libraryPath = std::string(directory, length) + zel::kSearchLibraryName;
    for (std::string line; std::getline(list, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty()) continue;
        if (!dumpMachine(libraryPath, line)) {
            std::fprintf(stderr, "record dump: cannot use %s\n", libraryPath.c_str());
            return 1;
        }
    }
    return 0;
}
