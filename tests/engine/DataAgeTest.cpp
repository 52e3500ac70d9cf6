#include "engine/DataAge.h"

#include "tests/support/ExchangeOutcome.h"

#include <gtest/gtest.h>

namespace {

const TWallClock kNow{2026, 12, 10, 0, 30, 0};

TEST(DataAge, TellsTheAgeInWordsAndTheMarkOfKeptOrFailedRates) {
    EXPECT_EQ(DataAgeWords({2026, 12, 10, 0, 29, 30}, kNow), "обновлено только что");
    EXPECT_EQ(DataAgeWords({2026, 12, 10, 0, 28, 1}, kNow), "обновлено 1 мин назад");
    // Across midnight a recent time is still minutes ago, not "yesterday".
    EXPECT_EQ(DataAgeWords({2026, 12, 9, 23, 31, 0}, kNow), "обновлено 59 мин назад");
    EXPECT_EQ(DataAgeWords({2026, 12, 9, 23, 30, 0}, kNow), "курсы от вчера, 23:30");
    EXPECT_EQ(DataAgeWords({2026, 12, 10, 9, 10, 0}, {2026, 12, 10, 18, 0, 0}), "обновлено сегодня в 09:10");
    // Month and year boundaries count as one day.
    EXPECT_EQ(DataAgeWords({2026, 12, 31, 14, 5, 0}, {2027, 1, 1, 10, 0, 0}), "курсы от вчера, 14:05");
    EXPECT_EQ(DataAgeWords({2024, 2, 29, 14, 5, 0}, {2024, 3, 1, 10, 0, 0}), "курсы от вчера, 14:05");
    EXPECT_EQ(DataAgeWords({2026, 12, 8, 14, 5, 0}, kNow), "курсы от 08.12.2026, 14:05");
    // A clock set back never gives a negative age.
    EXPECT_EQ(DataAgeWords({2026, 12, 10, 0, 45, 0}, kNow), "обновлено сегодня в 00:45");
    EXPECT_EQ(DataAgeWords({2026, 12, 11, 8, 0, 0}, kNow), "курсы от 11.12.2026, 08:00");

    TRefreshStatus status;
    EXPECT_EQ(DataAgeLine(status, kNow).Mark, TDataMark::None);
    EXPECT_EQ(DataAgeLine(status, kNow).Age, "");
    status.FeedRestored(TFeed::Rates, {2026, 12, 9, 14, 5, 0});
    TDataAgeLine line = DataAgeLine(status, kNow);
    EXPECT_EQ(line.Mark, TDataMark::Kept);
    EXPECT_EQ(line.Age, "Курсы от вчера, 14:05");
    EXPECT_FALSE(line.Note.empty());
    // The first refresh fails: still the kept rates, now marked failed; running again keeps the mark.
    status.RefreshStarted();
    status.FeedFailed(TFeed::Rates, ExchangeOutcome(TExchangeFailure::Refused));
    EXPECT_EQ(DataAgeLine(status, kNow).Mark, TDataMark::Failed);
    status.RefreshStarted();
    EXPECT_EQ(DataAgeLine(status, kNow).Mark, TDataMark::Failed);
    status.FeedReplaced(TFeed::Rates, 5, {2026, 12, 10, 0, 27, 0});
    line = DataAgeLine(status, kNow);
    EXPECT_EQ(line.Mark, TDataMark::Fresh);
    EXPECT_EQ(line.Age, "Обновлено 3 мин назад");
    EXPECT_EQ(line.Note, "");
    // Another feed failing leaves the rates fresh; the rates failing marks them, without a kept note.
    status.FeedFailed(TFeed::Names, ExchangeOutcome(TExchangeFailure::Refused));
    EXPECT_EQ(DataAgeLine(status, kNow).Mark, TDataMark::Fresh);
    status.FeedFailed(TFeed::Rates, ExchangeOutcome(TExchangeFailure::Timeout));
    EXPECT_EQ(DataAgeLine(status, kNow).Note, "Не обновлены: последнее обновление не удалось");
    // Rates without rows leave the older ones, marked, until rates with rows come.
    status.RefreshStarted();
    status.FeedReplaced(TFeed::Rates, 0, {2026, 12, 10, 0, 29, 0});
    EXPECT_EQ(DataAgeLine(status, kNow).Age, "Обновлено 3 мин назад");
    EXPECT_EQ(DataAgeLine(status, kNow).Note, "Не обновлены: пришли курсы без записей");
    status.FeedReplaced(TFeed::Rates, 5, {2026, 12, 10, 0, 29, 0});
    EXPECT_EQ(DataAgeLine(status, kNow).Mark, TDataMark::Fresh);
    // A refresh cancelled before the rates came says so.
    status.RefreshStarted();
    status.Cancel();
    EXPECT_EQ(DataAgeLine(status, kNow).Mark, TDataMark::Failed);
    EXPECT_EQ(DataAgeLine(status, kNow).Note, "Не обновлены: обновление отменено");
    status.ServiceChanged();
    EXPECT_EQ(DataAgeLine(status, kNow).Mark, TDataMark::None);
}

} // namespace
