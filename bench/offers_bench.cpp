#include "BenchFeeds.h"
#include "engine/Offers.h"

#include <benchmark/benchmark.h>

namespace {

void RunFill(benchmark::State& state, const TOfferControls& controls) {
    const TBenchFeeds& feeds = BenchFeeds();
    std::size_t offers = 0;
    for (auto _ : state) {
        std::vector<TOfferRow> rows = FillOffers(feeds.Rates, feeds.Names, feeds.Exchangers, controls);
        offers = rows.size();
        benchmark::DoNotOptimize(rows);
    }
    state.counters["offers"] = static_cast<double>(offers);
}

void BM_FillOffersNoAmount(benchmark::State& state) {
    RunFill(state, {"Name of wmz", "Name of yandex rub", "", ""});
}
BENCHMARK(BM_FillOffersNoAmount)->Unit(benchmark::kMicrosecond);

void BM_FillOffersSourceAmount(benchmark::State& state) {
    RunFill(state, {"Name of wmz", "Name of yandex rub", "100", ""});
}
BENCHMARK(BM_FillOffersSourceAmount)->Unit(benchmark::kMicrosecond);

// A rebuild as the rates tab runs it after a keystroke: fill, then the order the amount picks.
void BM_FillAndSortOffers(benchmark::State& state) {
    const TBenchFeeds& feeds = BenchFeeds();
    const TOfferControls controls{"Name of wmz", "Name of yandex rub", "100", ""};
    for (auto _ : state) {
        std::vector<TOfferRow> rows = FillOffers(feeds.Rates, feeds.Names, feeds.Exchangers, controls);
        SortOffers(rows, {*AmountOrder(controls.SrcAmountText, controls.DstAmountText)});
        benchmark::DoNotOptimize(rows);
    }
}
BENCHMARK(BM_FillAndSortOffers)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
