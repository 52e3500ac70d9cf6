#pragma once
// One recorded point of a pair's rates, and how a refresh's offers make one.

#include "engine/Offers.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// A pair of currencies as the rates tab names them (display names), with their codes.
struct THistoryPair {
    std::string Give;
    std::string Get;
    std::string GiveCode;
    std::string GetCode;
};

// How much a point stands for: one refresh, or the roll-up of an hour or a day.
enum class TPointLevel { Refresh = 0, Hour = 1, Day = 2 };

// What one refresh (or one roll-up) saw of a pair. Times in milliseconds since the epoch.
struct TRatePoint {
    std::int64_t TimeMs = 0; // the refresh; a roll-up: the start of its hour or day (UTC)
    double Rate = 0;         // best rate (BestOffer's: the quotes' own get / give); roll-up: last
    double Low = 0;          // lowest best rate in the point (a refresh: Rate)
    double High = 0;         // highest best rate in the point (a refresh: Rate)
    double Median = 0;       // median rate (get / give) of the pair's quotes
    std::int32_t Offers = 0; // number of offers
    std::int32_t EID = 0;    // the best offer's exchanger
    std::string Exchanger;
    double Reserve = 0; // the largest reserve among the offers
    // How long after this point the next one was due: the writer's refresh interval (0: none planned). Two
    // points further apart than that (with some slack) have a gap between them.
    std::int64_t SpanMs = 0;
    TPointLevel Level = TPointLevel::Refresh;
};

// The point Offers make at TimeMs, their rates their quotes' own (TOfferRow::Quote, not the rounded amounts),
// or nullopt when the pair has no offer with a rate (nothing to record). Never throws beyond allocation.
std::optional<TRatePoint> PointOf(const std::vector<TOfferRow>& Offers, std::int64_t TimeMs,
                                  std::int64_t SpanMs);

// PointOf the offers FillOffers makes for Pair without amounts, with the pair's codes filled in from Names.
std::optional<TRatePoint> PairPoint(const TStringMatrix& Rates, const TStringMatrix& Names,
                                    const TStringMatrix& Exchangers, THistoryPair& Pair, std::int64_t TimeMs,
                                    std::int64_t SpanMs);

// True when the line from A to the later B stands for rates seen all along: B came no later than one and a
// half of the larger span after A. Never throws.
bool PointsJoin(const TRatePoint& A, const TRatePoint& B);
