#include "history/ChartAxis.h"

#include <gtest/gtest.h>

TEST(AxisTimeFormat, ShortestFormThatTellsTheLabelsApart) {
    using enum TAxisTimeFormat;
    using R = TChartRange;
    const TLocalMoment dec{2026, 12, 10, 9, 29};
    // A year back: the same day twice, told apart by the year; within one year the day alone.
    EXPECT_EQ(AxisTimeFormat(R::Year, {{2025, 12, 10, 9, 30}, {2026, 6, 11, 9, 30}, dec}), DayMonthYear);
    EXPECT_EQ(AxisTimeFormat(R::Month, {{2026, 11, 10, 9, 0}, {2026, 11, 25, 9, 0}, dec}), DayMonth);
    // A short history: all on one day, the time of day; over midnight the day is added, over New Year all.
    EXPECT_EQ(AxisTimeFormat(R::Year, {{2026, 12, 10, 8, 0}, {2026, 12, 10, 9, 0}, dec}), Time);
    EXPECT_EQ(AxisTimeFormat(R::Week, {{2026, 12, 9, 23, 0}, {2026, 12, 10, 4, 0}, dec}), DayMonthTime);
    EXPECT_EQ(AxisTimeFormat(R::Week, {{2025, 12, 31, 23, 50}, {2026, 1, 1, 0, 0}, {2026, 1, 1, 0, 10}}),
              Full);
    // The 24-hour range writes times, over midnight too, unless two repeat.
    EXPECT_EQ(AxisTimeFormat(R::Day, {{2026, 12, 9, 9, 30}, {2026, 12, 9, 21, 30}, dec}), Time);
    EXPECT_EQ(AxisTimeFormat(R::Day, {{2026, 12, 9, 9, 29}, {2026, 12, 9, 21, 30}, dec}), DayMonthTime);
}
