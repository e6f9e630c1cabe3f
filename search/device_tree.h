#pragma once
// Reading the device tree: one search's snapshot of it, and the property reads.

#include <zel/platform/machine.h>

#include <cstdint>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

namespace zel::search {

using platform::DevInst;

// A device-node property as read: the reported size plus two zero bytes, so text and
// hardware-ID lists always end even when the system's bytes do not. Empty when the
// node lacks the property or it cannot be read. One call in the common case: the first
// read offers a buffer that fits most properties, and only a longer one is read again at
// the size the call reported.
std::string readProperty(DevInst node, std::uint32_t property);

// The device instance ID's text after its last backslash: "" when the ID ends in a
// backslash or cannot be read, the whole ID when it has none.
std::string readInstanceSuffix(DevInst node);

// One search's view of the device tree: its shape walked once, from the root in
// pre-order, and each node's properties read at most once, when first asked for. On
// Windows 2000 and XP every Configuration Manager call crosses into another process, so
// the calls are what a search costs; the snapshot also keeps one search consistent while
// devices come and go. Nodes are numbered in pre-order: the root is 0, and visiting
// 0, 1, 2, ... walks the tree.
class DeviceTree {
public:
    using Node = std::uint32_t;
    static constexpr Node kNone = 0xFFFFFFFFu;

    // Walks the tree: one child query and one sibling query per node, no parent queries
    // (the walk keeps its own way back). Iterative: no depth limit.
    DeviceTree();

    // Whether the root could be located; a tree that could not has no nodes.
    bool located() const { return !nodes_.empty(); }
    Node size() const { return static_cast<Node>(nodes_.size()); }

    DevInst devInst(Node n) const { return nodes_[n].devInst; }
    Node parent(Node n) const { return nodes_[n].parent; }
    Node firstChild(Node n) const { return nodes_[n].firstChild; }
    Node nextSibling(Node n) const { return nodes_[n].nextSibling; }

    // The hardware-ID list, split into its strings up to the first empty one.
    const std::vector<std::string>& hardwareIds(Node n);
    // A property's first string ("" when there is none).
    const std::string& text(Node n, std::uint32_t property);
    const std::string& instanceSuffix(Node n);

private:
    struct Entry {
        Entry(DevInst node, Node up) : devInst(node), parent(up) {}
        DevInst devInst;
        Node parent;
        Node firstChild = kNone;
        Node nextSibling = kNone;
        std::optional<std::vector<std::string>> hardwareIds;
        std::optional<std::string> instanceSuffix;
    };
    std::vector<Entry> nodes_;
    std::unordered_map<std::uint64_t, std::string> texts_; // (node, property) -> text
};

} // namespace zel::search
