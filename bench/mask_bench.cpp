// Speed of the body mask, the one loop that touches every byte.
#include <benchmark/benchmark.h>

#include <vector>

#include "engine/file_layout.h"

static void BM_BodyMask(benchmark::State& state) {
    const kryvet::BodyMask mask(kryvet::KeyBytes{0x12, 0x34, 0x56});
    std::vector<std::uint8_t> data(static_cast<std::size_t>(state.range(0)), 0x5A);
    for (auto _ : state) {
        mask.Apply(data.data(), data.size());
        benchmark::DoNotOptimize(data.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * state.range(0));
}
BENCHMARK(BM_BodyMask)->Arg(700)->Arg(64 << 10)->Arg(256 << 10)->Arg(1 << 20);

BENCHMARK_MAIN();
