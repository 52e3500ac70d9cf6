// A subject of a megabyte or more is searched by two threads, the second from its middle; the table must be
// the one a single search finds, whatever the records do at the place where the second thread starts.

#include "engine/Functions.h"
#include "engine/Protocol.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace {

constexpr std::size_t kLong = 3 << 20;

// Block repeated to at least kLong bytes.
std::string Repeated(const std::string& Block) {
    std::string subject;
    while (subject.size() < kLong) {
        subject += Block;
    }
    return subject;
}

// The table of Block's rows, once per repetition in Repeated(Block).
TStringMatrix RepeatedRows(const std::string& Block, std::string_view Pattern) {
    const TStringMatrix once = RegexMatchAll(Block, Pattern);
    TStringMatrix rows;
    for (std::size_t size = 0; size < kLong; size += Block.size()) {
        for (const TStringRow row : once) {
            rows.push_back(row.ToArray());
        }
    }
    return rows;
}

TEST(RegexMatchAllLong, RecordsOnTheirOwnLinesComeOnceEachInOrder) {
    // Varied lengths, so that the second thread starts at no fixed place in a block; a malformed byte makes
    // the subject a decoded copy.
    const std::string block = "12;wmz;yandex rub;1;30.5;1000\n7;BTC;eth;0.5;3;12.25\nheading\n"
                              "130;usdt trc20;k\xE2\x84\xAA;1;1;1\nbad\xFF;1;2\n";
    const TStringMatrix expected = RepeatedRows(block, kRatesPattern);
    EXPECT_EQ(RegexMatchAll(Repeated(block), kRatesPattern), expected);
    EXPECT_EQ(FeedTableShared(kFeedRates, std::make_shared<const std::string>(Repeated(block))), expected);

    // Rows that cover less than half the subject are copied out of it, the second thread's as the first's;
    // a copy of the table that gains a row leaves the table as it was.
    const std::string sparse = block + std::string(300, '#') + "\n";
    const TStringMatrix copied = RegexMatchAll(Repeated(sparse), kRatesPattern);
    EXPECT_EQ(copied, RepeatedRows(sparse, kRatesPattern));
    TStringMatrix grown = copied;
    grown.push_back({"x"});
    ASSERT_EQ(grown.size(), copied.size() + 1);
    EXPECT_EQ(grown.back(), TStringArray{"x"});
    EXPECT_EQ(copied, RepeatedRows(sparse, kRatesPattern));
}

TEST(RegexMatchAllLong, RecordsAcrossLineEndsAreFoundWhereOneSearchFindsThem) {
    // A display name without ";" runs over the line end into the next line, so a search from a line start
    // sees other records than the one search from the top: the second thread's rows never fit in.
    const std::string names = "wmz;WebMoney\nWMZ;usd\nrub;Рубли;rub\n";
    EXPECT_EQ(RegexMatchAll(Repeated(names), kNamesPattern), RepeatedRows(names, kNamesPattern));
    const std::string exchangers = "5;First\n6;;7\n8;Third;1;\n";
    EXPECT_EQ(RegexMatchAll(Repeated(exchangers), kExchangersPattern),
              RepeatedRows(exchangers, kExchangersPattern));
}

TEST(RegexMatchAllLong, AMatchingErrorInTheFirstHalfEndsTheTable) {
    // Nested repeats that never meet their "b" exhaust the match limit: the search ends there, and rows the
    // second thread found further on must not appear.
    const std::string rows = Repeated("x\n");
    const std::string subject = rows.substr(0, 4000) + std::string(40, 'a') + "c\n" + rows.substr(0, kLong);
    const TStringMatrix table = RegexMatchAll(subject, "(x)|(?:a+)+b");
    EXPECT_EQ(table, TStringMatrix(2000, TStringArray{"x"}));
}

TEST(RegexMatchAllLong, TheBudgetHoldsForTheWholeTable) {
    const std::string block = "1;a;b;1;1;1\n";
    const TStringMatrix table = RegexMatchAll(Repeated(block), kRatesPattern);
    EXPECT_EQ(RegexMatchAll(Repeated(block), kRatesPattern, table.NeededBytes()), table);
    EXPECT_THROW(RegexMatchAll(Repeated(block), kRatesPattern, table.NeededBytes() - 1), ETableTooLarge);
    EXPECT_THROW(RegexMatchAll(Repeated(block), kRatesPattern, table.NeededBytes() * 2 / 3), ETableTooLarge);
}

} // namespace
