#pragma once
// Large machines for benchmarks: a PCI bus with a tree of ordinary devices and SATA
// cards carrying a fixed number of disks.

#include <zel/sim/machine.h>

namespace zel::bench {

// About `nodes` device nodes in all; `disks` disks spread over two SATA cards, the
// first 23 of them with one fixed volume each (D: to Z:).
sim::Machine generateMachine(int nodes, int disks);

} // namespace zel::bench
