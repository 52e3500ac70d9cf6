#pragma once
// A year of 5-minute points for one pair, as the history benchmarks read, draw and record them.

#include "history/RatePoint.h"

#include <cmath>
#include <cstdint>
#include <vector>

inline constexpr std::int64_t kBenchFiveMinutes = 5 * 60 * 1000;
inline constexpr int kBenchYearOfPoints = 105120; // 365 days of 288

// Points every five minutes ending at EndMs, the rate wandering around 4,000,000; with Gaps, a day off now
// and then (Kovrin not running).
inline std::vector<TRatePoint> BenchYearSeries(std::int64_t EndMs, int Count = kBenchYearOfPoints,
                                               bool Gaps = true) {
    std::vector<TRatePoint> points;
    points.reserve(static_cast<std::size_t>(Count));
    double rate = 4000000;
    std::uint32_t state = 12345;
    for (int i = 0; i < Count; ++i) {
        state = state * 1664525u + 1013904223u;
        rate += (static_cast<double>(state >> 8) / (1 << 24) - 0.5) * 4000 + (4000000 - rate) * 0.002;
        if (Gaps && i % 9000 > 8700) {
            continue;
        }
        TRatePoint point;
        point.TimeMs = EndMs - static_cast<std::int64_t>(Count - i) * kBenchFiveMinutes;
        point.Rate = point.Low = point.High = std::round(rate);
        point.Median = std::round(rate * 0.985);
        point.Offers = 40 + static_cast<int>(state % 20);
        point.EID = 1 + static_cast<int>(state % 400);
        point.Exchanger = "Exchanger " + std::to_string(point.EID);
        point.Reserve = 150000 + state % 100000;
        point.SpanMs = kBenchFiveMinutes;
        points.push_back(point);
    }
    return points;
}
