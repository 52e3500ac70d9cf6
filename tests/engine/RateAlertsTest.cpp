#include "engine/RateAlerts.h"

#include "tests/support/OfferRow.h"

#include <gtest/gtest.h>

namespace {

// An offer whose quote gives Dst for Src, holding Reserve.
TOfferRow Quoted(std::int32_t Id, std::string Name, double Src, double Dst, double Reserve) {
    TOfferRow row = OfferRow(Id, std::move(Name), Src, Dst, Reserve);
    row.Quote = Src > 0 ? static_cast<long double>(Dst) / Src : 0;
    return row;
}

TOfferRow Offer(std::int32_t Id, std::string Name, double Src, double Dst) {
    return Quoted(Id, std::move(Name), Src, Dst, 1000);
}

TEST(BestOffer, IsTheHighestRateGotPerOneGivenAndTiesGoToTheEarlierRow) {
    EXPECT_FALSE(BestOffer({}));
    // 0.9, 0.95, 1/1.1 = 0.909..., 0.95 again (a later tie), 0.8.
    const std::vector<TOfferRow> rows = {Offer(1, "Alpha", 1, 0.9), Offer(2, "Beta", 1, 0.95),
                                         Offer(3, "Gamma", 1.1, 1), Offer(4, "Twin", 2, 1.9),
                                         Offer(5, "Delta", 1, 0.8)};
    const std::optional<TBestOffer> best = BestOffer(rows);
    ASSERT_TRUE(best);
    EXPECT_EQ(best->Row.Exchanger, "Beta");
    EXPECT_DOUBLE_EQ(static_cast<double>(best->Rate), 0.95);
    // A quote given as "many for one" is compared by its rate, not by its numbers.
    EXPECT_EQ(BestOffer({Offer(1, "A", 1, 3000000), Offer(2, "B", 0.0000003, 1)})->Row.Exchanger, "B");
    EXPECT_FALSE(BestOffer({Offer(1, "Zero", 0, 5)})); // no rate without something given
    // An exchanger holding no reserve cannot pay: the best rate among those that can.
    EXPECT_EQ(BestOffer({Offer(1, "A", 1, 0.9), Quoted(2, "Empty", 1, 0.99, 0)})->Row.Exchanger, "A");
    EXPECT_FALSE(BestOffer({Quoted(2, "Empty", 1, 0.99, 0)}));
}

TEST(BestOffer, OfAPairIsTakenFromTheOffersWithoutAmountsThatCanPay) {
    const TStringMatrix names = {{"usd", "US Dollar", "x"}, {"eur", "Euro", "x"}, {"doge", "DOGE", "x"}};
    const TStringMatrix rates = {{"1", "usd", "eur", "1", "0.9", "1000"},
                                 {"2", "usd", "eur", "1", "0.95", "0"},     // no reserve: cannot pay
                                 {"3", "usd", "eur", "1", "0.92", "0.004"}, // shows as 0.00, yet it can pay
                                 {"1", "eur", "usd", "1", "1.05", "800"},
                                 {"1", "doge", "usd", "1", "0.0000024", "9"}, // both show as 0
                                 {"2", "doge", "usd", "1", "0.0000026", "9"}};
    const TStringMatrix exchangers = {{"1", "Alpha", "", ""}, {"2", "Beta", "", ""}, {"3", "Gamma", "", ""}};
    EXPECT_EQ(BestOfferFor(rates, names, exchangers, "US Dollar", "Euro")->Row.Exchanger, "Gamma");
    EXPECT_EQ(BestOfferFor(rates, names, exchangers, "Euro", "US Dollar")->Row.Exchanger, "Alpha");
    EXPECT_FALSE(BestOfferFor(rates, names, exchangers, "Euro", "Рубль"));
    const std::optional<TBestOffer> doge = BestOfferFor(rates, names, exchangers, "DOGE", "US Dollar");
    EXPECT_DOUBLE_EQ(static_cast<double>(doge.value().Rate), 0.0000026); // Beta's
}

TEST(AlertLevel, ReadsPlainDecimalsAboveZeroOnly) {
    EXPECT_EQ(AlertLevel("3000000"), 3000000.0L);
    EXPECT_EQ(AlertLevel("0.5"), 0.5L);
    EXPECT_EQ(AlertLevel("12."), 12.0L);
    for (const char* bad :
         {"", ".", "0", "0.0", "-1", "1e5", "1,5", "1.2.3", " 1", "abc", "1234567890123456789012345678901"}) {
        EXPECT_FALSE(AlertLevel(bad)) << bad;
    }
    // Levels that read as one number make one alert; the pair must match too.
    const TRateAlert alert{"US Dollar", "Euro", "1.5", true};
    EXPECT_TRUE(SameAlert(alert, {"US Dollar", "Euro", "01.50", false}));
    EXPECT_FALSE(SameAlert(alert, {"US Dollar", "Euro", "1.51", true}));
    EXPECT_FALSE(SameAlert(alert, {"Euro", "US Dollar", "1.5", true}));
}

// A watch over one alert whose pair's best rate the test sets.
struct TAlertRun {
    TAlertWatch Watch;
    std::vector<TRateAlert> Alerts = {{"US Dollar", "Euro", "0.95", true}};
    std::optional<double> Rate;

    std::size_t Check() {
        return Watch
            .Check(Alerts,
                   [this](const std::string&, const std::string&) -> std::optional<TBestOffer> {
                       if (!Rate) {
                           return std::nullopt;
                       }
                       return TBestOffer{Offer(7, "Beta", 1, *Rate), *Rate};
                   })
            .size();
    }
};

TEST(AlertWatch, FiresOnCrossingNotWhileAboveAndAgainAfterFallingAndRisingOnceMore) {
    TAlertRun run;
    run.Rate = 0.9;
    EXPECT_EQ(run.Check(), 0u);
    run.Rate = 0.95; // reaching the level counts
    EXPECT_EQ(run.Check(), 1u);
    run.Rate = 0.97;
    EXPECT_EQ(run.Check(), 0u); // staying above: no repeat
    run.Rate = std::nullopt;
    EXPECT_EQ(run.Check(), 0u); // no offer this time: neither a fall nor a rise
    run.Rate = 0.96;
    EXPECT_EQ(run.Check(), 0u);
    run.Rate = 0.94;
    EXPECT_EQ(run.Check(), 0u);
    run.Rate = 0.99;
    EXPECT_EQ(run.Check(), 1u); // a second crossing, a second notification
}

TEST(AlertWatch, AnAlertAlreadyReachedFiresAtItsFirstCheckAndAgainWhenReEnabledOrChanged) {
    TAlertRun run;
    run.Rate = 1.0;
    EXPECT_EQ(run.Check(), 1u);
    run.Alerts[0].Enabled = false;
    EXPECT_EQ(run.Check(), 0u);
    run.Alerts[0].Enabled = true;
    EXPECT_EQ(run.Check(), 1u);
    run.Alerts[0].Level = "0.99"; // another level is another alert
    EXPECT_EQ(run.Check(), 1u);
    run.Alerts[0].Level = "abc"; // never valid: never fires
    EXPECT_EQ(run.Check(), 0u);
}

TEST(ServiceAlertWatch, ComparesEachServicesRatesOnlyWithWhatThatServiceGaveBefore) {
    TServiceAlertWatch watch;
    std::vector<TRateAlert> alerts = {{"US Dollar", "Euro", "0.95", true}};
    const auto check = [&](std::string_view Base, double Rate) {
        return watch
            .Check(Base, alerts,
                   [&](const std::string&, const std::string&) {
                       return std::optional<TBestOffer>(TBestOffer{Offer(7, "Beta", 1, Rate), Rate});
                   })
            .size();
    };
    EXPECT_EQ(check("http://a.example", 0.98), 1u);
    EXPECT_EQ(check("https://b.example", 0.98), 1u); // its own first check, not kept quiet by a's
    EXPECT_EQ(check("https://b.example", 0.90), 0u);
    EXPECT_EQ(check("HTTP://A.example:80/", 0.99), 0u); // a stayed above: b's fall is not a's
    EXPECT_EQ(check("https://b.example:443", 0.97), 1u);
    // An alert removed and added again while another service is asked starts afresh everywhere.
    alerts.clear();
    EXPECT_EQ(check("https://b.example", 0.97), 0u);
    alerts = {{"US Dollar", "Euro", "0.95", true}};
    EXPECT_EQ(check("http://a.example", 0.99), 1u);
}

TEST(RateReaches, CountsARateThatIsTheLevelAsDecimalsButOffItInBinary) {
    const long double under = 0.020579052L / 0.1007L; // 0.20436 as decimals
    EXPECT_TRUE(RateReaches(under, 0.20436L));
    EXPECT_TRUE(RateAtMost(0.093118411342L / 0.0935807L, 0.99506L));
    EXPECT_FALSE(RateReaches(0.20435999999999L, 0.20436L)); // short of it at the digits shown
    EXPECT_EQ(AlertStanding({"A", "B", "0.20436", true}, TBestOffer{{}, under}),
              "лучший курс сейчас 0.20436 — уровень достигнут");
}

TEST(AlertTexts, NameThePairTheExchangerTheRateAndTheReserve) {
    const TRateAlert alert{"Bitcoin BTC", "Сбербанк RUB", "3000000", true};
    EXPECT_EQ(AlertDescription(alert),
              "уведомить, когда за 1 Bitcoin BTC дают не меньше 3000000 Сбербанк RUB");
    const TAlertFired fired{alert, {Offer(5, "SuperObmen", 1, 3050000.5), 3050000.5}};
    EXPECT_EQ(AlertNoticeText(fired),
              "За 1 Bitcoin BTC дают 3050000.5 Сбербанк RUB: обменник SuperObmen, резерв 1000 Сбербанк RUB "
              "(уровень 3000000)");
    EXPECT_EQ(RateText(1.0L / 3), "0.333333333333333");
    EXPECT_EQ(RateText(1.0L / 3890000), "0.00000025706940874036"); // written out, no exponent

    const auto standing = [&](double Rate) { return AlertStanding(alert, TBestOffer{{}, Rate}); };
    EXPECT_EQ(standing(2970000), "лучший курс сейчас 2970000 — ещё 1,0 %");
    EXPECT_EQ(standing(2999999), "лучший курс сейчас 2999999 — ещё меньше 0,1 %");
    EXPECT_EQ(standing(2000000), "лучший курс сейчас 2000000 — ещё 50 %");
    EXPECT_EQ(standing(3050000.5), "лучший курс сейчас 3050000.5 — уровень достигнут");
    EXPECT_EQ(AlertStanding(alert, std::nullopt), "сейчас нет предложений с резервом");
    EXPECT_EQ(AlertStanding({"A", "B", "abc", true}, TBestOffer{{}, 1}), "");
}

} // namespace
