#pragma once
// The spans of time the history is looked at over: the chart's ranges and kovrin-cli's --since.

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

// The chart's ranges, as the rates tab offers them.
enum class TChartRange { Day = 0, Week, Month, Year };
inline constexpr std::array kChartRanges = {TChartRange::Day, TChartRange::Week, TChartRange::Month,
                                            TChartRange::Year};

// The range's length in milliseconds (a year: 365 days).
std::int64_t RangeMs(TChartRange Range);
// Its short name as settings and --since spell it: "24h", "7d", "30d", "1y".
std::string_view RangeName(TChartRange Range);
// The range a short name stands for; nullopt for any other text.
std::optional<TChartRange> RangeNamed(std::string_view Name);

// The first moment (milliseconds since the epoch) --since Text asks for at NowMs: a range's short name counts
// back from NowMs, YYYY-MM-DD is that day's local midnight. nullopt for anything else (a day that does not
// exist included). Never throws.
std::optional<std::int64_t> SinceMs(std::string_view Text, std::int64_t NowMs);
