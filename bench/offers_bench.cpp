#include "RatesBody.h"
#include "engine/Offers.h"
#include "engine/Protocol.h"

#include <benchmark/benchmark.h>

namespace {

struct TFeeds {
    TStringMatrix Rates;
    TStringMatrix Names;
    TStringMatrix Exchangers;
};

// 100,000 rates rows over 506 pairs (about 200 offers per pair) and 400 exchangers listed in scrambled order.
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

void RunFill(benchmark::State& state, const TOfferControls& controls) {
    const TFeeds& feeds = Feeds();
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
    const TFeeds& feeds = Feeds();
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
