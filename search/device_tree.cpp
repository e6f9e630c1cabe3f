#include "device_tree.h"

#include <cstring>
#include <string_view>

namespace zel::search {

using namespace zel::platform;

namespace {

// Hardware-ID lists, descriptions and object names of real devices fit in this.
constexpr std::uint32_t kFirstReadBytes = 512;

std::vector<std::string> splitList(const std::string& bytes) {
    std::vector<std::string> list;
    for (std::size_t at = 0; at < bytes.size() && bytes[at] != '\0';) {
        const std::size_t length = std::strlen(bytes.c_str() + at); // ends inside: two zeros follow
        list.emplace_back(bytes, at, length);
        at += length + 1;
    }
    return list;
}

} // namespace

std::string readProperty(DevInst node, std::uint32_t property) {
    std::string bytes(kFirstReadBytes + 2, '\0');
    std::uint32_t length = kFirstReadBytes;
    ConfigRet result = cmGetDevNodeRegistryProperty(node, property, bytes.data(), length);
    if (result == kCrBufferSmall && length > kFirstReadBytes) {
        bytes.assign(static_cast<std::size_t>(length) + 2, '\0');
        result = cmGetDevNodeRegistryProperty(node, property, bytes.data(), length);
    }
    if (result != kCrSuccess || length == 0 || length > bytes.size() - 2) return {};
    bytes.resize(static_cast<std::size_t>(length) + 2); // the bytes read, then two zeros
    return bytes;
}

std::string readInstanceSuffix(DevInst node) {
    char id[kDeviceIdBufferLength] = {};
    if (cmGetDeviceId(node, id, sizeof id) != kCrSuccess) return {};
    // An ID that fills the buffer exactly comes without a terminator: its last character counts.
    const std::string_view text(id, strnlen(id, sizeof id));
    const std::size_t slash = text.rfind('\\');
    return std::string(slash != std::string_view::npos ? text.substr(slash + 1) : text);
}

DeviceTree::DeviceTree() {
    DevInst root = 0;
    if (cmLocateRoot(root) != kCrSuccess) return;
    nodes_.emplace_back(root, kNone);
    // The nodes whose next sibling is still to be asked for, nearest last.
    std::vector<Node> open{0};
    Node current = 0;
    for (;;) {
        DevInst next = 0;
        if (cmGetChild(next, nodes_[current].devInst) == kCrSuccess) {
            const Node child = size();
            nodes_.emplace_back(next, current);
            nodes_[current].firstChild = child;
            open.push_back(child);
            current = child;
            continue;
        }
        // No child: the next sibling of this node or of the nearest ancestor that has one.
        for (;;) {
            const Node node = open.back();
            open.pop_back();
            if (open.empty()) return; // back at the root, whose siblings are not the tree's
            if (cmGetSibling(next, nodes_[node].devInst) == kCrSuccess) {
                const Node sibling = size();
                nodes_.emplace_back(next, nodes_[node].parent);
                nodes_[node].nextSibling = sibling;
                open.push_back(sibling);
                current = sibling;
                break;
            }
        }
    }
}

const std::vector<std::string>& DeviceTree::hardwareIds(Node n) {
    Entry& entry = nodes_[n];
    if (!entry.hardwareIds) entry.hardwareIds = splitList(readProperty(entry.devInst, kCmDrpHardwareId));
    return *entry.hardwareIds;
}

const std::string& DeviceTree::text(Node n, std::uint32_t property) {
    const std::uint64_t key = (static_cast<std::uint64_t>(n) << 32) | property;
    auto it = texts_.find(key);
    if (it == texts_.end()) {
        const std::string bytes = readProperty(nodes_[n].devInst, property);
        it = texts_.emplace(key, std::string(bytes.c_str())).first; // up to the first zero
    }
    return it->second;
}

const std::string& DeviceTree::instanceSuffix(Node n) {
    Entry& entry = nodes_[n];
    if (!entry.instanceSuffix) entry.instanceSuffix = readInstanceSuffix(entry.devInst);
    return *entry.instanceSuffix;
}

} // namespace zel::search
