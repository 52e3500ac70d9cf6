// How long the offer grid takes to be refilled and sorted with 5,000 offers, painting included.
// Goal: a refill of 5,000 offers, sorted, in under 10 ms (median).

#include "bench/WindowBenchMain.h"
#include "ui/OfferGrid.h"
#include "ui/RebuildOffers.h"

#include <QApplication>
#include <benchmark/benchmark.h>
#include <cstdlib>
#include <random>
#include <string>

namespace {

constexpr int kOffers = 5000;

std::vector<TOfferRow> ShuffledOffers() {
    std::mt19937 random(42);
    std::uniform_real_distribution<double> rate(0.5, 120.0);
    std::vector<TOfferRow> rows(kOffers);
    for (int i = 0; i < kOffers; ++i) {
        TOfferRow& row = rows[static_cast<std::size_t>(i)];
        row.EID = i + 1;
        row.Exchanger = "Exchanger " + std::to_string(random() % 300);
        row.SrcRate = 1;
        row.DstRate = std::round(rate(random) * 10000) / 10000;
        row.Reserve = std::round(rate(random) * 1000) / 100;
        if (i % 3 == 0)
            row.BL = static_cast<int>(random() % 100);
    }
    return rows;
}

// Feeds whose 5,000 quotes of one pair come from 250 exchangers (the feeds hold a few hundred of them).
struct TFeeds {
    TStringMatrix Rates, Names, Exchangers;
    TOfferControls Controls{"Source", "Target", "", "1000"};
    TFeeds() {
        Names = {{"src", "Source", ""}, {"dst", "Target", ""}};
        for (int i = 0; i < 250; ++i)
            Exchangers.push_back({std::to_string(100 + i), "Exchanger " + std::to_string(i), "", ""});
        std::mt19937 random(7);
        for (int i = 0; i < kOffers; ++i)
            Rates.push_back({std::to_string(100 + static_cast<int>(random() % 250)), "src", "dst", "1",
                             std::to_string(20 + random() % 10000 / 100.0), "100000"});
    }
};

struct TShown {
    TDBGridRates Grid;
    TShown() {
        Grid.resize(600, 400);
        Grid.show();
        QCoreApplication::processEvents();
    }
};

// What RebuildOffers does once the offers are computed: refill, current row, default order, one repaint.
void BM_GridRefillSorted5000(benchmark::State& state) {
    TShown shown;
    const std::vector<TOfferRow> offers = ShuffledOffers();
    for (auto _ : state) {
        std::vector<TOfferRow> rows = offers;
        SortOffers(rows, {kDefaultOrder});
        shown.Grid.setUpdatesEnabled(false);
        shown.Grid.Model().Fill(std::move(rows));
        shown.Grid.SetCurrentRowNumber(2);
        shown.Grid.setUpdatesEnabled(true);
        shown.Grid.SetOrder({kDefaultOrder});
        QCoreApplication::processEvents();
        benchmark::DoNotOptimize(shown.Grid.CurrentRowNumber());
    }
}
BENCHMARK(BM_GridRefillSorted5000)->Unit(benchmark::kMillisecond)->UseRealTime();

// The whole rebuild from the feed tables, the offer computation included: every rebuild is the first over its
// rates table, as after the rates feed arrives.
void BM_RebuildOffers5000(benchmark::State& state) {
    TShown shown;
    const TFeeds feeds;
    for (auto _ : state) {
        TQuoteRows quotes;
        RebuildOffers(shown.Grid, feeds.Rates, feeds.Names, feeds.Exchangers, feeds.Controls, quotes);
        QCoreApplication::processEvents();
    }
    state.counters["rows"] = shown.Grid.Model().rowCount();
}
BENCHMARK(BM_RebuildOffers5000)->Unit(benchmark::kMillisecond)->UseRealTime();

// A title click on 5,000 offers: re-sort by another column, the current offer following.
void BM_TitleSort5000(benchmark::State& state) {
    TShown shown;
    shown.Grid.Model().Fill(ShuffledOffers());
    shown.Grid.SetCurrentRowNumber(100);
    bool descending = false;
    for (auto _ : state) {
        shown.Grid.SetOrder({{TOfferField::Exchanger, descending}, {TOfferField::Reserve, false}});
        descending = !descending;
        QCoreApplication::processEvents();
    }
}
BENCHMARK(BM_TitleSort5000)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

int main(int argc, char** argv) {
    return RunWindowBenchmarks(argc, argv);
}
