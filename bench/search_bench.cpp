// Cost of one search as the program runs it: Initialization, then 26 reads.
// Reports wall time and the platform calls per search (device opens, interface-set
// builds, tree steps): these must grow no worse than linearly with the tree.
#include "machine_generator.h"

#include "search_context.h"

#include <benchmark/benchmark.h>

#include <memory>

namespace {

void searchAndRead(zel::search::SearchContext& context) {
    context.initialize(0x40);
    for (int i = 0; i < zel::kSearchTableSize; ++i) {
        zel::DeviceRecord record{};
        context.readDevice(i, &record);
        benchmark::DoNotOptimize(record);
    }
}

void BM_Search(benchmark::State& state) {
    using zel::sim::Op;
    zel::sim::ScopedMachine machine(zel::bench::generateMachine(static_cast<int>(state.range(0)), 26));
    auto context = std::make_unique<zel::search::SearchContext>();
    searchAndRead(*context);
    if (context->deviceCount() != 26) state.SkipWithError("the generated disks were not all found");

    zel::sim::resetCalls();
    std::uint64_t searches = 0;
    for (auto _ : state) {
        searchAndRead(*context);
        ++searches;
    }
    const auto perSearch = [&](std::uint64_t calls) {
        return benchmark::Counter(static_cast<double>(calls) / static_cast<double>(searches));
    };
    state.counters["nodes"] = static_cast<double>(zel::sim::current().nodes.size());
    state.counters["opens"] = perSearch(zel::sim::calls(Op::createFile));
    state.counters["sets"] = perSearch(zel::sim::calls(Op::setupGetClassDevs));
    state.counters["steps"] = perSearch(zel::sim::calls(Op::cmGetChild) + zel::sim::calls(Op::cmGetSibling) +
                                        zel::sim::calls(Op::cmGetParent));
    state.counters["calls"] = perSearch(zel::sim::totalCalls());
}
BENCHMARK(BM_Search)->Arg(300)->Arg(3000)->Arg(30000)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
