#include "RatesBody.h"
#include "engine/Functions.h"
#include "engine/Protocol.h"

#include <benchmark/benchmark.h>

namespace {

// The whole rates feed of a large service cut into its table, as a refresh does it: the new table replaces
// the previous one, so the heap the old rows held is reused rather than handed back to the kernel and faulted
// in again.
void BM_RegexMatchAllRates(benchmark::State& state) {
    const std::string body = BenchRatesBody(100000);
    TStringMatrix table;
    for (auto _ : state) {
        table = RegexMatchAll(body, kRatesPattern);
        benchmark::ClobberMemory();
    }
    state.counters["rows"] = static_cast<double>(table.size());
    state.counters["MB"] = static_cast<double>(body.size()) / 1e6;
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                            static_cast<std::int64_t>(body.size()));
}
BENCHMARK(BM_RegexMatchAllRates)->Unit(benchmark::kMillisecond);

// The first table of a run: every row is fresh memory (page faults included).
void BM_RegexMatchAllRatesFreshHeap(benchmark::State& state) {
    const std::string body = BenchRatesBody(100000);
    for (auto _ : state) {
        TStringMatrix table = RegexMatchAll(body, kRatesPattern);
        benchmark::DoNotOptimize(table);
    }
}
BENCHMARK(BM_RegexMatchAllRatesFreshHeap)->Unit(benchmark::kMillisecond);

// The same body with one malformed byte near the start: the lenient decoding pass is paid once.
void BM_RegexMatchAllRatesInvalidUtf8(benchmark::State& state) {
    std::string body = BenchRatesBody(100000);
    body.insert(10, 1, '\xFF');
    for (auto _ : state) {
        benchmark::DoNotOptimize(RegexMatchAll(body, kRatesPattern));
    }
}
BENCHMARK(BM_RegexMatchAllRatesInvalidUtf8)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
