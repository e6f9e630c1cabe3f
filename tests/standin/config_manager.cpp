// The CM_* exports (setupapi.dll carries them as well as cfgmgr32.dll): the device tree
// of the simulated machine, with the pointer and flag checks Windows makes first.
#define _CFGMGR32_
#include "live_objects.h"

#include <windows.h>
#include <cfgmgr32.h>

#include <zel/sim/machine.h>

using namespace zel;

namespace {

template <class Follow>
CONFIGRET related(PDEVINST out, DEVINST node, ULONG flags, Follow follow) {
    if (out == nullptr) return CR_INVALID_POINTER;
    if (node == 0) return CR_INVALID_DEVINST;
    if (flags != 0) return CR_INVALID_FLAG;
    std::lock_guard guard(standin::lock());
    platform::DevInst found = 0;
    const CONFIGRET result = follow(found, node);
    if (result == CR_SUCCESS || result == CR_NO_SUCH_DEVNODE) *out = found;
    return result;
}

bool multiString(ULONG property) {
    return property == CM_DRP_HARDWAREID || property == CM_DRP_COMPATIBLEIDS || property == CM_DRP_UPPERFILTERS ||
           property == CM_DRP_LOWERFILTERS;
}

} // namespace

extern "C" {

CONFIGRET WINAPI CM_Locate_DevNodeA(PDEVINST out, DEVINSTID_A id, ULONG flags) {
    if (out == nullptr) return CR_INVALID_POINTER;
    if ((flags & ~CM_LOCATE_DEVNODE_BITS) != 0) return CR_INVALID_FLAG;
    std::lock_guard guard(standin::lock());
    if (id == nullptr || *id == '\0') {
        platform::DevInst root = 0;
        const CONFIGRET result = platform::cmLocateRoot(root);
        if (result == CR_SUCCESS) *out = root;
        return result;
    }
    const sim::Machine& m = sim::current();
    const int node = sim::findNode(m, id);
    if (node < 0 || !m.nodes[node].present) return CR_NO_SUCH_DEVNODE;
    *out = static_cast<DEVINST>(node + 1);
    return CR_SUCCESS;
}

CONFIGRET WINAPI CM_Reenumerate_DevNode(DEVINST node, ULONG flags) {
    if ((flags & ~CM_REENUMERATE_BITS) != 0) return CR_INVALID_FLAG;
    if (node == 0) return CR_INVALID_DEVINST;
    std::lock_guard guard(standin::lock());
    return platform::cmReenumerateDevNode(node);
}

CONFIGRET WINAPI CM_Get_Child(PDEVINST out, DEVINST node, ULONG flags) {
    return related(out, node, flags, [](platform::DevInst& found, DEVINST n) { return platform::cmGetChild(found, n); });
}

CONFIGRET WINAPI CM_Get_Sibling(PDEVINST out, DEVINST node, ULONG flags) {
    return related(out, node, flags,
                   [](platform::DevInst& found, DEVINST n) { return platform::cmGetSibling(found, n); });
}

CONFIGRET WINAPI CM_Get_Parent(PDEVINST out, DEVINST node, ULONG flags) {
    return related(out, node, flags,
                   [](platform::DevInst& found, DEVINST n) { return platform::cmGetParent(found, n); });
}

CONFIGRET WINAPI CM_Get_DevNode_Registry_PropertyA(DEVINST node, ULONG property, PULONG type, PVOID buffer,
                                                   PULONG length, ULONG flags) {
    if (length == nullptr) return CR_INVALID_POINTER;
    if (buffer == nullptr && *length != 0) return CR_INVALID_POINTER;
    if (property < CM_DRP_MIN || property > CM_DRP_MAX) return CR_INVALID_PROPERTY;
    if (node == 0) return CR_INVALID_DEVINST;
    if (flags != 0) return CR_INVALID_FLAG;
    std::lock_guard guard(standin::lock());
    std::uint32_t size = *length;
    const CONFIGRET result = platform::cmGetDevNodeRegistryProperty(node, property, buffer, size);
    if (result == CR_SUCCESS || result == CR_BUFFER_SMALL || result == CR_NO_SUCH_VALUE) *length = size;
    if (type != nullptr && (result == CR_SUCCESS || result == CR_BUFFER_SMALL))
        *type = multiString(property) ? REG_MULTI_SZ : REG_SZ;
    return result;
}

CONFIGRET WINAPI CM_Get_Device_IDA(DEVINST node, PSTR buffer, ULONG length, ULONG flags) {
    if (buffer == nullptr) return CR_INVALID_POINTER;
    if (node == 0) return CR_INVALID_DEVINST;
    if (flags != 0) return CR_INVALID_FLAG;
    std::lock_guard guard(standin::lock());
    return platform::cmGetDeviceId(node, buffer, length);
}

} // extern "C"
