#include "engine/Offers.h"
#include "tests/support/HangBudget.h"

#include <gtest/gtest.h>

namespace {

// What one offer shows; nullopt in a case means the quote is left out.
struct TShown {
    double SrcRate;
    double DstRate;
    double Reserve;
    std::int32_t EID = 5;
    std::string Exchanger = "Name";
    std::optional<std::int32_t> BL = std::nullopt;
};

struct TOfferCase {
    const char* Label;
    std::string Give;
    std::string Get;
    std::string Reserve;
    std::string SrcAmount;
    std::string DstAmount;
    std::optional<TShown> Expected;
    TStringArray Exchanger = {"5", "Name", "", ""};
    std::string RateId = "5";
    std::string SrcName = "WebMoney WMZ";
};

const TStringMatrix kNames = {{"wmz", "WebMoney WMZ", "usd"}, {"wmr", "WebMoney WMR", "rub"}};

TEST(FillOffers, QuotesAmountsAndReservesGiveTheShownRows) {
    const std::string name25 = "ABCDEFGHIJKLMNOPQRSTUVWXY";
    const std::string cyr25 = [] {
        std::string s;
        for (int i = 0; i < 25; ++i) {
            s += "\xD0\x96"; // Ж
        }
        return s;
    }();
    const TOfferCase cases[] = {
        {"quote alone", "1", "30.5", "5000", "", "", TShown{1, 30.5, 5000}},
        {"source amount", "1", "30.5", "5000", "100", "", TShown{100, 3050, 5000}},
        {"source amount beyond reserve", "1", "30.5", "3000", "100", "", std::nullopt},
        {"target amount", "1", "30.5", "5000", "", "61", TShown{2, 61, 5000}},
        {"target amount equal to reserve", "1", "30.5", "61", "", "61", TShown{2, 61, 61}},
        {"target amount just above reserve", "1", "30.5", "60.99", "", "61", std::nullopt},
        {"both amounts: target shown", "1", "30.5", "5000", "100", "61", TShown{2, 61, 5000}},
        {"both amounts: source test fails", "1", "30.5", "1000", "100", "61", std::nullopt},
        {"thirds", "1", "3", "10", "", "", TShown{1, 3, 10}},
        {"thirds with target 1", "1", "3", "10", "", "1", TShown{0.3333, 1, 10}},
        {"reserve rounds half to even down", "1", "2", "0.125", "", "", TShown{1, 2, 0.12}},
        {"reserve rounds half to even up", "1", "2", "0.375", "", "", TShown{1, 2, 0.38}},
        {"zero reserve, no amount", "1", "30.5", "0", "", "", TShown{1, 30.5, 0}},
        {"zero reserve, source amount", "1", "30.5", "0", "1", "", std::nullopt},
        {"zero reserve, target amount", "1", "30.5", "0", "", "1", std::nullopt},
        {"amounts that are not numbers count as none", "1", "30.5", "0", "abc", "1.2.3", TShown{1, 30.5, 0}},
        {"decimal source amount typed with a comma", "1", "30.5", "5000", "0,5", "",
         TShown{0.5, 15.25, 5000}},
        {"decimal target amount typed with a point", "1", "30.5", "5000", "", "15.25",
         TShown{0.5, 15.25, 5000}},
        {"a lone separator counts as no amount", "1", "30.5", "0", ",", ".", TShown{1, 30.5, 0}},
        {"10-digit amount beyond 32 bits still computes", "1", "30.5", "1000000000000", "9999999999", "",
         TShown{9999999999.0, 304999999969.5, 1e12}},
        {"fields that are not numbers take defaults", "1.2.3", ".", "1.2.3", "", "", TShown{1, 1, 0}},
        {"amounts below 0.0001 (reserve 0.01) keep 3 significant digits", "1", "0.0000554321", "0.00612", "",
         "", TShown{1, 0.0000554, 0.00612}},
        {"give of zero is left out", "0", "30.5", "5000", "", "", std::nullopt},
        {"get of zero is left out", "1", "0.0", "5000", "100", "", std::nullopt},
        {"exchanger id missing from exchangers",
         "1",
         "30.5",
         "5000",
         "",
         "",
         std::nullopt,
         {"6", "Other", "", ""}},
        {"BL when column 3 is not empty",
         "1",
         "30.5",
         "5000",
         "",
         "",
         TShown{1, 30.5, 5000, 5, "Name", 3},
         {"5", "Name", "3", "7"}},
        {"BL null when column 3 is empty",
         "1",
         "30.5",
         "5000",
         "",
         "",
         TShown{1, 30.5, 5000},
         {"5", "Name", "3", ""}},
        {"BL null when column 2 is empty",
         "1",
         "30.5",
         "5000",
         "",
         "",
         TShown{1, 30.5, 5000},
         {"5", "Name", "", "7"}},
        {"BL null beyond 32 bits",
         "1",
         "30.5",
         "5000",
         "",
         "",
         TShown{1, 30.5, 5000},
         {"5", "Name", "2147483648", "1"}},
        {"id 007 in both feeds",
         "1",
         "30.5",
         "5000",
         "",
         "",
         TShown{1, 30.5, 5000, 7},
         {"007", "Name", "", ""},
         "007"},
        {"id beyond 32 bits is left out",
         "1",
         "30.5",
         "5000",
         "",
         "",
         std::nullopt,
         {"4294967301", "Name", "", ""},
         "4294967301"},
        {"Latin name cut to 20",
         "1",
         "30.5",
         "5000",
         "",
         "",
         TShown{1, 30.5, 5000, 5, name25.substr(0, 20)},
         {"5", name25, "", ""}},
        {"Cyrillic name cut to 20 characters",
         "1",
         "30.5",
         "5000",
         "",
         "",
         TShown{1, 30.5, 5000, 5, cyr25.substr(0, 40)},
         {"5", cyr25, "", ""}},
        {"name outside the code page",
         "1",
         "30.5",
         "5000",
         "",
         "",
         TShown{1, 30.5, 5000, 5, "Caf?"},
         {"5", "Caf\xC3\xA9", "", ""}},
        {"display name matching no currency",
         "1",
         "30.5",
         "5000",
         "",
         "",
         std::nullopt,
         {"5", "Name", "", ""},
         "5",
         "webmoney wmz"},
    };
    for (const TOfferCase& c : cases) {
        const TStringMatrix rates = {{c.RateId, "wmz", "wmr", c.Give, c.Get, c.Reserve}};
        const TStringMatrix exchangers = {c.Exchanger};
        const TOfferControls controls{c.SrcName, "WebMoney WMR", c.SrcAmount, c.DstAmount};
        const std::vector<TOfferRow> offers = FillOffers(rates, kNames, exchangers, controls);
        if (!c.Expected) {
            EXPECT_TRUE(offers.empty()) << c.Label;
            continue;
        }
        ASSERT_EQ(offers.size(), 1u) << c.Label;
        const TOfferRow& row = offers[0];
        EXPECT_EQ(row.SrcRate, c.Expected->SrcRate) << c.Label;
        EXPECT_EQ(row.DstRate, c.Expected->DstRate) << c.Label;
        EXPECT_EQ(row.Reserve, c.Expected->Reserve) << c.Label;
        EXPECT_EQ(row.EID, c.Expected->EID) << c.Label;
        EXPECT_EQ(row.Exchanger, c.Expected->Exchanger) << c.Label;
        EXPECT_EQ(row.BL, c.Expected->BL) << c.Label;
    }
}

TEST(FillOffers, PairSelectionOrderAndLookups) {
    const TStringMatrix names = {{"a", "Alpha", "x"}, {"b", "Beta", "x"}, {"B", "Beta", "x"}};
    const TStringMatrix exchangers = {{"1", "One", "", ""}, {"2", "Two", "", ""}, {"1", "Shadow", "", ""}};
    const TStringMatrix rates = {
        {"2", "a", "B", "1", "2", "100"},
        {"1", "a", "b", "1", "2", "100"}, // "Beta" resolves to the later code B
        {"1", "a", "B", "1", "3", "100"},
        {"1", "B", "a", "1", "4", "100"}, // the reverse pair is another pair
        {"1", "A", "B", "1", "5", "100"}, // codes compare exactly
    };
    const std::vector<TOfferRow> offers = FillOffers(rates, names, exchangers, {"Alpha", "Beta", "", ""});
    ASSERT_EQ(offers.size(), 2u);
    EXPECT_EQ(offers[0].Exchanger, "Two");
    EXPECT_EQ(offers[0].DstRate, 2);
    EXPECT_EQ(offers[1].Exchanger, "One"); // the first exchangers row with the id serves
    EXPECT_EQ(offers[1].DstRate, 3);

    EXPECT_TRUE(FillOffers(rates, names, exchangers, {std::nullopt, "Beta", "", ""}).empty());
    EXPECT_TRUE(FillOffers(rates, names, exchangers, {"Alpha", std::nullopt, "", ""}).empty());
    EXPECT_EQ(ExchangerIndex(exchangers, "1"), 0);
    EXPECT_EQ(ExchangerIndex(exchangers, "2"), 1);
    EXPECT_EQ(ExchangerIndex(exchangers, "01"), -1);
    EXPECT_EQ(ExchangerIndex({}, "1"), -1);
}

TEST(FillOffers, KeptQuoteRowsAreFoundAgainWhenTheTableOrThePairChanges) {
    TStringMatrix names = {{"a", "Alpha", "x"}, {"b", "Beta", "x"}};
    const TStringMatrix exchangers = {{"1", "One", "", ""}, {"2", "Two", "", ""}, {"3", "Three", "", ""}};
    TStringMatrix rates = {{"1", "a", "b", "1", "2", "100"}, {"2", "b", "a", "1", "3", "100"}};
    TQuoteRows quotes;
    const auto shown = [&](const TStringMatrix& Rates, const TOfferControls& Controls) {
        std::vector<std::string> exchangerNames;
        for (const TOfferRow& row : FillOffers(Rates, names, exchangers, Controls, quotes)) {
            exchangerNames.push_back(row.Exchanger);
        }
        return exchangerNames;
    };
    using TNames = std::vector<std::string>;
    const TOfferControls alphaToBeta{"Alpha", "Beta", "", ""};
    EXPECT_EQ(shown(rates, alphaToBeta), TNames{"One"});
    EXPECT_EQ(shown(rates, {"Beta", "Alpha", "", ""}), TNames{"Two"});
    rates.push_back({"3", "a", "b", "1", "4", "100"});
    EXPECT_EQ(shown(rates, alphaToBeta), (TNames{"One", "Three"}));
    // The same number of rows, built where the last table may have been.
    rates = TStringMatrix{
        {"2", "a", "b", "1", "2", "100"}, {"1", "b", "a", "1", "3", "100"}, {"3", "b", "a", "1", "4", "100"}};
    EXPECT_EQ(shown(rates, alphaToBeta), TNames{"Two"});
    const TStringMatrix copy = rates;
    EXPECT_EQ(shown(copy, alphaToBeta), TNames{"Two"});
    // New names can give a display name another code.
    names = {{"b", "Alpha", "x"}, {"a", "Beta", "x"}};
    EXPECT_EQ(shown(rates, alphaToBeta), (TNames{"One", "Three"}));
    rates.clear();
    EXPECT_TRUE(shown(rates, alphaToBeta).empty());
}

TEST(TabOffers, ARebuildSortsByTheDefaultOrderAndTypedAmountsReSortFromThere) {
    const TStringMatrix names = {{"a", "Alpha", "x"}, {"b", "Beta", "x"}};
    const TStringMatrix exchangers = {{"1", "One", "", ""}, {"2", "Two", "", ""}, {"3", "Three", "", ""}};
    const TStringMatrix rates = {
        {"1", "a", "b", "2", "4", "1000000"},
        {"2", "a", "b", "1", "4", "1000000"},
        {"3", "a", "b", "1", "5", "1000000"},
    };
    const auto namesOf = [](const std::vector<TOfferRow>& rows) {
        std::vector<std::string> shown;
        for (const TOfferRow& row : rows) {
            shown.push_back(row.Exchanger);
        }
        return shown;
    };
    using TNames = std::vector<std::string>;
    // Least given first; of those giving the same, the one that gets more for it.
    EXPECT_EQ(namesOf(RebuiltOffers(rates, names, exchangers, {"Alpha", "Beta", "", ""})),
              (TNames{"Three", "Two", "One"}));
    EXPECT_EQ(namesOf(TabOffers(rates, names, exchangers, {"Alpha", "Beta", "", ""})),
              (TNames{"Three", "Two", "One"}));
    // Given 100 each: all give the same, so the quotes decide; the typed amount puts the most received first.
    EXPECT_EQ(namesOf(RebuiltOffers(rates, names, exchangers, {"Alpha", "Beta", "100", ""})),
              (TNames{"Three", "Two", "One"}));
    EXPECT_EQ(namesOf(TabOffers(rates, names, exchangers, {"Alpha", "Beta", "100", ""})),
              (TNames{"Three", "Two", "One"}));
    // A target amount decides over a source amount: least given for 1 received first.
    EXPECT_EQ(namesOf(TabOffers(rates, names, exchangers, {"Alpha", "Beta", "100", "1"})),
              (TNames{"Three", "Two", "One"}));
    EXPECT_EQ(namesOf(TabOffers(rates, names, exchangers, {"Alpha", "Beta", "", "8"})),
              (TNames{"Three", "Two", "One"}));
}

TEST(OfferFields, TitlesAndNamesInColumnOrder) {
    std::string titles;
    std::string fieldNames;
    for (const TOfferField field : kOfferFields) {
        titles += std::string(OfferFieldTitle(field)) + "|";
        fieldNames += std::string(OfferFieldName(field)) + "|";
    }
    EXPECT_EQ(titles, "|Обменник|Отдаёте|Получаете|Резерв|BL|");
    EXPECT_EQ(fieldNames, "EID|Exchanger|SrcRate|DstRate|Reserve|BL|");
}

TEST(FillOffers, HostileTableSizesStayWithinTheHangBudget) {
    // 100,000 quotes of the pair against 100,000 exchangers, each quote's exchanger far down the list.
    constexpr int kRows = 100000;
    const TStringMatrix names = {{"a", "Alpha", "x"}, {"b", "Beta", "x"}};
    TStringMatrix rates;
    TStringMatrix exchangers;
    for (int i = 0; i < kRows; ++i) {
        rates.push_back({std::to_string(kRows - 1 - i), "a", "b", "1", "2", "100"});
        exchangers.push_back({std::to_string(i), "Exchanger " + std::to_string(i), "", ""});
    }
    const TOfferControls controls{"Alpha", "Beta", "", ""};
    std::size_t offers = 0;
    EXPECT_LT(LeastSeconds(2, [&] { offers = FillOffers(rates, names, exchangers, controls).size(); }),
              kTableHangBudgetSeconds);
    EXPECT_EQ(offers, static_cast<std::size_t>(kRows));

    // One 5 MB name quoted 2,000 times.
    std::string longName;
    for (int i = 0; i < 2500000; ++i) {
        longName += "\xD0\xAF"; // Я
    }
    const TStringMatrix oneExchanger = {{"1", longName, "", ""}};
    const TStringMatrix quotes(2000, TStringArray{"1", "a", "b", "1", "2", "100"});
    std::vector<TOfferRow> rows;
    EXPECT_LT(LeastSeconds(1, [&] { rows = FillOffers(quotes, names, oneExchanger, controls); }),
              kHangBudgetSeconds);
    ASSERT_EQ(rows.size(), 2000u);
    EXPECT_EQ(rows.back().Exchanger, longName.substr(0, 40)); // 20 characters of two UTF-8 bytes
}

TEST(FillOffers, RebuildNeedsAllTablesAndBothCurrencies) {
    const TStringMatrix some = {{"x"}};
    const TOfferControls both{"A", "B", "", ""};
    EXPECT_TRUE(CanRebuildOffers(some, some, some, both));
    EXPECT_FALSE(CanRebuildOffers(some, some, {}, both)); // empty exchangers: previous offers stay
    EXPECT_FALSE(CanRebuildOffers({}, some, some, both));
    EXPECT_FALSE(CanRebuildOffers(some, {}, some, both));
    EXPECT_FALSE(CanRebuildOffers(some, some, some, {"A", std::nullopt, "", ""}));
    EXPECT_FALSE(CanRebuildOffers(some, some, some, {std::nullopt, "B", "", ""}));
}

TEST(RoundTo, HalfToEvenAtTheScaledValue) {
    EXPECT_EQ(static_cast<double>(RoundTo(0.125L, 2)), 0.12);
    EXPECT_EQ(static_cast<double>(RoundTo(0.375L, 2)), 0.38);
    EXPECT_EQ(static_cast<double>(RoundTo(2.5L, 0)), 2.0);
    EXPECT_EQ(static_cast<double>(RoundTo(1.0L / 3.0L, 4)), 0.3333);
    EXPECT_EQ(static_cast<double>(RoundTo(-0.00005L, 4)), 0.0);
    EXPECT_EQ(static_cast<double>(RoundTo(61.0L / 30.5L * 30.5L, 4)), 61.0);
}

TEST(GridRateText, FourDecimalsAsTheGridOrThreeSignificantDigitsForSmallRates) {
    EXPECT_EQ(GridRateText(0.0108890945717864), "0.0109");
    EXPECT_EQ(GridRateText(95.123456), "95.1235");
    EXPECT_EQ(GridRateText(0.000436218), "0.000436");
    EXPECT_EQ(GridRateText(-0.000000412345), "-0.000000412"); // written out, no exponent
}

TEST(AmountOrder, TargetAmountFirstThenSourceAmount) {
    struct TOfferCase {
        const char* Src;
        const char* Dst;
        std::optional<TSortKey> Expected;
    };
    const TSortKey srcAsc{TOfferField::SrcRate, false};
    const TSortKey dstDesc{TOfferField::DstRate, true};
    const TOfferCase cases[] = {
        {"100", "", dstDesc},
        {"1", "", dstDesc},
        {"100", "5", srcAsc},
        {"", "5", srcAsc},
        {"", "", std::nullopt},
        {"0", "0", std::nullopt},
        // The numbers the offers are computed for: beyond 32 bits and decimals order too.
        {"2147483648", "", dstDesc},
        {"9999999999", "", dstDesc},
        {"0,5", "", dstDesc},
        {"1.5", "", dstDesc},
        {"100", "0.5", srcAsc},
        {",", ".", std::nullopt},
        {"-3", "", std::nullopt},
        {"100", "abc", dstDesc},
    };
    for (const TOfferCase& c : cases) {
        EXPECT_EQ(AmountOrder(c.Src, c.Dst), c.Expected) << c.Src << " / " << c.Dst;
    }
}

TEST(FeedRebuildOrder, KeepsTheUsersSortThenTheAmountsOrderAndOnlyThenTheDefault) {
    const TSortOrder byName{{TOfferField::Exchanger, true}, {TOfferField::Reserve, false}};
    const TSortOrder srcAsc{{TOfferField::SrcRate, false}};
    const TSortOrder dstDesc{{TOfferField::DstRate, true}};
    const TOfferControls none{"Alpha", "Beta", "", ""};
    const TOfferControls source{"Alpha", "Beta", "0,5", ""};
    const TOfferControls target{"Alpha", "Beta", "0,5", "3"};
    EXPECT_EQ(FeedRebuildOrder({}, none), srcAsc);
    EXPECT_EQ(FeedRebuildOrder({}, source), dstDesc); // most received first, as the amount edit chose
    EXPECT_EQ(FeedRebuildOrder({}, target), srcAsc);
    EXPECT_EQ(FeedRebuildOrder(byName, none), byName);
    EXPECT_EQ(FeedRebuildOrder(byName, source), byName);
}

std::vector<std::string> Names(const std::vector<TOfferRow>& Rows) {
    std::vector<std::string> names;
    for (const TOfferRow& row : Rows) {
        names.push_back(row.Exchanger);
    }
    return names;
}

TEST(SortOffers, StableMultiKeyWithNamesFoldedAndNullBLFirst) {
    const auto make = [](std::int32_t eid, std::string name, double src, double dst,
                         std::optional<std::int32_t> bl) {
        return TOfferRow{eid, std::move(name), src, dst, 100, bl};
    };
    const std::vector<TOfferRow> base = {
        make(1, "beta", 2, 10, 3),
        make(2, "Alpha", 1, 10, std::nullopt),
        make(3, "alpha", 2, 30, -1),
        make(4, "Gamma", 1, 20, 3),
        make(5, "\xD0\x81\xD0\xB6", 3, 5, 0), // Ёж
        make(6, "\xD0\xB5\xD0\xB6", 3, 5, 1), // еж
        make(7, "\xD0\xB6", 3, 5, 2),         // ж
    };
    struct TOfferCase {
        TSortOrder Order;
        std::vector<std::int32_t> Eids;
    };
    const TOfferCase cases[] = {
        {{{TOfferField::SrcRate, false}}, {2, 4, 1, 3, 5, 6, 7}}, // ties keep table order
        {{{TOfferField::SrcRate, true}}, {5, 6, 7, 1, 3, 2, 4}},
        {{{TOfferField::SrcRate, false}, {TOfferField::DstRate, true}}, {4, 2, 3, 1, 5, 6, 7}},
        // Case-insensitive, bytes break the tie ("Alpha" < "alpha"); Ё sorts with Е, before Ж.
        {{{TOfferField::Exchanger, false}}, {2, 3, 1, 4, 5, 6, 7}},
        {{{TOfferField::BL, false}}, {2, 3, 5, 6, 7, 1, 4}},
        {{{TOfferField::BL, true}}, {1, 4, 7, 6, 5, 3, 2}},
        {{{TOfferField::EID, true}}, {7, 6, 5, 4, 3, 2, 1}},
        {{}, {1, 2, 3, 4, 5, 6, 7}},
    };
    for (const TOfferCase& c : cases) {
        std::vector<TOfferRow> rows = base;
        SortOffers(rows, c.Order);
        std::vector<std::int32_t> eids;
        for (const TOfferRow& row : rows) {
            eids.push_back(row.EID);
        }
        EXPECT_EQ(eids, c.Eids) << testing::PrintToString(Names(rows));
    }
    // Rows equal by every key: the better quote first in either direction, after the user's own keys.
    const TOfferRow worse{1, "Worse", 1, 100, 1000, std::nullopt, 100.00001};
    const TOfferRow better{2, "Better", 1, 100, 10, std::nullopt, 100.00004};
    for (const TSortOrder& order :
         {TSortOrder{{TOfferField::SrcRate, true}}, TSortOrder{{TOfferField::DstRate, false}}}) {
        std::vector<TOfferRow> rows = {worse, better};
        SortOffers(rows, order);
        EXPECT_EQ(rows[0].EID, 2);
    }
    std::vector<TOfferRow> rows = {better, worse};
    SortOffers(rows, {{TOfferField::SrcRate, false}, {TOfferField::Reserve, true}});
    EXPECT_EQ(rows[0].EID, 1);
}

TEST(OfferCellText, GeneralFormatAndEmptyNullBL) {
    const TOfferRow row{42, "Name", 0.3333, 3050, 0.12, std::nullopt};
    EXPECT_EQ(OfferCellText(row, TOfferField::EID), "42");
    EXPECT_EQ(OfferCellText(row, TOfferField::Exchanger), "Name");
    EXPECT_EQ(OfferCellText(row, TOfferField::SrcRate), "0.3333");
    EXPECT_EQ(OfferCellText(row, TOfferField::DstRate), "3050");
    EXPECT_EQ(OfferCellText(row, TOfferField::Reserve), "0.12");
    EXPECT_EQ(OfferCellText(row, TOfferField::BL), "");
    EXPECT_EQ(OfferCellText(TOfferRow{1, "", 0, 0, 0, -7}, TOfferField::BL), "-7");
    // Small amounts are written out, large ones keep the general format's exponent.
    const TOfferRow small{1, "", 0.0000254, 1e-15, 2.5e15, std::nullopt};
    EXPECT_EQ(OfferCellText(small, TOfferField::SrcRate), "0.0000254");
    EXPECT_EQ(OfferCellText(small, TOfferField::DstRate), "0.000000000000001");
    EXPECT_EQ(OfferCellText(small, TOfferField::Reserve), "2.5E15");
}

} // namespace
