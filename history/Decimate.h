#pragma once
// A series cut down to the chart's pixel columns: per column the lowest and highest rate (so no spike is
// lost), the first and last, and the median's range, with whether the line comes in from the column before.
// A year of points then draws as a few hundred short strokes.

#include "history/RatePoint.h"

#include <cstdint>
#include <vector>

struct TChartColumn {
    bool Filled = false; // some point falls in this column
    double Low = 0;      // lowest Low of its points
    double High = 0;     // highest High
    double First = 0;    // Rate of its first point
    double Last = 0;     // Rate of its last point
    double MedianLow = 0;
    double MedianHigh = 0;
    double MedianLast = 0;
    // The line runs from the last filled column before this one to this one's first point (no gap between).
    bool JoinsPrevious = false;
};

// The least time the chart's axis spans: a history of minutes still reads as a line, not as one crowded mark.
inline constexpr std::int64_t kMinChartSpanMs = 15 * 60 * 1000;

// Where the chart's time axis starts when its range is [FromMs, ToMs): FromMs, unless the range's first
// point (Points oldest first) came later, as after a fresh start; then a twentieth of what the points span
// before that point, at least kMinChartSpanMs before ToMs and never before FromMs. A history younger than the
// range is so spread over the width instead of squeezed into its right edge. Never throws.
std::int64_t ChartStartMs(const std::vector<TRatePoint>& Points, std::int64_t FromMs, std::int64_t ToMs);

// Points (oldest first) within [FromMs, ToMs) cut into Columns columns of equal time; points outside are left
// out. Columns < 1 or ToMs <= FromMs give no columns. Never throws beyond allocation.
std::vector<TChartColumn> DecimateToColumns(const std::vector<TRatePoint>& Points, std::int64_t FromMs,
                                            std::int64_t ToMs, int Columns);
