#include "RatesBody.h"
#include "engine/Protocol.h"
#include "engine/Routes.h"

#include <benchmark/benchmark.h>

namespace {

struct TFeeds {
    TStringMatrix Rates;
    TStringMatrix Names;
    TStringMatrix Exchangers;
};

// The feeds of offers_bench: 100,000 rates rows over 506 pairs (about 200 quotes per pair, so about 4,200
// first and 4,200 last legs for a pair) and 400 exchangers.
const TFeeds& Feeds() {
    static const TFeeds feeds = [] {
        TFeeds f;
        f.Rates = FeedTable(kFeedRates, MakeRatesBody(100000));
        for (const std::string& code : BenchCodes()) {
            f.Names.push_back({code, "Name of " + code, "-"});
        }
        for (int i = 0; i < 400; ++i) {
            const int id = 1 + (i * 263) % 400;
            f.Exchangers.push_back({std::to_string(id), "Exchanger number " + std::to_string(id),
                                    std::to_string(i % 7), i % 3 == 0 ? "" : "1"});
        }
        return f;
    }();
    return feeds;
}

void RunRoutes(benchmark::State& state, const TOfferControls& controls, int maxLegs) {
    const TFeeds& feeds = Feeds();
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
