#include "engine/Routes.h"
#include "engine/Text.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <set>

namespace {

// A route as a check of every chain of rows finds it.
struct TRefRoute {
    std::vector<std::uint32_t> Rows;
    long double Rate = 0;
    long double Give = 0;
    long double Get = 0;
};

struct TRefLeg {
    std::uint32_t Row;
    std::string From, To;
    long double Rate, Reserve;
};

// Every rule written out plainly, row by row, chain by chain: the reference FindRoutes must equal.
std::pair<std::optional<long double>, std::vector<TRefRoute>>
Reference(const TStringMatrix& Rates, const TStringMatrix& Names, const TStringMatrix& Exchangers,
          const TOfferControls& Controls, const TRouteOptions& Options) {
    std::optional<std::string> src, dst;
    std::set<std::string> via;
    for (const TStringRow row : Names) {
        if (row.size() >= 2) {
            src = row[1] == *Controls.SrcName ? std::string(row[0]) : src;
            dst = row[1] == *Controls.DstName ? std::string(row[0]) : dst;
            via.insert(std::string(row[0]));
        }
    }
    if (!src || !dst)
        return {};
    via.erase(*src);
    via.erase(*dst);
    for (const auto& hidden : Options.HiddenCodes)
        via.erase(hidden);
    const long double a = ParseDecimal(Controls.SrcAmountText).value_or(0);
    const long double t = ParseDecimal(Controls.DstAmountText).value_or(0);

    std::vector<TRefLeg> legs;
    std::optional<long double> direct;
    for (std::uint32_t i = 0; i < Rates.size(); ++i) {
        const TStringRow row = Rates[i];
        if (row.size() < 6)
            continue;
        const long double give = ParseDecimal(row[3]).value_or(1), get = ParseDecimal(row[4]).value_or(1);
        const int ex = ExchangerIndex(Exchangers, row[0]);
        if (!(give > 0 && get > 0) || ex < 0 || Exchangers[ex].size() < 4 || !ParseInt32(Exchangers[ex][0]))
            continue;
        const long double reserve = ParseDecimal(row[5]).value_or(0);
        if (reserve > 0)
            legs.push_back({i, std::string(row[1]), std::string(row[2]), get / give, reserve});
        if (row[1] == *src && row[2] == *dst && !(a > 0 && reserve < a / (give / get)) &&
            !(t > 0 && reserve < t))
            direct = std::max(direct.value_or(get / give), get / give);
    }
    std::vector<TRefRoute> found;
    const auto consider = [&](std::vector<const TRefLeg*> chain) {
        long double rate = chain[0]->Rate;
        for (std::size_t i = 1; i < chain.size(); ++i)
            rate *= chain[i]->Rate;
        long double give = a, get = 0, x = a;
        for (const TRefLeg* leg : chain)
            if (a > 0 && leg->Reserve < (x *= leg->Rate))
                return;
        get = x;
        if (t > 0 || !(a > 0)) {
            long double y = chain[0]->Reserve;
            for (std::size_t i = 1; i < chain.size(); ++i)
                y = std::min(chain[i]->Reserve, y * chain[i]->Rate);
            get = y = t > 0 ? t : std::max(y, 0.0L);
            for (std::size_t i = chain.size(); i-- > 0; y /= chain[i]->Rate)
                if (t > 0 && chain[i]->Reserve < y)
                    return;
            give = y;
            // Without amounts: the largest amount rounded down as offers show it, and what that buys, the
            // same.
            const auto down = [](long double x) {
                const long double power = powl(10.0L, AmountDecimals(x, 4));
                return floorl(x * power * (1 + 1e-17L)) / power;
            };
            if (!(t > 0) && down(give) > 0) {
                give = get = down(give);
                for (const TRefLeg* leg : chain)
                    get *= leg->Rate;
                get = down(get);
            }
        }
        TRefRoute route{{}, rate, give, get};
        for (const TRefLeg* leg : chain)
            route.Rows.push_back(leg->Row);
        found.push_back(route);
    };
    for (const TRefLeg& l1 : legs)
        for (const TRefLeg& l2 : legs) {
            if (l1.From != *src || !via.contains(l1.To) || l2.From != l1.To)
                continue;
            if (l2.To == *dst)
                consider({&l1, &l2});
            if (Options.MaxLegs >= 3 && via.contains(l2.To) && l2.To != l1.To)
                for (const TRefLeg& l3 : legs)
                    if (l3.From == l2.To && l3.To == *dst)
                        consider({&l1, &l2, &l3});
        }
    std::sort(found.begin(), found.end(), [](const TRefRoute& x, const TRefRoute& y) {
        return x.Rate != y.Rate ? x.Rate > y.Rate : x.Rows < y.Rows;
    });
    found.resize(std::min(found.size(), Options.Top));
    return {direct, found};
}

void ExpectSame(const TRoutes& Got,
                const std::pair<std::optional<long double>, std::vector<TRefRoute>>& Want) {
    EXPECT_EQ(Got.Direct, Want.first);
    ASSERT_EQ(Got.Routes.size(), Want.second.size());
    for (std::size_t i = 0; i < Want.second.size(); ++i) {
        SCOPED_TRACE(i);
        const TRoute& route = Got.Routes[i];
        std::vector<std::uint32_t> rows;
        for (const TRouteLeg& leg : route.Legs)
            rows.push_back(leg.Row);
        EXPECT_EQ(rows, Want.second[i].Rows);
        EXPECT_EQ(route.Rate, Want.second[i].Rate);
        EXPECT_EQ(route.Give, static_cast<double>(ShownAmount(Want.second[i].Give, 4)));
        EXPECT_EQ(route.Get, static_cast<double>(ShownAmount(Want.second[i].Get, 4)));
        EXPECT_EQ(route.Via.size() + 1, route.Legs.size());
    }
}

} // namespace

// The routes must be exactly the best chains of all: small random tables with duplicated rows, zero and
// unreadable quotes, missing or unusable exchangers and reserves right on the amounts they must cover.
TEST(FindRoutes, EqualsACheckOfEveryChainOnRandomTables) {
    std::mt19937 random(20261210);
    const auto pick = [&](const std::vector<std::string>& from) { return from[random() % from.size()]; };
    const std::vector<std::string> codes = {"a", "b", "c", "d", "z"}; // z has no names row
    const std::vector<std::string> numbers = {"1", "2", "3", "0.5", "4", "1", "2", "0", "-2", "x", ""};
    const std::vector<std::string> reserves = {"0", "1", "2", "3", "4", "6", "8", "12", "100", ""};
    const std::vector<std::string> amounts = {"", "", "", "", "1", "2", "3", "4", "6", "12"};
    const TStringMatrix exchangers = {{"1", "One", "", ""},
                                      {"2", "Two", "3", "7"},
                                      {"3", "Short"},
                                      {"4", "Four", "", ""},
                                      {"99999999999", "Big", "", ""}};
    const std::vector<std::string> ids = {"1", "2", "4", "1", "2", "4", "3", "5", "01", "99999999999"};
    for (int round = 0; round < 1500; ++round) {
        SCOPED_TRACE(round);
        TStringMatrix names = {{"a", "A"}, {"b", "B"}, {"c", "C"}, {"d", "D"}};
        if (round % 7 == 0)
            names.push_back({"c", "B"}); // a duplicated display name: the last row's code serves
        TStringMatrix rates;
        const int rows = static_cast<int>(random() % 100);
        for (int r = 0; r < rows; ++r) {
            if (r > 0 && random() % 6 == 0) {
                rates.push_back(rates[random() % rates.size()].ToArray());
                continue;
            }
            rates.push_back(
                {pick(ids), pick(codes), pick(codes), pick(numbers), pick(numbers), pick(reserves)});
        }
        const TOfferControls controls{pick({"A", "B", "C"}), pick({"B", "D", "A"}), pick(amounts),
                                      pick(amounts)};
        TRouteOptions options;
        options.Top = 1 + random() % 4;
        options.MaxLegs = 2 + static_cast<int>(random() % 2);
        if (random() % 3 == 0)
            options.HiddenCodes = {pick(codes)};
        ExpectSame(FindRoutes(rates, names, exchangers, controls, options),
                   Reference(rates, names, exchangers, controls, options));
        if (HasFailure())
            break;
    }
}

// Giving A for B through X: leg 1 pays 4 X per A (reserve R1), leg 2 pays 3 B per X (reserve R2).
TEST(FindRoutes, AmountsAndReservesOfBothLegs) {
    const TStringMatrix names = {{"a", "A"}, {"x", "X"}, {"b", "B"}};
    const TStringMatrix exchangers = {{"1", "One", "", ""}, {"2", "Two", "", ""}};
    struct TCase {
        const char* Label;
        std::string R1, R2, Src, Dst;
        std::optional<std::pair<double, double>> Shown; // given, received; nullopt: no route
    };
    const TCase cases[] = {
        {"no amount: the largest leg 2 allows", "100", "60", "", "", std::pair{5.0, 60.0}},
        {"no amount: the largest leg 1 allows", "8", "60", "", "", std::pair{2.0, 24.0}},
        {"no amount: a leg without reserve can pay nothing", "0", "60", "", "", std::nullopt},
        {"no amount: the largest amount rounded down, what it buys from it", "100", "0.1006", "", "",
         std::pair{0.0083, 0.0996}},
        {"no amount: below 0.0001 three significant digits, rounded down", "100", "0.0008399", "", "",
         std::pair{0.0000699, 0.0008}},
        {"no amount: a large amount is not rounded up past its reserve", "1e12", "1481481468.0011999", "", "",
         std::pair{123456789.0, 1481481468.0}},
        {"source amount: both reserves exactly enough", "8", "24", "2", "", std::pair{2.0, 24.0}},
        {"source amount: leg 1 just short", "7.99", "24", "2", "", std::nullopt},
        {"source amount: leg 2 just short", "8", "23.99", "2", "", std::nullopt},
        {"target amount: both reserves exactly enough", "8", "24", "", "24", std::pair{2.0, 24.0}},
        {"target amount: leg 2 just short", "8", "23.99", "", "24", std::nullopt},
        {"target amount: leg 1 short of what leg 2 needs", "7.99", "24", "", "24", std::nullopt},
        {"both: target shown", "100", "100", "1", "24", std::pair{2.0, 24.0}},
        {"both: the source test fails although the target fits", "100", "100", "10", "24", std::nullopt},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Label);
        const TStringMatrix rates = {{"1", "a", "x", "1", "4", c.R1}, {"2", "x", "b", "1", "3", c.R2}};
        const TRoutes found = FindRoutes(rates, names, exchangers, {"A", "B", c.Src, c.Dst}, {});
        EXPECT_FALSE(found.Direct);
        ASSERT_EQ(found.Routes.size(), c.Shown ? 1u : 0u);
        if (!c.Shown)
            continue;
        const TRoute& route = found.Routes[0];
        EXPECT_EQ(route.Rate, 12);
        EXPECT_EQ(route.Via, std::vector<std::string>{"X"});
        EXPECT_EQ(std::pair(route.Give, route.Get), *c.Shown);
        ASSERT_EQ(route.Legs.size(), 2u);
        EXPECT_EQ(route.Legs[1].EID, 2);
        EXPECT_EQ(route.Legs[1].Exchanger, "Two");
        // A leg shows its quote without amounts, its own amounts with them, as an offer does.
        const double between = c.Src.empty() && c.Dst.empty() ? 1 : route.Give * 4;
        EXPECT_EQ(route.Legs[1].SrcRate, between);
    }
}

TEST(FindRoutes, HiddenCurrenciesAreNeverPassedThrough) {
    const TStringMatrix names = {{"a", "A"}, {"x", "X"}, {"y", "Y"}, {"b", "B"}};
    const TStringMatrix exchangers = {{"1", "One", "", ""}};
    const TStringMatrix rates = {{"1", "a", "x", "1", "5", "9"}, {"1", "x", "b", "1", "5", "9"},
                                 {"1", "a", "y", "1", "2", "9"}, {"1", "y", "b", "1", "2", "9"},
                                 {"1", "x", "y", "1", "9", "9"}, {"1", "a", "b", "1", "5", "9"}};
    TRouteOptions options;
    options.MaxLegs = 3;
    options.HiddenCodes = {"x"};
    const TRoutes found = FindRoutes(rates, names, exchangers, {"A", "B", "", ""}, options);
    EXPECT_EQ(found.Direct, 5);
    ASSERT_EQ(found.Routes.size(), 1u);
    EXPECT_EQ(found.Routes[0].Via, std::vector<std::string>{"Y"});
    options.HiddenCodes.clear();
    const TRoutes all = FindRoutes(rates, names, exchangers, {"A", "B", "", ""}, options);
    ASSERT_EQ(all.Routes.size(), 3u);
    EXPECT_EQ(all.Routes[0].Via, (std::vector<std::string>{"X", "Y"}));
    EXPECT_EQ(all.Routes[0].Rate, 90);
    EXPECT_EQ(all.Routes[0].Legs[1].From + ">" + all.Routes[0].Legs[1].To + ">" + all.Routes[0].Legs[2].To,
              "X>Y>B");
    EXPECT_EQ(RouteGainText(all.Routes[0].Rate, *all.Direct), "+1700 %");
    // The window lists what beats the direct rate of 5; every route when there is no direct offer.
    EXPECT_EQ(RoutesWorthShowing(all).size(), 2u);
    EXPECT_EQ(RoutesWorthShowing({std::nullopt, all.Routes}).size(), 3u);
}
