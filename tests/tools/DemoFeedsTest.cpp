// The demo service's generated feeds, read back the way the client reads them.

#include "tools/demo-service/DemoFeeds.h"
#include "engine/Offers.h"
#include "engine/Protocol.h"
#include "tools/demo-service/DemoOptions.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace {

struct TParsed {
    TStringMatrix Rates;
    TStringMatrix Names;
    TStringMatrix Exchangers;
};

TParsed Parse(const TDemoFeeds& feeds) {
    return {FeedTable(kFeedRates, feeds.Rates), FeedTable(kFeedNames, feeds.Names),
            FeedTable(kFeedExchangers, feeds.Exchangers)};
}

std::size_t LineCount(const std::string& body) {
    return static_cast<std::size_t>(std::count(body.begin(), body.end(), '\n'));
}

} // namespace

TEST(DemoFeeds, SameSeedGivesSameBytesAndAnotherSeedOtherRates) {
    const auto first = GenerateDemoFeeds(7, 2000);
    const auto again = GenerateDemoFeeds(7, 2000);
    EXPECT_EQ(first.Rates, again.Rates);
    EXPECT_EQ(first.Exchangers, again.Exchangers);
    EXPECT_EQ(first.News, again.News);
    EXPECT_EQ(first.Names, again.Names);
    EXPECT_NE(first.Rates, GenerateDemoFeeds(8, 2000).Rates);
}

// Every record line must come back as one table row: a line the pattern merges or skips would silently change
// what the client shows.
TEST(DemoFeeds, EveryLineIsOneRowOfTheClientsTables) {
    for (const std::size_t rows : {std::size_t{0}, std::size_t{37}, kDefaultRatesRows, std::size_t{60000}}) {
        SCOPED_TRACE(rows);
        const auto feeds = GenerateDemoFeeds(kDefaultDemoSeed, rows);
        const auto parsed = Parse(feeds);
        EXPECT_EQ(parsed.Rates.size(), rows);
        EXPECT_EQ(LineCount(feeds.Rates), rows + 1); // one heading line
        EXPECT_EQ(parsed.Names.size() + 1, LineCount(feeds.Names));
        EXPECT_EQ(parsed.Exchangers.size() + 1, LineCount(feeds.Exchangers));
    }
    EXPECT_THROW(GenerateDemoFeeds(1, kMaxRatesRows + 1), std::invalid_argument);
}

TEST(DemoFeeds, CatalogueIsLargeAndConsistent) {
    const auto parsed = Parse(GenerateDemoFeeds(kDefaultDemoSeed, kDefaultRatesRows));
    ASSERT_GE(parsed.Names.size(), 60u);
    ASSERT_GE(parsed.Exchangers.size(), 150u);

    std::set<std::string_view> codes;
    std::set<std::string_view> displayNames;
    for (const auto& row : parsed.Names) {
        EXPECT_TRUE(codes.insert(row[0]).second) << "code twice: " << row[0];
        EXPECT_TRUE(displayNames.insert(row[1]).second) << "display name twice: " << row[1];
    }
    EXPECT_TRUE(displayNames.contains("Яндекс.Деньги RUB"));
    EXPECT_TRUE(codes.contains("1inch"));

    std::set<std::string_view> ids;
    std::size_t withBl = 0;
    std::size_t withoutBl = 0;
    std::size_t longNames = 0;
    for (const auto& row : parsed.Exchangers) {
        EXPECT_TRUE(ids.insert(row[0]).second) << "id twice: " << row[0];
        (row[2].empty() && row[3].empty() ? withoutBl : withBl) += 1;
        longNames += row[1].size() > 20 ? 1 : 0;
    }
    EXPECT_GT(withBl, 10u);
    EXPECT_GT(withoutBl, 10u);
    EXPECT_GT(longNames, 3u);

    for (const auto& row : parsed.Rates) {
        EXPECT_TRUE(ids.contains(row[0])) << row[0];
        EXPECT_TRUE(codes.contains(row[1])) << row[1];
        EXPECT_TRUE(codes.contains(row[2])) << row[2];
        EXPECT_NE(row[1], row[2]);
    }
}

// Real feeds quote one unit of the dearer currency: every quote of a pair then reads in the same units, so
// the rates tab's order by rate is meaningful.
TEST(DemoFeeds, EveryQuoteHasOneSideEqualToOneAndEachPairTheSameSide) {
    const auto parsed = Parse(GenerateDemoFeeds(11, 20000));
    std::map<std::pair<std::string_view, std::string_view>, std::set<bool>> giveIsOne;
    for (const auto& row : parsed.Rates) {
        ASSERT_TRUE(row[3] == "1" || row[4] == "1")
            << row[0] << " " << row[1] << "->" << row[2] << ": " << row[3] << " for " << row[4];
        giveIsOne[{row[1], row[2]}].insert(row[3] == "1");
    }
    for (const auto& [pair, sides] : giveIsOne)
        EXPECT_EQ(sides.size(), 1u) << pair.first << " -> " << pair.second << " is quoted in both units";
    EXPECT_EQ(giveIsOne.at({"btc", "sberbank rub"}), std::set<bool>{true});
    EXPECT_EQ(giveIsOne.at({"sberbank rub", "btc"}), std::set<bool>{false});
}

TEST(DemoFeeds, PairsAreQuotedBySeveralExchangersAndPopularOnesByHundreds) {
    for (const std::size_t rows : {kDefaultRatesRows, kMaxRatesRows}) {
        SCOPED_TRACE(rows);
        const auto parsed = Parse(GenerateDemoFeeds(3, rows));
        std::map<std::pair<std::string_view, std::string_view>, std::set<std::string_view>> quotes;
        for (const auto& row : parsed.Rates)
            EXPECT_TRUE((quotes[{row[1], row[2]}].insert(row[0]).second))
                << "an exchanger quotes a pair twice";
        std::size_t popular = 0;
        for (const auto& [pair, exchangers] : quotes) {
            EXPECT_GE(exchangers.size(), 3u) << pair.first << " -> " << pair.second;
            popular += exchangers.size() >= 100 ? 1 : 0;
        }
        EXPECT_GE(popular, 3u);
    }
}

// Quotes must make sense to the offer computation: positive amounts (no zero side), and a rate near the
// market.
TEST(DemoFeeds, PopularPairGivesOffersAtAPlausibleRate) {
    const auto parsed = Parse(GenerateDemoFeeds(kDefaultDemoSeed, kDefaultRatesRows));
    TOfferControls controls{"Bitcoin BTC", "Сбербанк RUB", "", ""};
    const auto offers = FillOffers(parsed.Rates, parsed.Names, parsed.Exchangers, controls);
    ASSERT_GE(offers.size(), 100u);
    std::size_t zeroReserve = 0;
    for (const auto& offer : offers) {
        const double rubPerBtc = offer.DstRate / offer.SrcRate;
        EXPECT_GT(rubPerBtc, 3'000'000.0);
        EXPECT_LT(rubPerBtc, 4'000'000.0);
        zeroReserve += offer.Reserve == 0 ? 1 : 0;
    }
    EXPECT_LT(zeroReserve, offers.size() / 4);

    controls.SrcAmountText = "1";
    EXPECT_LT(FillOffers(parsed.Rates, parsed.Names, parsed.Exchangers, controls).size(), offers.size())
        << "some reserves should be too small for one bitcoin";
}

TEST(DemoFeeds, NewsCarriesEveryLinkKind) {
    const auto news = NewsText(GenerateDemoFeeds(5, 10).News);
    ASSERT_FALSE(news.empty());
    EXPECT_NE(news.front(), '\n');
    for (const char* link : {"http://", "https://", "www.", "ftp://", "mailto:", " support@example.com"})
        EXPECT_NE(news.find(link), std::string::npos) << link;
}

TEST(DemoFeeds, FindExchangerNameTakesTheFirstExactId) {
    const std::string body = "heading without fields\n1;One;;\n12;Twelve;3;4\r\n12;Second twelve;;\n7;Семь\n";
    const std::vector<std::pair<std::string, std::optional<std::string>>> cases = {
        {"1", "One"},        {"12", "Twelve"},   {"7", "Семь"},
        {"2", std::nullopt}, {"", std::nullopt}, {"heading", std::nullopt},
    };
    for (const auto& [id, name] : cases)
        EXPECT_EQ(FindExchangerName(body, id), name) << id;
}

TEST(DemoOptions, ReadsValuesAndRejectsBadOnes) {
    const auto options =
        ParseDemoOptions({"--port", "0", "--seed", "99", "--rates-rows", "200000", "--bind", "::1"});
    EXPECT_EQ(options.Port, 0);
    EXPECT_EQ(options.Seed, 99u);
    EXPECT_EQ(options.RatesRows, 200000u);
    EXPECT_EQ(options.Bind, "::1");
    EXPECT_EQ(ParseDemoOptions({}).RatesRows, kDefaultRatesRows);

    const std::vector<std::vector<std::string_view>> bad = {
        {"--port", "65536"},
        {"--port", "-1"},
        {"--port"},
        {"--rates-rows", "200001"},
        {"--seed", "12x"},
        {"--latency-ms", ""},
        {"--frobnicate", "1"},
        {"stray"},
        {"--feeds", "a", "--write-feeds", "b"},
        {"--tls-cert", "c.pem"},
        {"--tls-key", "k.pem"},
    };
    for (const auto& args : bad)
        EXPECT_THROW(ParseDemoOptions(args), EDemoUsage) << args.front();
    EXPECT_TRUE(ParseDemoOptions({"--version"}).Version);
}

namespace {

// --drift: every request count gives its own quotes, the same for the same count; they stay near the
// originals and keep the side that is 1.
TEST(DemoDrift, QuotesMoveALittlePerRequestDeterministicallyAndKeepTheirSideOfOne) {
    const TDemoFeeds feeds = GenerateDemoFeeds(11, 2000);
    const auto original = Parse(feeds).Rates;
    const std::string first = DriftDemoRates(feeds.Rates, 11, 1);
    EXPECT_EQ(DriftDemoRates(feeds.Rates, 11, 1), first);
    EXPECT_NE(DriftDemoRates(feeds.Rates, 11, 2), first);
    EXPECT_NE(DriftDemoRates(feeds.Rates, 12, 1), first);
    // The heading line and everything else that is no quote stays.
    EXPECT_EQ(first.substr(0, first.find('\n')), feeds.Rates.substr(0, feeds.Rates.find('\n')));

    std::size_t moved = 0;
    for (const std::uint64_t request : {1u, 7u, 500u}) {
        TDemoFeeds drifted = feeds;
        drifted.Rates = DriftDemoRates(feeds.Rates, 11, request);
        const auto rows = Parse(drifted).Rates;
        ASSERT_EQ(rows.size(), original.size());
        for (std::size_t i = 0; i < rows.size(); ++i) {
            const auto& row = rows[i];
            const auto& was = original[i];
            ASSERT_EQ((std::vector<std::string_view>{row[0], row[1], row[2], row[5]}),
                      (std::vector<std::string_view>{was[0], was[1], was[2], was[5]}));
            ASSERT_EQ(row[3] == "1", was[3] == "1") << row[3] << " for " << row[4];
            ASSERT_TRUE(row[3] == "1" || row[4] == "1") << row[3] << " for " << row[4];
            const std::size_t side = was[3] == "1" ? 4 : 3;
            const double ratio = std::stod(std::string(row[side])) / std::stod(std::string(was[side]));
            // Within 2 % (and the six digits the feed writes).
            ASSERT_NEAR(ratio, 1.0, 0.0201) << row[side] << " from " << was[side];
            moved += row[side] != was[side] ? 1 : 0;
        }
    }
    EXPECT_GT(moved, original.size() * 2);
}

} // namespace
