#include "history/HistoryRange.h"

#include <charconv>
#include <ctime>

namespace {

constexpr std::int64_t kDay = 24LL * 3600 * 1000;

int Number(std::string_view Text) {
    int value = -1;
    const auto [end, error] = std::from_chars(Text.data(), Text.data() + Text.size(), value);
    return error == std::errc() && end == Text.data() + Text.size() ? value : -1;
}

} // namespace

std::int64_t RangeMs(TChartRange Range) {
    switch (Range) {
    case TChartRange::Day:
        return kDay;
    case TChartRange::Week:
        return 7 * kDay;
    case TChartRange::Month:
        return 30 * kDay;
    case TChartRange::Year:
        return 365 * kDay;
    }
    return kDay;
}

std::string_view RangeName(TChartRange Range) {
    switch (Range) {
    case TChartRange::Day:
        return "24h";
    case TChartRange::Week:
        return "7d";
    case TChartRange::Month:
        return "30d";
    case TChartRange::Year:
        return "1y";
    }
    return "24h";
}

std::optional<TChartRange> RangeNamed(std::string_view Name) {
    for (const TChartRange range : kChartRanges) {
        if (RangeName(range) == Name) {
            return range;
        }
    }
    return std::nullopt;
}

std::optional<std::int64_t> SinceMs(std::string_view Text, std::int64_t NowMs) {
    if (const std::optional<TChartRange> range = RangeNamed(Text)) {
        return NowMs - RangeMs(*range);
    }
    if (Text.size() != 10 || Text[4] != '-' || Text[7] != '-') {
        return std::nullopt;
    }
    const int year = Number(Text.substr(0, 4));
    const int month = Number(Text.substr(5, 2));
    const int day = Number(Text.substr(8, 2));
    if (year < 1970 || month < 1 || month > 12 || day < 1 || day > 31) {
        return std::nullopt;
    }
    std::tm local{};
    local.tm_year = year - 1900;
    local.tm_mon = month - 1;
    local.tm_mday = day;
    local.tm_isdst = -1;
    const std::time_t at = std::mktime(&local);
    // mktime carries 31 February into March; such a day is refused.
    if (at == static_cast<std::time_t>(-1) || local.tm_mday != day || local.tm_mon != month - 1) {
        return std::nullopt;
    }
    return static_cast<std::int64_t>(at) * 1000;
}
