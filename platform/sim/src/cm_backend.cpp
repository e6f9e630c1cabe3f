// Configuration Manager calls answered from the model's device tree.
#include "guard.h"
#include "model.h"
#include "state.h"

#include <algorithm>
#include <cstring>
#include <string>

namespace zel::platform {
namespace {

using sim::Machine;
using sim::Op;
using sim::detail::Call;
using sim::detail::guarded;
using sim::detail::nodeIndex;

// Removed nodes stay in the table (handles keep their numbers) but leave the tree.
bool present(const Machine& m, int node) {
    return node >= 0 && static_cast<std::size_t>(node) < m.nodes.size() && m.nodes[node].present;
}

std::string subjectOf(const Machine& m, int node) { return node < 0 ? std::string() : m.nodes[node].instanceId; }

// Child, sibling and parent share their shape: validate the handle, ask the fault rules,
// then follow one link of the tree. As on Windows, a valid call that finds no relative
// leaves -1 in the output.
template <class Follow>
ConfigRet related(Op op, DevInst& out, DevInst from, Follow follow) {
    return guarded(kCrFailure, [&] {
        Call call(op);
        const Machine& m = call.machine();
        const int node = nodeIndex(m, from);
        if (call.failsWith([&] { return subjectOf(m, node); })) return kCrFailure;
        if (node < 0) return kCrInvalidDevNode;
        out = static_cast<DevInst>(-1);
        const int next = follow(m, node);
        if (next < 0 || static_cast<std::size_t>(next) >= m.nodes.size()) return kCrNoSuchDevNode;
        out = static_cast<DevInst>(next + 1);
        return kCrSuccess;
    });
}

} // namespace

ConfigRet cmLocateRoot(DevInst& root) {
    return guarded(kCrFailure, [&] {
        Call call(Op::cmLocateRoot);
        const Machine& m = call.machine();
        if (call.fails(subjectOf(m, m.nodes.empty() ? -1 : 0))) return kCrFailure;
        if (m.nodes.empty()) return kCrNoSuchDevNode;
        root = 1;
        return kCrSuccess;
    });
}

ConfigRet cmReenumerateDevNode(DevInst devInst) {
    return guarded(kCrFailure, [&] {
        Call call(Op::cmReenumerate);
        const Machine& m = call.machine();
        const int node = nodeIndex(m, devInst);
        if (call.failsWith([&] { return subjectOf(m, node); })) return kCrFailure;
        if (node < 0) return kCrInvalidDevNode;
        sim::detail::applyRescanLocked(call.state(), node);
        return kCrSuccess;
    });
}

ConfigRet cmGetChild(DevInst& child, DevInst node) {
    return related(Op::cmGetChild, child, node, [](const Machine& m, int n) {
        for (const int c : m.nodes[n].children)
            if (present(m, c)) return c;
        return -1;
    });
}

ConfigRet cmGetSibling(DevInst& sibling, DevInst node) {
    return related(Op::cmGetSibling, sibling, node, [](const Machine& m, int n) {
        const int parent = m.nodes[n].parent;
        if (parent < 0 || static_cast<std::size_t>(parent) >= m.nodes.size()) return -1;
        const auto& peers = m.nodes[parent].children;
        // The node's place among its peers comes from the index (the lock is held).
        const int position = sim::detail::treeIndex(sim::detail::state()).siblingPosition[n];
        if (position < 0) return -1;
        auto at = peers.begin() + position;
        while (++at != peers.end())
            if (present(m, *at)) return *at;
        return -1;
    });
}

ConfigRet cmGetParent(DevInst& parent, DevInst node) {
    return related(Op::cmGetParent, parent, node, [](const Machine& m, int n) { return m.nodes[n].parent; });
}

ConfigRet cmGetDevNodeRegistryProperty(DevInst node, std::uint32_t property, void* buffer,
                                       std::uint32_t& length) {
    return guarded(kCrFailure, [&] {
        Call call(Op::cmGetProperty);
        const Machine& m = call.machine();
        const int n = nodeIndex(m, node);
        if (call.failsWith([&] { return subjectOf(m, n) + "|" + std::to_string(property); })) return kCrFailure;
        if (n < 0) return kCrInvalidDevNode;
        const auto& properties = m.nodes[n].properties;
        const auto it = properties.find(property);
        if (it == properties.end()) {
            length = 0;
            return kCrNoSuchValue;
        }
        const auto size = static_cast<std::uint32_t>(it->second.bytes.size());
        // The size query answers even for a property whose read then fails.
        if (buffer == nullptr) {
            length = size;
            return kCrBufferSmall;
        }
        if (!it->second.readable) return kCrFailure;
        if (length < size) {
            length = size;
            return kCrBufferSmall;
        }
        std::memcpy(buffer, it->second.bytes.data(), size);
        length = size;
        return kCrSuccess;
    });
}

ConfigRet cmGetDeviceId(DevInst node, char* buffer, std::uint32_t length) {
    return guarded(kCrFailure, [&] {
        Call call(Op::cmGetDeviceId);
        const Machine& m = call.machine();
        const int n = nodeIndex(m, node);
        if (call.failsWith([&] { return subjectOf(m, n); })) return kCrFailure;
        if (n < 0) return kCrInvalidDevNode;
        if (buffer == nullptr) return kCrFailure;
        const std::string& id = m.nodes[n].instanceId;
        // Windows copies what fits; an ID that fills the buffer exactly is a success
        // without a terminator, a longer one is cut short with CR_BUFFER_SMALL.
        const std::size_t copied = std::min<std::size_t>(id.size(), length);
        std::memcpy(buffer, id.data(), copied);
        if (id.size() > length) return kCrBufferSmall;
        if (copied < length) buffer[copied] = '\0';
        return kCrSuccess;
    });
}

} // namespace zel::platform
