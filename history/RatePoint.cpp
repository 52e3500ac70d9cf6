#include "history/RatePoint.h"

#include "engine/RateAlerts.h"

#include <algorithm>

std::optional<TRatePoint> PointOf(const std::vector<TOfferRow>& Offers, std::int64_t TimeMs,
                                  std::int64_t SpanMs) {
    const std::optional<TBestOffer> best = BestOffer(Offers);
    if (!best) {
        return std::nullopt;
    }
    std::vector<double> rates;
    rates.reserve(Offers.size());
    double reserve = 0;
    for (const TOfferRow& row : Offers) {
        if (row.Quote > 0) {
            rates.push_back(static_cast<double>(row.Quote));
        }
        reserve = std::max(reserve, row.Reserve);
    }
    std::sort(rates.begin(), rates.end());
    const std::size_t half = rates.size() / 2;
    TRatePoint point;
    point.TimeMs = TimeMs;
    point.Rate = static_cast<double>(best->Rate);
    point.Low = point.High = point.Rate;
    point.Median = rates.size() % 2 == 1 ? rates[half] : (rates[half - 1] + rates[half]) / 2;
    point.Offers = static_cast<std::int32_t>(std::min<std::size_t>(Offers.size(), INT32_MAX));
    point.EID = best->Row.EID;
    point.Exchanger = best->Row.Exchanger;
    point.Reserve = reserve;
    point.SpanMs = SpanMs;
    return point;
}

std::optional<TRatePoint> PairPoint(const TStringMatrix& Rates, const TStringMatrix& Names,
                                    const TStringMatrix& Exchangers, THistoryPair& Pair, std::int64_t TimeMs,
                                    std::int64_t SpanMs) {
    // The last names row carrying a display name gives its code, as for the offers.
    for (const TStringRow row : Names) {
        if (row.size() < 2) {
            continue;
        }
        if (row[1] == Pair.Give) {
            Pair.GiveCode = row[0];
        }
        if (row[1] == Pair.Get) {
            Pair.GetCode = row[0];
        }
    }
    TOfferControls controls;
    controls.SrcName = Pair.Give;
    controls.DstName = Pair.Get;
    return PointOf(FillOffers(Rates, Names, Exchangers, controls), TimeMs, SpanMs);
}

bool PointsJoin(const TRatePoint& A, const TRatePoint& B) {
    const std::int64_t span = std::max(A.SpanMs, B.SpanMs);
    return span > 0 && B.TimeMs - A.TimeMs <= span + span / 2;
}
