// One inventory rebuild on a generated machine of the given size, for instruction counts
// under callgrind (scripts/callgrind, which starts with instrumentation off): only the
// rebuild itself is measured, after the program has started and rebuilt once.
#include "rebuild_program.h"

#include <valgrind/callgrind.h>

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
    const int nodes = argc > 1 ? std::atoi(argv[1]) : 300;
    if (nodes < 40) {
        std::fprintf(stderr, "usage: rebuild_once NODES (at least 40)\n");
        return 2;
    }
    zel::bench::RebuildProgram program(zel::bench::rebuildShape(nodes));
    if (!program.ready()) {
        std::fprintf(stderr, "the program did not start or did not offer every generated disk\n");
        return 1;
    }
    zel::sim::resetCalls();
    CALLGRIND_START_INSTRUMENTATION;
    program.rebuild();
    CALLGRIND_STOP_INSTRUMENTATION;
    std::printf("nodes %zu offered %d platform calls %llu\n", zel::sim::current().nodes.size(),
                program.inventory().count(), static_cast<unsigned long long>(zel::sim::totalCalls()));
    return 0;
}
