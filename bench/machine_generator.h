#pragma once
// Large machines for benchmarks: a PCI bus with a tree of ordinary devices and SATA
// cards carrying a fixed number of disks.

#include <zel/sim/machine.h>

namespace zel::bench {

struct MachineShape {
    int nodes = 300;          // device nodes in all, about
    int disks = 26;           // spread over two SATA cards
    bool systemDisk = false;  // a system disk C: (with its start-up files) on the board's controller
    int fanOut = 8;           // children per ordinary device; a large number gives one flat level
};

// `disks` disks over two SATA cards, the first 23 of them with one fixed volume each
// (D: to Z:); the rest of the nodes are ordinary devices in a tree of the shape's fan-out.
sim::Machine generateMachine(const MachineShape& shape);

inline sim::Machine generateMachine(int nodes, int disks) {
    MachineShape shape;
    shape.nodes = nodes;
    shape.disks = disks;
    return generateMachine(shape);
}

} // namespace zel::bench
