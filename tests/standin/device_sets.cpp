// The SetupDi* exports: device information sets answered from the simulated machine, as
// strict as Windows about record sizes, buffer sizes and the ends of enumerations.
#define _SETUPAPI_
#include "live_objects.h"
#include "removal_question.h"

#include <windows.h>
#include <setupapi.h>

#include "info_set.h" // the simulated machine's own view of a set (platform/sim/src)
#include <zel/sim/machine.h>

#include <cstddef>
#include <cstdio>
#include <cstring>
#include <string>

using namespace zel;
using zel::standin::SimSet;

namespace {

constexpr DWORD kErrorGenFailure = ERROR_GEN_FAILURE;

BOOL fail(DWORD error) {
    SetLastError(error);
    return FALSE;
}

platform::Guid fromGuid(const GUID& g) {
    platform::Guid out{g.Data1, g.Data2, g.Data3, {}};
    std::memcpy(out.data4, g.Data4, sizeof out.data4);
    return out;
}

// The setup class of a node: its CM_DRP_CLASSGUID text, GUID_NULL when it has none.
GUID classOf(DWORD devInst) {
    GUID out{};
    const sim::Machine& m = sim::current();
    const std::size_t n = devInst - 1;
    if (devInst == 0 || n >= m.nodes.size()) return out;
    const auto it = m.nodes[n].properties.find(platform::kCmDrpClassGuid);
    if (it == m.nodes[n].properties.end()) return out;
    unsigned long d1 = 0;
    unsigned d2 = 0, d3 = 0, b[8] = {};
    if (std::sscanf(it->second.bytes.c_str(), "{%8lx-%4x-%4x-%2x%2x-%2x%2x%2x%2x%2x%2x}", &d1, &d2, &d3, &b[0], &b[1],
                    &b[2], &b[3], &b[4], &b[5], &b[6], &b[7]) != 11)
        return out;
    out.Data1 = d1;
    out.Data2 = static_cast<WORD>(d2);
    out.Data3 = static_cast<WORD>(d3);
    for (int i = 0; i < 8; ++i) out.Data4[i] = static_cast<BYTE>(b[i]);
    return out;
}

SimSet* setOf(HDEVINFO handle) { return standin::sets().find(handle); }

const sim::detail::InfoSet& modelOf(const SimSet& s) { return *sim::detail::setOf(s.set); }

// The element index a caller's record names (its Reserved field holds index + 1), or -1.
long elementIndex(const SimSet& s, const SP_DEVINFO_DATA& data) {
    const auto& elements = modelOf(s).elements;
    if (data.Reserved == 0 || data.Reserved > elements.size()) return -1;
    const auto index = static_cast<std::uint32_t>(data.Reserved - 1);
    return elements[index] == data.DevInst ? static_cast<long>(index) : -1;
}

void fillInfo(const SimSet& s, std::uint32_t index, SP_DEVINFO_DATA& data) {
    const DWORD devInst = modelOf(s).elements[index];
    data.ClassGuid = classOf(devInst);
    data.DevInst = devInst;
    data.Reserved = index + 1;
}

// The simulated machine's record of an element, fetched once per set.
platform::DeviceInfoData* simElement(SimSet& s, std::uint32_t index) {
    auto it = s.elements.find(index);
    if (it != s.elements.end()) return &it->second;
    platform::DeviceInfoData record;
    if (platform::setupEnumDeviceInfoData(s.set, index, record) != platform::EnumResult::ok) return nullptr;
    return &s.elements.emplace(index, record).first->second;
}

// Checks shared by the calls on one element: the set, the record and its size.
SimSet* elementCall(HDEVINFO set, const SP_DEVINFO_DATA* data, long& index) {
    SimSet* s = setOf(set);
    if (s == nullptr) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    if (data == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    if (data->cbSize != sizeof(SP_DEVINFO_DATA)) {
        SetLastError(ERROR_INVALID_USER_BUFFER);
        return nullptr;
    }
    index = elementIndex(*s, *data);
    if (index < 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    return s;
}

bool multiString(DWORD spdrp) {
    return spdrp == SPDRP_HARDWAREID || spdrp == SPDRP_COMPATIBLEIDS || spdrp == SPDRP_UPPERFILTERS ||
           spdrp == SPDRP_LOWERFILTERS;
}

} // namespace

extern "C" {

HDEVINFO WINAPI SetupDiGetClassDevsA(const GUID* classGuid, PCSTR enumerator, HWND, DWORD flags) {
    std::lock_guard guard(standin::lock());
    // Enumerator filters and setup classes are not modelled: refused loudly, never
    // answered wrongly.
    if (enumerator != nullptr) return SetLastError(ERROR_NOT_SUPPORTED), INVALID_HANDLE_VALUE;
    auto s = std::make_unique<SimSet>();
    if ((flags & DIGCF_DEVICEINTERFACE) != 0) {
        if (classGuid == nullptr) return SetLastError(ERROR_INVALID_PARAMETER), INVALID_HANDLE_VALUE;
        s->interfaceClass = fromGuid(*classGuid);
        s->set = platform::DeviceInfoSet::presentInterfaces(s->interfaceClass);
    } else if ((flags & DIGCF_ALLCLASSES) != 0) {
        s->set = platform::DeviceInfoSet::presentDevices();
    } else {
        return SetLastError(ERROR_NOT_SUPPORTED), INVALID_HANDLE_VALUE;
    }
    if (!s->set) return SetLastError(kErrorGenFailure), INVALID_HANDLE_VALUE;
    return static_cast<HDEVINFO>(standin::sets().add(std::move(s)));
}

BOOL WINAPI SetupDiDestroyDeviceInfoList(HDEVINFO set) {
    std::lock_guard guard(standin::lock());
    if (!standin::sets().remove(set)) return fail(ERROR_INVALID_HANDLE);
    return TRUE;
}

BOOL WINAPI SetupDiEnumDeviceInterfaces(HDEVINFO set, PSP_DEVINFO_DATA info, const GUID* classGuid, DWORD index,
                                        PSP_DEVICE_INTERFACE_DATA data) {
    std::lock_guard guard(standin::lock());
    SimSet* s = setOf(set);
    if (s == nullptr) return fail(ERROR_INVALID_HANDLE);
    if (data == nullptr || classGuid == nullptr) return fail(ERROR_INVALID_PARAMETER);
    if (data->cbSize != sizeof(SP_DEVICE_INTERFACE_DATA)) return fail(ERROR_INVALID_USER_BUFFER);
    if (info != nullptr) {
        if (info->cbSize != sizeof(SP_DEVINFO_DATA)) return fail(ERROR_INVALID_USER_BUFFER);
        return fail(ERROR_NOT_SUPPORTED); // the interfaces of one element: not modelled
    }
    platform::DeviceInterfaceData record;
    switch (platform::setupEnumDeviceInterface(s->set, fromGuid(*classGuid), index, record)) {
    case platform::EnumResult::noMoreItems: return fail(ERROR_NO_MORE_ITEMS);
    case platform::EnumResult::failed: return fail(kErrorGenFailure);
    case platform::EnumResult::ok: break;
    }
    s->interfaces[index] = record;
    data->InterfaceClassGuid = *classGuid;
    data->Flags = SPINT_ACTIVE;
    data->Reserved = index + 1;
    return TRUE;
}

BOOL WINAPI SetupDiGetDeviceInterfaceDetailA(HDEVINFO set, PSP_DEVICE_INTERFACE_DATA data,
                                             PSP_DEVICE_INTERFACE_DETAIL_DATA_A detail, DWORD detailSize,
                                             PDWORD requiredSize, PSP_DEVINFO_DATA info) {
    using Detail = SP_DEVICE_INTERFACE_DETAIL_DATA_A;
    std::lock_guard guard(standin::lock());
    SimSet* s = setOf(set);
    if (s == nullptr) return fail(ERROR_INVALID_HANDLE);
    if (data == nullptr) return fail(ERROR_INVALID_PARAMETER);
    if (data->cbSize != sizeof(SP_DEVICE_INTERFACE_DATA)) return fail(ERROR_INVALID_USER_BUFFER);
    // A detail record must carry the fixed part's size (5 bytes on i686, 8 on x86_64) and
    // room for at least the terminator; no record means no size either.
    if (detail != nullptr && detail->cbSize != sizeof(Detail)) return fail(ERROR_INVALID_USER_BUFFER);
    if (detail == nullptr ? detailSize != 0 : detailSize < offsetof(Detail, DevicePath) + 1)
        return fail(ERROR_INVALID_USER_BUFFER);
    if (info != nullptr && info->cbSize != sizeof(SP_DEVINFO_DATA)) return fail(ERROR_INVALID_USER_BUFFER);
    const auto found = s->interfaces.find(static_cast<std::uint32_t>(data->Reserved - 1));
    if (data->Reserved == 0 || found == s->interfaces.end()) return fail(ERROR_INVALID_PARAMETER);

    std::uint32_t simRequired = 0;
    platform::DevInst owner = 0;
    if (!platform::setupInterfaceDetailSize(s->set, found->second, simRequired, owner)) return fail(kErrorGenFailure);
    const std::string& path = modelOf(*s).interfaces[found->first].path;
    const DWORD needed = static_cast<DWORD>(offsetof(Detail, DevicePath) + path.size() + 1);
    if (requiredSize != nullptr) *requiredSize = needed;
    // The device-info record is filled in even when the buffer is too small: callers
    // learn the interface's own node from the size query.
    if (info != nullptr) {
        const auto& elements = modelOf(*s).elements;
        for (std::uint32_t i = 0; i < elements.size(); ++i)
            if (elements[i] == owner) fillInfo(*s, i, *info);
    }
    if (detailSize < needed) return fail(ERROR_INSUFFICIENT_BUFFER);
    std::memcpy(detail->DevicePath, path.c_str(), path.size() + 1);
    return TRUE;
}

BOOL WINAPI SetupDiEnumDeviceInfo(HDEVINFO set, DWORD index, PSP_DEVINFO_DATA data) {
    std::lock_guard guard(standin::lock());
    SimSet* s = setOf(set);
    if (s == nullptr) return fail(ERROR_INVALID_HANDLE);
    if (data == nullptr) return fail(ERROR_INVALID_PARAMETER);
    if (data->cbSize != sizeof(SP_DEVINFO_DATA)) return fail(ERROR_INVALID_USER_BUFFER);
    platform::DeviceInfoData record;
    switch (platform::setupEnumDeviceInfoData(s->set, index, record)) {
    case platform::EnumResult::noMoreItems: return fail(ERROR_NO_MORE_ITEMS);
    case platform::EnumResult::failed: return fail(kErrorGenFailure);
    case platform::EnumResult::ok: break;
    }
    s->elements[index] = record;
    fillInfo(*s, index, *data);
    return TRUE;
}

BOOL WINAPI SetupDiGetDeviceRegistryPropertyA(HDEVINFO set, PSP_DEVINFO_DATA data, DWORD property, PDWORD type,
                                              PBYTE buffer, DWORD size, PDWORD requiredSize) {
    std::lock_guard guard(standin::lock());
    long index = -1;
    SimSet* s = elementCall(set, data, index);
    if (s == nullptr) return FALSE;
    if (property >= SPDRP_MAXIMUM_PROPERTY) return fail(ERROR_INVALID_REG_PROPERTY);
    if (buffer == nullptr && size != 0) return fail(ERROR_INVALID_PARAMETER);
    platform::DeviceInfoData* record = simElement(*s, static_cast<std::uint32_t>(index));
    if (record == nullptr) return fail(kErrorGenFailure);
    std::uint32_t required = 0;
    std::int32_t error = 0;
    const bool ok = platform::setupGetDeviceRegistryProperty(s->set, *record, property, buffer, size, required, error);
    if (ok || error == ERROR_INSUFFICIENT_BUFFER) {
        if (requiredSize != nullptr) *requiredSize = required;
        if (type != nullptr) *type = multiString(property) ? REG_MULTI_SZ : REG_SZ;
    }
    return ok ? TRUE : fail(static_cast<DWORD>(error));
}

BOOL WINAPI SetupDiRemoveDevice(HDEVINFO set, PSP_DEVINFO_DATA data) {
    standin::askWindowsBeforeRemoval();
    std::lock_guard guard(standin::lock());
    long index = -1;
    SimSet* s = elementCall(set, data, index);
    if (s == nullptr) return FALSE;
    platform::DeviceInfoData* record = simElement(*s, static_cast<std::uint32_t>(index));
    if (record == nullptr) return fail(kErrorGenFailure);
    switch (platform::setupRemoveDevice(s->set, *record)) {
    case platform::RemoveResult::removed: return TRUE;
    case platform::RemoveResult::failed: break;
    case platform::RemoveResult::restartNeeded:
        // A node that cannot be stopped now goes at the next start: Windows says so with a
        // successful call and the restart flag in the install parameters of the element,
        // which the set's show too.
        s->elementFlags[static_cast<std::uint32_t>(index)] |= standin::kDiNeedReboot;
        s->flags |= standin::kDiNeedReboot;
        return TRUE;
    }
    const sim::Machine& m = sim::current();
    const std::size_t node = data->DevInst - 1;
    return fail(node < m.nodes.size() && m.nodes[node].present ? kErrorGenFailure : ERROR_NO_SUCH_DEVINST);
}

BOOL WINAPI SetupDiGetDeviceInstallParamsA(HDEVINFO set, PSP_DEVINFO_DATA data, PSP_DEVINSTALL_PARAMS_A params) {
    std::lock_guard guard(standin::lock());
    SimSet* s = setOf(set);
    if (s == nullptr) return fail(ERROR_INVALID_HANDLE);
    if (params == nullptr) return fail(ERROR_INVALID_PARAMETER);
    if (params->cbSize != sizeof(SP_DEVINSTALL_PARAMS_A)) return fail(ERROR_INVALID_USER_BUFFER);
    DWORD flags = s->flags;
    if (data != nullptr) {
        long index = -1;
        if (elementCall(set, data, index) == nullptr) return FALSE;
        const auto it = s->elementFlags.find(static_cast<std::uint32_t>(index));
        flags = it == s->elementFlags.end() ? 0 : it->second;
    }
    std::memset(reinterpret_cast<char*>(params) + sizeof params->cbSize, 0, sizeof *params - sizeof params->cbSize);
    params->Flags = flags;
    return TRUE;
}

BOOL WINAPI SetupDiSetDeviceInstallParamsA(HDEVINFO set, PSP_DEVINFO_DATA data, PSP_DEVINSTALL_PARAMS_A params) {
    std::lock_guard guard(standin::lock());
    SimSet* s = setOf(set);
    if (s == nullptr) return fail(ERROR_INVALID_HANDLE);
    if (params == nullptr) return fail(ERROR_INVALID_PARAMETER);
    if (params->cbSize != sizeof(SP_DEVINSTALL_PARAMS_A)) return fail(ERROR_INVALID_USER_BUFFER);
    // Only the restart flags are modelled; the rest of the record is not kept.
    const DWORD flags = params->Flags & (standin::kDiNeedReboot | standin::kDiNeedRestart);
    if (data == nullptr) {
        s->flags = flags;
        return TRUE;
    }
    long index = -1;
    if (elementCall(set, data, index) == nullptr) return FALSE;
    s->elementFlags[static_cast<std::uint32_t>(index)] = flags;
    return TRUE;
}

} // extern "C"
