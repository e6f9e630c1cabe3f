#include "tree_index.h"

#include "model.h"
#include "state.h"

namespace zel::sim::detail {

void treeChanged(State& s) { ++s.treeGeneration; }

const TreeIndex& treeIndex(State& s) {
    TreeIndex& index = s.tree;
    if (index.generation == s.treeGeneration) return index;
    const Machine& m = machineLocked(s);
    const int count = static_cast<int>(m.nodes.size());
    index.siblingPosition.assign(m.nodes.size(), -1);
    for (int p = 0; p < count; ++p) {
        const auto& children = m.nodes[p].children;
        for (std::size_t i = 0; i < children.size(); ++i) {
            const int c = children[i];
            // Only links the child itself agrees with, as the sibling step follows its parent.
            if (c >= 0 && c < count && m.nodes[c].parent == p && index.siblingPosition[c] < 0)
                index.siblingPosition[c] = static_cast<int>(i);
        }
    }
    index.preOrder = preOrder(m);
    index.interfaceOwners.clear();
    for (const int n : index.preOrder)
        if (!m.nodes[n].interfaces.empty()) index.interfaceOwners.push_back(n);
    index.generation = s.treeGeneration;
    return index;
}

} // namespace zel::sim::detail
