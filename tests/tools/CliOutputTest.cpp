// kovrin-cli's output helpers: quoting, escaping, display width, and the three offer formats.

#include "engine/AmountInput.h"
#include "tools/kovrin-cli/Cli.h"
#include "tools/kovrin-cli/CliText.h"
#include "tools/kovrin-cli/CurrencyNames.h"
#include "tools/kovrin-cli/OffersOutput.h"
#include "tools/kovrin-cli/OffersQuery.h"

#include <gtest/gtest.h>

#include <iostream>
#include <sstream>

TEST(CliText, CsvQuotesOnlyWhatNeedsIt) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"FastSwap", "FastSwap"},
        {"Change, Ltd", "\"Change, Ltd\""},
        {"Обмен \"Экспресс\"", "\"Обмен \"\"Экспресс\"\"\""},
        {"two\nlines", "\"two\nlines\""},
        {"cr\r", "\"cr\r\""},
        {"", ""},
        {"semi;colon 'single'", "semi;colon 'single'"},
    };
    for (const auto& [text, field] : cases)
        EXPECT_EQ(CsvField(text), field) << text;
}

TEST(CliText, JsonStringsAndNumbers) {
    EXPECT_EQ(JsonString("a\"b\\c"), R"("a\"b\\c")");
    EXPECT_EQ(JsonString("tab\there\nnew\x01"), R"("tab\there\nnew\u0001")");
    EXPECT_EQ(JsonString("Ёж"), "\"Ёж\"");

    for (const char* good : {"0", "3050", "0.3333", "-2", "1E-5", "1.5E20", "1e+3"})
        EXPECT_TRUE(IsJsonNumber(good)) << good;
    for (const char* bad : {"", "-", "01", "1.", ".5", "1E", "INF", "nan", "1,5", "+1", "1 "})
        EXPECT_FALSE(IsJsonNumber(bad)) << bad;
}

TEST(CliText, TsvEscapesSeparatorsAndBackslash) {
    EXPECT_EQ(TsvField("a\tb\r\nc\\d"), "a\\tb\\r\\nc\\\\d");
    EXPECT_EQ(TsvField("plain ;text"), "plain ;text");
}

TEST(CliText, DisplayWidthCountsCharactersNotBytes) {
    const std::vector<std::pair<std::string, std::size_t>> cases = {
        {"", 0},
        {"abc", 3},
        {"Обменник", 8},
        {"Ё", 1},
        {"e\u0301", 1},
        {"\u4e2d\u6587", 4},
        {"\xff", 1},
        {"\xd0", 1},
        // A malformed subpart is one U+FFFD on screen: a cut-off sequence one column, an overlong "/" and an
        // encoded surrogate one per byte, never the character they would spell.
        {"\xe2\x82|", 2},
        {"\xc0\xaf", 2},
        {"\xed\xa0\x80", 3},
        {"\xe4\xb8", 1},
    };
    for (const auto& [text, width] : cases)
        EXPECT_EQ(DisplayWidth(text), width) << text;
}

namespace {

std::vector<TOfferRow> SampleRows() {
    return {
        {5, "Change, Ltd", 1, 30.5, 5000, 3},
        {7, "Обмен \"Экспресс\"", 0.3333, 1, 0.12, std::nullopt},
    };
}

} // namespace

TEST(OffersOutput, CsvHasTheHeaderAndGridDigits) {
    EXPECT_EQ(OffersCsv(SampleRows()), "EID,Exchanger,SrcRate,DstRate,Reserve,BL\n"
                                       "5,\"Change, Ltd\",1,30.5,5000,3\n"
                                       "7,\"Обмен \"\"Экспресс\"\"\",0.3333,1,0.12,\n");
    EXPECT_EQ(OffersCsv({}), "EID,Exchanger,SrcRate,DstRate,Reserve,BL\n");
}

TEST(OffersOutput, JsonHasSixKeysAndNullBl) {
    EXPECT_EQ(
        OffersJson(SampleRows()),
        "[\n"
        "  {\"EID\": 5, \"Exchanger\": \"Change, Ltd\", \"SrcRate\": 1, \"DstRate\": 30.5, \"Reserve\": "
        "5000, "
        "\"BL\": 3},\n"
        "  {\"EID\": 7, \"Exchanger\": \"Обмен \\\"Экспресс\\\"\", \"SrcRate\": 0.3333, \"DstRate\": 1, "
        "\"Reserve\": 0.12, \"BL\": null}\n"
        "]\n");
    EXPECT_EQ(OffersJson({}), "[]\n");
}

TEST(OffersOutput, TableAlignsByDisplayWidth) {
    std::istringstream table(OffersTable(SampleRows()));
    std::vector<std::string> lines;
    for (std::string line; std::getline(table, line);)
        lines.push_back(line);
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0].rfind("Обменник", 0), 0u);
    // Every line ends its BL column at the same screen column, Cyrillic names included.
    for (const auto& line : lines)
        EXPECT_EQ(DisplayWidth(line), DisplayWidth(lines[0])) << line;
    EXPECT_NE(lines[1].find("Change, Ltd"), std::string::npos);
    EXPECT_NE(lines[2].find("0.3333"), std::string::npos);
}

TEST(OffersQuery, NamesAndCodesResolve) {
    const TStringMatrix names = {{"wmz", "WebMoney WMZ", "USD"},
                                 {"btc", "Bitcoin", "BTC"},
                                 {"x", "btc", "X"},
                                 {"eth", "Ether", "ETH"},
                                 {"eth", "Ether 2", "ETH"}};
    EXPECT_EQ(CurrencyDisplayName(names, "WebMoney WMZ"), "WebMoney WMZ");
    EXPECT_EQ(CurrencyDisplayName(names, "wmz"), "WebMoney WMZ");
    EXPECT_EQ(CurrencyDisplayName(names, "btc"), "btc") << "a display name wins over a code";
    EXPECT_EQ(CurrencyDisplayName(names, "eth"), "Ether 2") << "the last row with the code, as the lookup";
    EXPECT_EQ(CurrencyDisplayName(names, ""), std::nullopt);
    EXPECT_EQ(CurrencyDisplayName(names, " WebMoney WMZ "), "WebMoney WMZ")
        << "blanks a shell left around it";
}

TEST(HistoryQuery, PairsAreNamedAsOffersNamesThemAmongTheRecordedCurrencies) {
    const std::vector<THistoryPair> pairs = {{"Bitcoin BTC", "Сбербанк RUB", "BTC", "SBERRUB"},
                                             {"Bitcoin BTC", "Тинькофф RUB", "BTC", "TCSBRUB"}};
    EXPECT_EQ(MatchHistoryPair(pairs, "btc", "сбербанк rub").Pair.value().Get, "Сбербанк RUB");
    EXPECT_EQ(MatchHistoryPair(pairs, "BTC", "Тинькофф RUB").Pair.value().GetCode, "TCSBRUB");
    EXPECT_EQ(MatchHistoryPair(pairs, "bitcoin btc", "sberrub").Pair.value().Get, "Сбербанк RUB");
    EXPECT_EQ(MatchHistoryPair(pairs, "btc", "rub").Problem,
              "ambiguous currency \"rub\": \"Сбербанк RUB\", \"Тинькофф RUB\"");
    EXPECT_EQ(MatchHistoryPair(pairs, "SBERRUB", "btc").Problem,
              "no history recorded for \"SBERRUB\" -> \"btc\"");
    EXPECT_FALSE(MatchHistoryPair(pairs, "eth", "btc").Pair);
}

TEST(OffersQuery, NamesAsPeopleWriteThemAndAnAmbiguousTickerListsTheCandidates) {
    const TStringMatrix names = {{"wmz", "WebMoney WMZ", "USD"},
                                 {"btc", "Bitcoin BTC", "BTC"},
                                 {"BTC LN", "Bitcoin Lightning BTC", "BTC"},
                                 {"sbr", "Сбербанк RUB", "RUB"},
                                 {"tcs", "Тинькофф RUB", "RUB"},
                                 {"tcs2", "Тинькофф RUB", "RUB"},
                                 {"RUB", "Рубль наличные", "RUB"}};
    EXPECT_EQ(CurrencyDisplayName(names, "webmoney wmz"), "WebMoney WMZ");
    EXPECT_EQ(CurrencyDisplayName(names, "сбербанк rub"), "Сбербанк RUB");
    EXPECT_EQ(CurrencyDisplayName(names, "WMZ"), "WebMoney WMZ");   // a code without letter case
    EXPECT_EQ(CurrencyDisplayName(names, "BTC"), "Bitcoin BTC");    // a code without case before two tickers
    EXPECT_EQ(CurrencyDisplayName(names, "RUB"), "Рубль наличные"); // a code exactly comes before tickers
    EXPECT_EQ(CurrencyDisplayName(names, "rub"), "Рубль наличные"); // and without case too
    const TStringMatrix banks = {{"sbr", "Сбербанк RUB", "RUB"}, {"tcs", "Тинькофф RUB", "RUB"}};
    const TCurrencyMatch rub = MatchCurrency(banks, "rub");
    EXPECT_FALSE(rub.Name); // a ticker two currencies share
    EXPECT_EQ(rub.Candidates, (std::vector<std::string>{"Сбербанк RUB", "Тинькофф RUB"}));
    EXPECT_EQ(CurrencyProblem(MatchCurrency(banks, "Rub"), "Rub"),
              "ambiguous currency \"Rub\": \"Сбербанк RUB\", \"Тинькофф RUB\"");
    EXPECT_EQ(CurrencyProblem(MatchCurrency(names, "Webmoney"), "Webmoney"), "unknown currency \"Webmoney\"");

    const TStringMatrix rates = {{"1", "btc", "sbr", "1", "4000000", "10000000"}};
    const TStringMatrix exchangers = {{"1", "One", "", ""}};
    EXPECT_EQ(QueryOffers(rates, names, exchangers, {"btc", "сбербанк rub", "", ""}).size(), 1u);
    EXPECT_EQ(QueryOffers(rates, names, exchangers, {"BTC", "сбербанк rub", "", ""}).size(), 1u);
    EXPECT_THROW(QueryOffers(rates, banks, exchangers, {"btc", "rub", "", ""}), EUnknownCurrency);
}

TEST(OffersQuery, OrdersByAmountRuleAndNamesUnknownCurrency) {
    const TStringMatrix names = {{"a", "Alpha", "A"}, {"b", "Beta", "B"}};
    const TStringMatrix exchangers = {{"1", "One", "", ""}, {"2", "Two", "", ""}, {"3", "Three", "", ""}};
    // Table order: One gets 30, Two 32, Three 31 for each unit given.
    const TStringMatrix rates = {{"1", "a", "b", "1", "30", "10000"},
                                 {"2", "a", "b", "1", "32", "10000"},
                                 {"3", "a", "b", "1", "31", "10000"}};
    const auto eids = [](const std::vector<TOfferRow>& rows) {
        std::vector<int> ids;
        for (const auto& row : rows)
            ids.push_back(row.EID);
        return ids;
    };
    // No amount: SrcRate ascending, all equal, so the most received for it first.
    EXPECT_EQ(eids(QueryOffers(rates, names, exchangers, {"Alpha", "b", "", ""})), (std::vector{2, 3, 1}));
    // A give amount: most received first.
    EXPECT_EQ(eids(QueryOffers(rates, names, exchangers, {"a", "Beta", "100", ""})), (std::vector{2, 3, 1}));
    // A get amount: least given first.
    EXPECT_EQ(eids(QueryOffers(rates, names, exchangers, {"a", "b", "", "310"})), (std::vector{2, 3, 1}));
    EXPECT_EQ(eids(QueryOffers(rates, names, exchangers, {"b", "a", "", ""})), (std::vector<int>{}));

    try {
        QueryOffers(rates, names, exchangers, {"a", "Gamma", "", ""});
        FAIL() << "no error for an unknown currency";
    } catch (const EUnknownCurrency& error) {
        EXPECT_NE(std::string(error.what()).find("\"Gamma\""), std::string::npos);
    }
}

TEST(CliOutput, OutputThatCannotBeWrittenIsSaidAndTheRunFails) {
    const char* const argv[] = {"kovrin-cli", "--version"};
    std::cout.setstate(std::ios::badbit); // as a full disk leaves it
    testing::internal::CaptureStderr();
    const int code = RunCli(2, argv);
    const std::string said = testing::internal::GetCapturedStderr();
    std::cout.clear();
    EXPECT_EQ(code, 1);
    EXPECT_NE(said.find("the output could not be written"), std::string::npos) << said;
}

TEST(OffersQuery, AmountTextIsWhatTheWindowsFieldsTake) {
    for (const char* good : {"0", "100", "9999999999", "0,5", "1.5", "2.", ",5"})
        EXPECT_TRUE(IsAmountText(good)) << good;
    for (const char* bad : {"", "12345678901", "1.2.3", ",", "-1", "1e3", " 1", "１"})
        EXPECT_FALSE(IsAmountText(bad)) << bad;
}
