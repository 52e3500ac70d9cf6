#include "BenchFeeds.h"
#include "engine/Routes.h"

#include <benchmark/benchmark.h>

namespace {

// About 200 quotes per pair: a pair has some 4,200 first and 4,200 last legs.
void RunRoutes(benchmark::State& state, const TOfferControls& controls, int maxLegs) {
    const TBenchFeeds& feeds = BenchFeeds();
    TRouteOptions options;
    options.MaxLegs = maxLegs;
    std::size_t routes = 0;
    for (auto _ : state) {
        TRoutes found = FindRoutes(feeds.Rates, feeds.Names, feeds.Exchangers, controls, options);
        routes = found.Routes.size();
        benchmark::DoNotOptimize(found);
    }
    state.counters["routes"] = static_cast<double>(routes);
}

// The best 10 routes through one currency, as the window finds them after every change.
void BM_FindRoutesTwoLegs(benchmark::State& state) {
    RunRoutes(state, {"Name of wmz", "Name of yandex rub", "", ""}, 2);
}
BENCHMARK(BM_FindRoutesTwoLegs)->Unit(benchmark::kMicrosecond);

// With an amount, the reserve tests turn many of the best pairs of legs away.
void BM_FindRoutesTwoLegsSourceAmount(benchmark::State& state) {
    RunRoutes(state, {"Name of wmz", "Name of yandex rub", "100000", ""}, 2);
}
BENCHMARK(BM_FindRoutesTwoLegsSourceAmount)->Unit(benchmark::kMicrosecond);

// Through one or two currencies: every rates row may be a middle leg.
void BM_FindRoutesThreeLegs(benchmark::State& state) {
    RunRoutes(state, {"Name of wmz", "Name of yandex rub", "", ""}, 3);
}
BENCHMARK(BM_FindRoutesThreeLegs)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
