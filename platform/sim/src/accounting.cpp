// What tests ask of the machine's bookkeeping: call counts, fault rules, open handles,
// named mutexes, the virtual time slept, removed nodes.
#include "guard.h"
#include "model.h"
#include "state.h"
#include "text.h"

#include <numeric>

namespace zel::sim {

const char* opName(Op op) noexcept {
    switch (op) {
    case Op::any: return "any";
    case Op::cmLocateRoot: return "CM_Locate_DevNodeA";
    case Op::cmGetChild: return "CM_Get_Child";
    case Op::cmGetSibling: return "CM_Get_Sibling";
    case Op::cmGetParent: return "CM_Get_Parent";
    case Op::cmGetProperty: return "CM_Get_DevNode_Registry_PropertyA";
    case Op::cmGetDeviceId: return "CM_Get_Device_IDA";
    case Op::setupGetClassDevs: return "SetupDiGetClassDevsA";
    case Op::setupEnumInterface: return "SetupDiEnumDeviceInterfaces";
    case Op::setupEnumDeviceInfo: return "SetupDiEnumDeviceInfo";
    case Op::setupInterfaceDetail: return "SetupDiGetDeviceInterfaceDetailA";
    case Op::createFile: return "CreateFileA";
    case Op::deviceIoControl: return "DeviceIoControl";
    case Op::getLogicalDrives: return "GetLogicalDrives";
    case Op::getDriveType: return "GetDriveTypeA";
    case Op::createFileForRead: return "CreateFileA(GENERIC_READ)";
    case Op::findFirstFile: return "FindFirstFileA";
    case Op::getCurrentDirectory: return "GetCurrentDirectoryA";
    case Op::getWindowsDirectory: return "GetWindowsDirectoryA";
    case Op::regOpenKey: return "RegOpenKeyExA";
    case Op::regCreateKey: return "RegCreateKeyExA";
    case Op::regEnumValue: return "RegEnumValueA";
    case Op::regSetValue: return "RegSetValueExA";
    case Op::createMutex: return "CreateMutexA";
    case Op::releaseMutex: return "ReleaseMutex";
    case Op::getVersion: return "GetVersionExA";
    case Op::getUserDefaultLcid: return "GetUserDefaultLCID";
    case Op::loadLibrary: return "LoadLibraryA";
    case Op::getProcAddress: return "GetProcAddress";
    case Op::loadString: return "LoadStringA";
    case Op::setupGetDeviceProperty: return "SetupDiGetDeviceRegistryPropertyA";
    case Op::setupRemoveDevice: return "SetupDiRemoveDevice";
    case Op::sleep: return "Sleep";
    case Op::readFile: return "ReadFile";
    case Op::deleteFile: return "DeleteFileA";
    case Op::versionInfo: return "GetFileVersionInfoA";
    case Op::localTime: return "GetLocalTime";
    case Op::environment: return "GetEnvironmentVariableA";
    case Op::findFileHolders: return "NtQuerySystemInformation";
    case Op::cmReenumerate: return "CM_Reenumerate_DevNode";
    case Op::checkTokenMembership: return "CheckTokenMembership";
    case Op::count_: break;
    }
    return "?";
}

void addFault(Fault fault) noexcept {
    detail::guardedVoid([&] {
        detail::State& s = detail::state();
        std::lock_guard lock(s.mutex);
        s.faults.add(std::move(fault));
    });
}

void clearFaults() noexcept {
    detail::State& s = detail::state();
    std::lock_guard lock(s.mutex);
    s.faults.clear();
}

std::uint64_t calls(Op op) noexcept {
    detail::State& s = detail::state();
    std::lock_guard lock(s.mutex);
    if (op == Op::any) return std::accumulate(s.calls.begin(), s.calls.end(), std::uint64_t{0});
    const auto i = static_cast<std::size_t>(op);
    return i < s.calls.size() ? s.calls[i] : 0;
}

std::uint64_t totalCalls() noexcept { return calls(Op::any); }

void resetCalls() noexcept {
    detail::State& s = detail::state();
    std::lock_guard lock(s.mutex);
    s.calls.fill(0);
    s.libraryLoads.clear();
    s.slept = 0;
    s.loudProbes = 0;
}

std::vector<std::string> libraryLoads() noexcept {
    return detail::guarded(std::vector<std::string>(), [] {
        detail::State& s = detail::state();
        std::lock_guard lock(s.mutex);
        return s.libraryLoads;
    });
}

std::uint64_t sleptMilliseconds() noexcept {
    detail::State& s = detail::state();
    std::lock_guard lock(s.mutex);
    return s.slept;
}

std::uint64_t loudDriveProbes() noexcept {
    detail::State& s = detail::state();
    std::lock_guard lock(s.mutex);
    return s.loudProbes;
}

bool driveProbesQuiet() noexcept {
    detail::State& s = detail::state();
    std::lock_guard lock(s.mutex);
    return s.quietScopes > 0;
}

bool nodePresent(std::string_view instanceId) noexcept {
    return detail::guarded(false, [&] {
        detail::State& s = detail::state();
        std::lock_guard lock(s.mutex);
        for (const Node& n : detail::machineLocked(s).nodes)
            if (n.present && detail::equalNoCase(n.instanceId, instanceId)) return true;
        return false;
    });
}

HandleCounts openHandles() noexcept {
    detail::State& s = detail::state();
    std::lock_guard lock(s.mutex);
    return s.handles;
}

bool mutexExists(std::string_view name) noexcept {
    return detail::guarded(false, [&] {
        std::int32_t error = 0;
        const std::optional<std::string> object = detail::mutexObjectName(name, error);
        if (!object || object->empty()) return false;
        detail::State& s = detail::state();
        std::lock_guard lock(s.mutex);
        return s.mutexNames.count(*object) != 0;
    });
}

} // namespace zel::sim
