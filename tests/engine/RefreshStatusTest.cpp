#include "engine/RefreshStatus.h"

#include "tests/support/ExchangeOutcome.h"

#include <gtest/gtest.h>

namespace {

const TWallClock kMorning{2026, 12, 9, 14, 5, 9};
const TWallClock kLater{2026, 12, 9, 14, 6, 10};
const TWallClock kNextDay{2026, 12, 10, 9, 0, 0};

TOData Status(std::int32_t Code, std::string Reason) {
    return ExchangeOutcome(TExchangeFailure::None, Code, std::move(Reason));
}

void AllReplaced(TRefreshStatus& Status, const TWallClock& At) {
    Status.RefreshStarted();
    for (TFeed feed : {TFeed::News, TFeed::Rates, TFeed::Names, TFeed::Exchangers}) {
        Status.FeedReplaced(feed, 3, At);
    }
}

TEST(FailureCause, SaysWhatWentWrongInWordsAndGivesHttpStatusesAsTheyCame) {
    EXPECT_EQ(FailureCause(ExchangeOutcome(TExchangeFailure::Refused)), "нет связи с сервером");
    EXPECT_EQ(FailureCause(ExchangeOutcome(TExchangeFailure::Timeout, 0)), "сервер не ответил вовремя");
    EXPECT_EQ(FailureCause(ExchangeOutcome(TExchangeFailure::NoSuchHost)), "адрес сервера не найден");
    // A status line followed by a cut-off body still carries its 200: the cause wins.
    EXPECT_EQ(FailureCause(ExchangeOutcome(TExchangeFailure::Closed, 200, "OK")), "сервер оборвал ответ");
    TOData cut = ExchangeOutcome(TExchangeFailure::Closed, 401, "Unauthorized");
    cut.Headers = "HTTP/1.0 401 Unauthorized\r\n";
    EXPECT_EQ(FailureCause(cut), "сервер отклонил запрос (HTTP 401)");
    EXPECT_EQ(FailureCause(Status(503, "Service Unavailable")), "ошибка сервера (HTTP 503)");
    EXPECT_EQ(FailureCause(Status(404, "Not Found")), "сервер отклонил запрос (HTTP 404)");
    EXPECT_EQ(FailureCause(Status(302, "")), "неожиданный ответ сервера (HTTP 302)");
    EXPECT_EQ(FailureCause(Status(0, "")), "ответ не по протоколу HTTP");
    EXPECT_EQ(FailureCause(Status(200, "OK")), "");
    TOData certificate = ExchangeOutcome(TExchangeFailure::Certificate);
    certificate.FailureDetail = "expired";
    EXPECT_EQ(FailureCause(certificate), "сертификат не прошёл проверку: срок действия истёк");
    certificate.FailureDetail = "certificate revoked";
    EXPECT_EQ(FailureCause(certificate), "сертификат не прошёл проверку: certificate revoked");
    TOData proxy = ExchangeOutcome(TExchangeFailure::ProxyRefused, 407);
    proxy.FailureDetail = "407";
    EXPECT_EQ(FailureCause(proxy), "прокси отказал: 407");
    // Whatever a server puts in its reason phrase stays out of the line.
    EXPECT_EQ(FailureCause(Status(500, "Bad\r\n\x1b[31m\xD0\x9E  x")), "ошибка сервера (HTTP 500)");
}

TEST(RefreshStatus, IsSilentBeforeTheFirstRefreshAndSaysLoadingWhileOneRuns) {
    TRefreshStatus status;
    EXPECT_EQ(status.Text(kMorning), "");
    EXPECT_FALSE(status.Running());
    status.RefreshStarted();
    status.FeedReplaced(TFeed::Rates, 10, kMorning);
    status.FeedFailed(TFeed::News, ExchangeOutcome(TExchangeFailure::Refused));
    EXPECT_TRUE(status.Running());
    EXPECT_TRUE(status.DataFeedsPending());
    EXPECT_EQ(status.Text(kMorning), "Загрузка данных…");
    // The news alone awaited, a data feed failed: the data is all in.
    status.FeedReplaced(TFeed::Names, 3, kMorning);
    status.FeedFailed(TFeed::Exchangers, ExchangeOutcome(TExchangeFailure::Refused));
    EXPECT_FALSE(status.DataFeedsPending());
}

TEST(RefreshStatus, AFullSuccessGivesTheTimeOfTheRatesAndADayOldOneItsDate) {
    TRefreshStatus status;
    AllReplaced(status, kMorning);
    EXPECT_FALSE(status.Running());
    EXPECT_EQ(status.Text(kMorning), "Курсы обновлены в 14:05:09");
    EXPECT_EQ(status.Text(kNextDay), "Курсы обновлены в 09.12.2026 14:05:09");
}

TEST(RefreshStatus, AFailureNamesTheFeedsAndTheCauseAndTheTimeOfTheRatesStillShown) {
    TRefreshStatus status;
    AllReplaced(status, kMorning);
    status.RefreshStarted();
    for (TFeed feed : {TFeed::News, TFeed::Rates, TFeed::Names, TFeed::Exchangers}) {
        status.FeedFailed(feed, ExchangeOutcome(TExchangeFailure::Refused));
    }
    EXPECT_EQ(status.Text(kLater), "Данные не получены: нет связи с сервером. Показаны курсы от 14:05:09");

    // Feeds failing for different reasons are grouped by reason, in feed order; new rates are named as new.
    status.RefreshStarted();
    status.FeedFailed(TFeed::Exchangers, Status(503, "Service Unavailable"));
    status.FeedReplaced(TFeed::Rates, 5, kLater);
    status.FeedFailed(TFeed::News, ExchangeOutcome(TExchangeFailure::Timeout, 0));
    status.FeedFailed(TFeed::Names, Status(503, "Service Unavailable"));
    EXPECT_EQ(status.Text(kLater),
              "Новости не получены: сервер не ответил вовремя. Названия валют и обменники "
              "не получены: ошибка сервера (HTTP 503). Курсы обновлены в 14:06:10");
}

TEST(RefreshStatus, StartingOfflineSaysThereAreNoRatesYet) {
    TRefreshStatus status;
    status.RefreshStarted();
    for (TFeed feed : {TFeed::News, TFeed::Rates, TFeed::Names, TFeed::Exchangers}) {
        status.FeedFailed(feed, ExchangeOutcome(TExchangeFailure::Refused));
    }
    EXPECT_EQ(status.Text(kMorning), "Данные не получены: нет связи с сервером. Курсов пока нет");
}

TEST(RefreshStatus, AnsweredButEmptyDataFeedsAreNamedAfterTheTime) {
    TRefreshStatus status;
    status.RefreshStarted();
    status.FeedReplaced(TFeed::News, 0, kMorning); // no news is not worth a word
    status.FeedReplaced(TFeed::Rates, 0, kMorning);
    status.FeedReplaced(TFeed::Names, 4, kMorning);
    status.FeedReplaced(TFeed::Exchangers, 0, kMorning);
    EXPECT_EQ(status.Text(kMorning), "Курсов пока нет. Без записей: курсы и обменники");
    // Rates without rows replace none on screen: those shown keep their time and are not called new.
    status.RefreshStarted();
    AllReplaced(status, kMorning);
    status.RefreshStarted();
    status.FeedReplaced(TFeed::News, 1, kLater);
    status.FeedReplaced(TFeed::Rates, 0, kLater);
    status.FeedReplaced(TFeed::Names, 4, kLater);
    status.FeedReplaced(TFeed::Exchangers, 2, kLater);
    EXPECT_EQ(status.Text(kLater), "Показаны курсы от 14:05:09. Без записей: курсы");
}

TEST(RefreshStatus, ACancelEndsTheRefreshAbandonsItsRequestsAndSaysWhatDidNotCome) {
    TRefreshStatus status;
    AllReplaced(status, kMorning);
    const std::uint64_t first = status.Round();
    EXPECT_FALSE(status.Cancel()); // nothing runs: nothing to cancel
    status.RefreshStarted();
    status.FeedReplaced(TFeed::News, 1, kLater);
    status.FeedFailed(TFeed::Names, Status(503, ""));
    ASSERT_TRUE(status.Cancel());
    EXPECT_FALSE(status.Running());
    // Late answers of the cancelled refresh, or of an earlier one still under way, change nothing.
    EXPECT_FALSE(status.Accepts(status.Round()) || status.Accepts(first));
    EXPECT_TRUE(status.RatesCancelled());
    EXPECT_EQ(status.Text(kLater), "Обновление отменено: курсы и обменники не получены. Названия валют не "
                                   "получены: ошибка сервера (HTTP 503). Показаны курсы от 14:05:09");
    // The next refresh is heard again; its failure is a failure, no longer a cancel.
    status.RefreshStarted();
    EXPECT_TRUE(status.Accepts(status.Round()));
    status.FeedFailed(TFeed::Rates, ExchangeOutcome(TExchangeFailure::Refused));
    EXPECT_FALSE(status.RatesCancelled());
    status.RefreshStarted();
    ASSERT_TRUE(status.Cancel());
    EXPECT_EQ(status.Text(kLater), "Обновление отменено: данные не получены. Показаны курсы от 14:05:09");

    EXPECT_EQ(LoaderProgressText(3, 0, 4), "Получено 3 из 4");
    EXPECT_EQ(LoaderProgressText(3, 1, 4), "1 из 4 не получен");
    EXPECT_EQ(LoaderProgressText(2, 2, 4), "2 из 4 не получены");
}

TEST(WallClockNow, GivesAPlausibleLocalTime) {
    const TWallClock now = WallClockNow();
    EXPECT_GE(now.Year, 2024);
    EXPECT_TRUE(now.Month >= 1 && now.Month <= 12);
    EXPECT_TRUE(now.Day >= 1 && now.Day <= 31);
    EXPECT_TRUE(now.Hour >= 0 && now.Hour < 24);
}

} // namespace

namespace {

TEST(RefreshStatusKept, KeptRatesShowTheirDateAndMinuteUntilARefreshReplacesThem) {
    TRefreshStatus status;
    status.FeedRestored(TFeed::News, kMorning);
    EXPECT_EQ(status.Text(kNextDay), ""); // no rates kept: nothing to say about them
    status.FeedRestored(TFeed::Rates, kMorning);
    EXPECT_EQ(status.Text(kNextDay), "Сохранённые курсы от 09.12.2026 14:05");
    EXPECT_EQ(status.Text(kLater), "Сохранённые курсы от 09.12.2026 14:05"); // the same day too

    status.RefreshStarted();
    EXPECT_EQ(status.Text(kNextDay), "Загрузка данных…");
    for (TFeed feed : {TFeed::News, TFeed::Rates, TFeed::Names, TFeed::Exchangers}) {
        status.FeedFailed(feed, ExchangeOutcome(TExchangeFailure::Refused));
    }
    EXPECT_FALSE(status.RatesAnswered());
    EXPECT_EQ(status.Text(kNextDay),
              "Данные не получены: нет связи с сервером. Сохранённые курсы от 09.12.2026 14:05");

    AllReplaced(status, kNextDay);
    EXPECT_TRUE(status.RatesAnswered());
    EXPECT_EQ(status.Text(kNextDay), "Курсы обновлены в 09:00:00");
}

TEST(RefreshStatusKept, AnAlertNoticedHereLeadsTheLineUntilTheNextOneOrUntilDismissed) {
    TRefreshStatus status;
    status.AlertNoticed("За 1 A дают 2 B: обменник X (уровень 2)", kMorning);
    EXPECT_EQ(status.Text(kMorning), "Уведомление в 14:05: За 1 A дают 2 B: обменник X (уровень 2)");
    AllReplaced(status, kLater);
    EXPECT_EQ(status.Text(kLater),
              "Уведомление в 14:05: За 1 A дают 2 B: обменник X (уровень 2). Курсы обновлены в 14:06:10");
    status.AlertNoticed("второе", kLater);
    EXPECT_EQ(status.Text(kLater), "Уведомление в 14:06: второе. Курсы обновлены в 14:06:10");
    status.AlertDismissed();
    EXPECT_EQ(status.Text(kLater), "Курсы обновлены в 14:06:10");
}

TEST(WallClockAt, GivesTheLocalTimeOfAMoment) {
    const TWallClock epoch = WallClockAt(0);
    // Whatever the zone, the epoch is 1 January 1970 or the evening before.
    EXPECT_TRUE((epoch.Year == 1970 && epoch.Month == 1 && epoch.Day == 1) ||
                (epoch.Year == 1969 && epoch.Month == 12 && epoch.Day == 31));
    const TWallClock later = WallClockAt(86400 * 2 + 3661);
    EXPECT_EQ(later.Minute, 1);
    EXPECT_EQ(later.Second, 1);
}

} // namespace
