#pragma once
// What the tree calls and the interface sets need of the machine's device tree, derived
// once per change of the tree instead of on every call: Windows answers a sibling step
// in constant time and builds an interface set from that class's interfaces, not from a
// walk of the whole tree, and the simulation must not cost more than the system it
// stands for.

#include <zel/sim/machine.h>

#include <cstdint>
#include <vector>

namespace zel::sim::detail {

struct State;

struct TreeIndex {
    std::uint64_t generation = 0;     // the tree it was derived from; 0: none yet
    std::vector<int> siblingPosition; // first place of each node among its parent's children; -1: none
    std::vector<int> preOrder;        // present nodes as detail::preOrder gives them
    std::vector<int> interfaceOwners; // the nodes of preOrder that expose an interface
};

// The index of the installed machine's tree, derived again when the tree changed since.
// Caller holds the lock.
const TreeIndex& treeIndex(State& s);

// Marks the tree changed: a machine was installed or loaded, or nodes were removed.
void treeChanged(State& s);

} // namespace zel::sim::detail
