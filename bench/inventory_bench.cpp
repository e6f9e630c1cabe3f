// Cost of one inventory rebuild as the program runs it: load the search library, search,
// read the 26 records, test each disk's layout and each letter for system files, unload.
// Reports wall time and the platform calls per rebuild; these must grow no worse than
// linearly with the tree.
#include "rebuild_program.h"

#include <benchmark/benchmark.h>

namespace {

using zel::sim::Op;

void BM_RebuildInventory(benchmark::State& state) {
    zel::bench::RebuildProgram program(zel::bench::rebuildShape(static_cast<int>(state.range(0))));
    if (!program.ready()) {
        state.SkipWithError("the program did not start or did not offer every generated disk");
        return;
    }
    zel::sim::resetCalls();
    std::uint64_t rebuilds = 0;
    for (auto _ : state) {
        program.rebuild();
        ++rebuilds;
    }
    const auto perRebuild = [&](std::uint64_t calls) {
        return benchmark::Counter(static_cast<double>(calls) / static_cast<double>(rebuilds));
    };
    state.counters["nodes"] = static_cast<double>(zel::sim::current().nodes.size());
    state.counters["offered"] = program.inventory().count();
    state.counters["opens"] = perRebuild(zel::sim::calls(Op::createFile) + zel::sim::calls(Op::createFileForRead));
    state.counters["sets"] = perRebuild(zel::sim::calls(Op::setupGetClassDevs));
    state.counters["steps"] = perRebuild(zel::sim::calls(Op::cmGetChild) + zel::sim::calls(Op::cmGetSibling) +
                                         zel::sim::calls(Op::cmGetParent));
    state.counters["calls"] = perRebuild(zel::sim::totalCalls());
}
BENCHMARK(BM_RebuildInventory)->Arg(300)->Arg(3000)->Arg(30000)->Unit(benchmark::kMillisecond);

// The same with every ordinary device on one level: sibling steps must stay cheap.
void BM_RebuildInventoryFlat(benchmark::State& state) {
    zel::bench::RebuildProgram program(zel::bench::rebuildShape(static_cast<int>(state.range(0)), 1 << 30));
    if (!program.ready()) {
        state.SkipWithError("the program did not start or did not offer every generated disk");
        return;
    }
    for (auto _ : state) program.rebuild();
}
BENCHMARK(BM_RebuildInventoryFlat)->Arg(3000)->Arg(30000)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
