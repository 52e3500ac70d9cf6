#pragma once
// Retention: every point for 30 days, then one per hour for a year, then one per day. A roll-up keeps the
// lowest, the highest and the last best rate of its hour or day, and the rest of its last point.

#include "history/RatePoint.h"

#include <cstdint>
#include <vector>

inline constexpr std::int64_t kHourMs = 3600LL * 1000;
inline constexpr std::int64_t kDayMs = 24 * kHourMs;
// How long every point is kept, and how long hourly points are.
inline constexpr std::int64_t kKeepEveryPointMs = 30 * kDayMs;
inline constexpr std::int64_t kKeepHourlyMs = 365 * kDayMs;

// Where the roll-ups stand at NowMs: points before HourCutoffMs become hourly, hourly points before
// DayCutoffMs daily. Both are bucket starts, so only whole hours and whole days are rolled up.
struct TRollUpCutoffs {
    std::int64_t HourCutoffMs = 0;
    std::int64_t DayCutoffMs = 0;
};
TRollUpCutoffs RollUpCutoffs(std::int64_t NowMs);

// The start of the bucket of BucketMs (UTC) that TimeMs lies in; also for times before 1970.
std::int64_t BucketStart(std::int64_t TimeMs, std::int64_t BucketMs);

// One point per bucket of BucketMs for Points (one pair's, oldest first): its time the bucket's start, Low
// and High the lowest Low and highest High, Rate and the other fields those of the bucket's last point, Span
// the bucket's length, Level ToLevel. Never throws beyond allocation.
std::vector<TRatePoint> RollUp(const std::vector<TRatePoint>& Points, std::int64_t BucketMs,
                               TPointLevel ToLevel);
