#pragma once
// How the chart's time axis writes its labels: short, yet never two labels alike.

#include "history/HistoryRange.h"

#include <vector>

// A moment as the local calendar and clock give it.
struct TLocalMoment {
    int Year = 0;
    int Month = 0; // 1 to 12
    int Day = 0;   // 1 to 31
    int Hour = 0;
    int Minute = 0;
};

// What a label writes: the time of day (HH:mm), the day (dd.MM), the day with its year (dd.MM.yyyy), the day
// with the time (dd.MM HH:mm), or all of it (dd.MM.yyyy HH:mm).
enum class TAxisTimeFormat { Time, DayMonth, DayMonthYear, DayMonthTime, Full };

// The shortest form that tells Labels (oldest first) apart. The 24-hour range writes times, as its labels lie
// within a day of each other; the longer ranges write days, with the year once the labels span more than one
// year, or, when all labels fall on one day (a history younger than the range), the time of day. Where that
// form would write two labels alike the day, the year and the time are added as needed. Never throws.
TAxisTimeFormat AxisTimeFormat(TChartRange Range, const std::vector<TLocalMoment>& Labels);
