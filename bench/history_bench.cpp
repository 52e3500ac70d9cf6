// The rate history's speed and size.
// Goals: a year of 5-minute points for one pair (105,120) read for the chart in under 20 ms; recording a
// refresh's points costs the GUI thread under 2 ms (it posts to the recorder; the writing is timed too, on
// the recorder's thread); a year of 5-minute refreshes over 20 pairs keeps the file under 50 MB.

#include "bench/HistorySeries.h"
#include "history/HistoryRecorder.h"
#include "history/HistoryStore.h"
#include "history/RollUp.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <future>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

constexpr std::int64_t kEnd = 1796688000LL * 1000; // 2026-12-09 UTC

// A folder of its own, removed at exit.
struct TBenchDir {
    fs::path Path;
    TBenchDir() {
        char pattern[] = "/tmp/kovrin-history-bench-XXXXXX";
        Path = ::mkdtemp(pattern);
    }
    ~TBenchDir() {
        std::error_code ignored;
        fs::remove_all(Path, ignored);
    }
};

THistoryPair Pair(int Index) {
    return {"Currency " + std::to_string(Index), "Сбербанк RUB", "c" + std::to_string(Index), "sberrub"};
}

void Quiet(const std::string&) {}

void BM_ReadYearForChart(benchmark::State& State) {
    TBenchDir dir;
    auto store = THistoryStore::Open(dir.Path / "kovrin/history.sqlite", Quiet);
    std::vector<TPairPoint> points;
    for (const TRatePoint& point : BenchYearSeries(kEnd, kBenchYearOfPoints, false))
        points.push_back({Pair(1), point});
    // Written at the oldest point's time, so none is rolled up: the read sees every one.
    store->Record(points, points.front().Point.TimeMs);
    std::size_t read = 0;
    for (auto _ : State) {
        const std::vector<TRatePoint> series = store->Read(Pair(1), kEnd - kKeepHourlyMs, false);
        read = series.size();
        benchmark::DoNotOptimize(series.data());
    }
    State.counters["points"] = static_cast<double>(read);
}
BENCHMARK(BM_ReadYearForChart)->Unit(benchmark::kMillisecond);

// The window's part of a refresh: handing the recorder its job (the job works out 20 pairs' points there).
void BM_PostRefreshToRecorder(benchmark::State& State) {
    TBenchDir dir;
    THistoryRecorder recorder(dir.Path / "kovrin/history.sqlite", Quiet);
    const std::vector<TRatePoint> series = BenchYearSeries(kEnd, 2000);
    std::size_t at = 0;
    for (auto _ : State) {
        std::promise<void> done;
        const TRatePoint point = series[at++ % series.size()];
        recorder.Post(
            [point](THistoryStore&) {
                std::vector<TPairPoint> points;
                for (int pair = 0; pair < 20; ++pair)
                    points.push_back({Pair(pair), point});
                return points;
            },
            point.TimeMs, [&done](bool) { done.set_value(); });
        State.PauseTiming();
        done.get_future().wait();
        State.ResumeTiming();
    }
}
BENCHMARK(BM_PostRefreshToRecorder)->Unit(benchmark::kMicrosecond)->Iterations(200);

// The recorder's own work per refresh: one transaction with 20 pairs' points.
void BM_RecordRefreshOf20Pairs(benchmark::State& State) {
    TBenchDir dir;
    auto store = THistoryStore::Open(dir.Path / "kovrin/history.sqlite", Quiet);
    const std::vector<TRatePoint> series = BenchYearSeries(kEnd, 20000);
    std::size_t at = 0;
    for (auto _ : State) {
        const TRatePoint& point = series[at++ % series.size()];
        std::vector<TPairPoint> points;
        for (int pair = 0; pair < 20; ++pair)
            points.push_back({Pair(pair), point});
        store->Record(points, point.TimeMs);
    }
}
BENCHMARK(BM_RecordRefreshOf20Pairs)->Unit(benchmark::kMicrosecond)->Iterations(500);

// A year of 5-minute refreshes over 20 pairs, recorded an hour at a time (the roll-ups come out the same as
// per refresh): the file's size at the end, in MB.
void BM_YearOf20PairsFileSize(benchmark::State& State) {
    for (auto _ : State) {
        TBenchDir dir;
        const fs::path file = dir.Path / "kovrin/history.sqlite";
        {
            auto store = THistoryStore::Open(file, Quiet);
            const std::vector<TRatePoint> series = BenchYearSeries(kEnd);
            std::vector<TPairPoint> hour;
            for (std::size_t i = 0; i < series.size(); ++i) {
                for (int pair = 0; pair < 20; ++pair)
                    hour.push_back({Pair(pair), series[i]});
                if (i % 12 == 11 || i + 1 == series.size()) {
                    store->Record(hour, series[i].TimeMs);
                    hour.clear();
                }
            }
        } // closing checkpoints the journal into the file
        std::error_code ignored;
        State.counters["file_MB"] = static_cast<double>(fs::file_size(file, ignored)) / 1e6;
    }
}
BENCHMARK(BM_YearOf20PairsFileSize)->Unit(benchmark::kSecond)->Iterations(1);

} // namespace

BENCHMARK_MAIN();
