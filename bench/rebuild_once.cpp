// One inventory rebuild on a generated machine of the given size, for instruction counts
// under callgrind (scripts/callgrind, which starts with instrumentation off): only the
// rebuild itself is measured, after the program has started and rebuilt once.
#include "rebuild_program.h"

#include <valgrind/callgrind.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
    const int nodes = argc > 1 ? std::atoi(argv[1]) : 300;
    const int fanOut = argc > 2 ? std::atoi(argv[2]) : 8;
    if (nodes < 40 || fanOut < 1) {
        std::fprintf(stderr, "usage: rebuild_once NODES [FAN-OUT] (at least 40 nodes; fan-out 8 unless given)\n");
        return 2;
    }
    zel::bench::RebuildProgram program(zel::bench::rebuildShape(nodes, fanOut));
    if (!program.ready()) {
        std::fprintf(stderr, "the program did not start or did not offer every generated disk\n");
        return 1;
    }
    zel::sim::resetCalls();
    CALLGRIND_START_INSTRUMENTATION;
    program.rebuild();
    CALLGRIND_STOP_INSTRUMENTATION;
    using zel::sim::Op;
    std::uint64_t treeCalls = 0; // Configuration Manager: each one a trip to another process on Windows 2000/XP
    for (Op op : {Op::cmLocateRoot, Op::cmGetChild, Op::cmGetSibling, Op::cmGetParent, Op::cmGetProperty, Op::cmGetDeviceId})
        treeCalls += zel::sim::calls(op);
    const std::size_t count = zel::sim::current().nodes.size();
    std::printf("nodes %zu offered %d platform calls %llu device-tree calls %llu (%.2f a node)\n", count,
                program.inventory().count(), static_cast<unsigned long long>(zel::sim::totalCalls()),
                static_cast<unsigned long long>(treeCalls), static_cast<double>(treeCalls) / static_cast<double>(count));
    return 0;
}
