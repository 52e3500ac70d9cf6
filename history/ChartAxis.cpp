#include "history/ChartAxis.h"

#include <algorithm>
#include <tuple>

namespace {

// The fields Format writes, as one comparable key; the fields left out are 0.
std::tuple<int, int, int, int, int> Written(const TLocalMoment& At, TAxisTimeFormat Format) {
    const bool day = Format != TAxisTimeFormat::Time;
    const bool year = Format == TAxisTimeFormat::DayMonthYear || Format == TAxisTimeFormat::Full;
    const bool time = Format == TAxisTimeFormat::Time || Format == TAxisTimeFormat::DayMonthTime ||
                      Format == TAxisTimeFormat::Full;
    return {year ? At.Year : 0, day ? At.Month : 0, day ? At.Day : 0, time ? At.Hour : 0,
            time ? At.Minute : 0};
}

bool TellsApart(const std::vector<TLocalMoment>& Labels, TAxisTimeFormat Format) {
    for (std::size_t i = 0; i < Labels.size(); ++i) {
        for (std::size_t j = i + 1; j < Labels.size(); ++j) {
            if (Written(Labels[i], Format) == Written(Labels[j], Format)) {
                return false;
            }
        }
    }
    return true;
}

} // namespace

TAxisTimeFormat AxisTimeFormat(TChartRange Range, const std::vector<TLocalMoment>& Labels) {
    const auto all = [&](auto Same) {
        return std::all_of(Labels.begin(), Labels.end(),
                           [&](const TLocalMoment& At) { return Same(At, Labels.front()); });
    };
    const bool oneYear =
        Labels.empty() || all([](const TLocalMoment& A, const TLocalMoment& B) { return A.Year == B.Year; });
    const bool oneDay = Labels.empty() || all([](const TLocalMoment& A, const TLocalMoment& B) {
                            return A.Year == B.Year && A.Month == B.Month && A.Day == B.Day;
                        });
    std::vector<TAxisTimeFormat> tried;
    if (Range == TChartRange::Day || oneDay) {
        tried.push_back(TAxisTimeFormat::Time);
    }
    if (Range != TChartRange::Day) {
        tried.push_back(oneYear ? TAxisTimeFormat::DayMonth : TAxisTimeFormat::DayMonthYear);
    }
    tried.push_back(oneYear ? TAxisTimeFormat::DayMonthTime : TAxisTimeFormat::Full);
    for (const TAxisTimeFormat format : tried) {
        if (TellsApart(Labels, format)) {
            return format;
        }
    }
    return TAxisTimeFormat::Full;
}
