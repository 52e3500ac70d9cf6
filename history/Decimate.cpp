#include "history/Decimate.h"

#include <algorithm>

std::vector<TChartColumn> DecimateToColumns(const std::vector<TRatePoint>& Points, std::int64_t FromMs,
                                            std::int64_t ToMs, int Columns) {
    if (Columns < 1 || ToMs <= FromMs) {
        return {};
    }
    std::vector<TChartColumn> columns(static_cast<std::size_t>(Columns));
    const std::int64_t span = ToMs - FromMs;
    const TRatePoint* previous = nullptr;
    // Oldest first: only the range's points are walked.
    const auto first =
        std::lower_bound(Points.begin(), Points.end(), FromMs,
                         [](const TRatePoint& Point, std::int64_t Ms) { return Point.TimeMs < Ms; });
    for (auto at = first; at != Points.end() && at->TimeMs < ToMs; ++at) {
        const TRatePoint& point = *at;
        // Integer arithmetic: a span of centuries in milliseconds times a few thousand columns fits 64 bits.
        const auto index = static_cast<std::size_t>((point.TimeMs - FromMs) * Columns / span);
        TChartColumn& column = columns[index];
        if (!column.Filled) {
            column = {true,         point.Low,    point.High,
                      point.Rate,   point.Rate,   point.Median,
                      point.Median, point.Median, previous != nullptr && PointsJoin(*previous, point)};
        } else {
            column.Low = std::min(column.Low, point.Low);
            column.High = std::max(column.High, point.High);
            column.Last = point.Rate;
            column.MedianLow = std::min(column.MedianLow, point.Median);
            column.MedianHigh = std::max(column.MedianHigh, point.Median);
            column.MedianLast = point.Median;
        }
        previous = &point;
    }
    return columns;
}

std::int64_t ChartStartMs(const std::vector<TRatePoint>& Points, std::int64_t FromMs, std::int64_t ToMs) {
    const auto first =
        std::lower_bound(Points.begin(), Points.end(), FromMs,
                         [](const TRatePoint& Point, std::int64_t Ms) { return Point.TimeMs < Ms; });
    if (first == Points.end() || first->TimeMs >= ToMs) {
        return FromMs;
    }
    const std::int64_t start = std::min(first->TimeMs - (ToMs - first->TimeMs) / 20, ToMs - kMinChartSpanMs);
    return std::max(start, FromMs);
}
