#include "history/RollUp.h"

#include <algorithm>

std::int64_t BucketStart(std::int64_t TimeMs, std::int64_t BucketMs) {
    std::int64_t start = TimeMs - TimeMs % BucketMs;
    if (start > TimeMs) {
        start -= BucketMs;
    }
    return start;
}

TRollUpCutoffs RollUpCutoffs(std::int64_t NowMs) {
    return {BucketStart(NowMs - kKeepEveryPointMs, kHourMs), BucketStart(NowMs - kKeepHourlyMs, kDayMs)};
}

std::vector<TRatePoint> RollUp(const std::vector<TRatePoint>& Points, std::int64_t BucketMs,
                               TPointLevel ToLevel) {
    std::vector<TRatePoint> buckets;
    for (const TRatePoint& point : Points) {
        const std::int64_t start = BucketStart(point.TimeMs, BucketMs);
        if (buckets.empty() || buckets.back().TimeMs != start) {
            buckets.push_back(point);
            buckets.back().TimeMs = start;
            buckets.back().SpanMs = BucketMs;
            buckets.back().Level = ToLevel;
            continue;
        }
        TRatePoint& bucket = buckets.back();
        const double low = std::min(bucket.Low, point.Low);
        const double high = std::max(bucket.High, point.High);
        bucket = point;
        bucket.TimeMs = start;
        bucket.SpanMs = BucketMs;
        bucket.Level = ToLevel;
        bucket.Low = low;
        bucket.High = high;
    }
    return buckets;
}
