#pragma once
// Reading the device tree: the pre-order walk every scan uses, and the two-call
// property reads.

#include <zel/platform/machine.h>

#include <string>
#include <vector>

namespace zel::search {

using platform::DevInst;

// A device-node property as read: the reported size plus two zero bytes, so text and
// hardware-ID lists always end even when the system's bytes do not. Empty when the
// node lacks the property or it cannot be read.
std::string readProperty(DevInst node, std::uint32_t property);

// The property's first string ("" when there is none).
std::string readText(DevInst node, std::uint32_t property);

// A REG_MULTI_SZ property split into its strings, up to the first empty one.
std::vector<std::string> readList(DevInst node, std::uint32_t property);

// The device instance ID's text after its last backslash: "" when the ID ends in a
// backslash or cannot be read, the whole ID when it has none.
std::string readInstanceSuffix(DevInst node);

// Visits every node of the tree once, in pre-order from the root, children in the
// order the system reports them. Iterative: no depth limit. Returns false when the
// root cannot be located.
template <class Visit>
bool walkPreOrder(Visit&& visit) {
    DevInst node = 0;
    if (platform::cmLocateRoot(node) != platform::kCrSuccess) return false;
    for (;;) {
        visit(node);
        DevInst next = 0;
        if (platform::cmGetChild(next, node) == platform::kCrSuccess) {
            node = next;
            continue;
        }
        // No child: the next sibling of this node or of the nearest ancestor that has one.
        for (;;) {
            if (platform::cmGetSibling(next, node) == platform::kCrSuccess) {
                node = next;
                break;
            }
            if (platform::cmGetParent(next, node) != platform::kCrSuccess) return true;
            node = next;
        }
    }
}

} // namespace zel::search
