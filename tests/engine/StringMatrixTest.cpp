#include "engine/StringMatrix.h"
#include "engine/Functions.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

TEST(StringMatrix, EmptyTablesRowsAndFieldsAreDistinct) {
    const TStringMatrix none;
    EXPECT_TRUE(none.empty());
    EXPECT_EQ(none.begin(), none.end());
    EXPECT_EQ(none, TStringMatrix{});

    const TStringMatrix rows = {{}, {""}, {"", "x", ""}};
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_TRUE(rows[0].empty());
    EXPECT_EQ(rows[1].size(), 1u);
    EXPECT_EQ(rows[2], (TStringArray{"", "x", ""}));
    EXPECT_NE(rows, (TStringMatrix{{""}, {}, {"", "x", ""}}));
    EXPECT_NE(rows, (TStringMatrix{{}, {""}}));
}

TEST(StringMatrix, FieldsOfEveryLengthComeBackWhole) {
    // Lengths are written in 7-bit groups: one, two and three of them.
    const std::string medium(200, 'm');
    const std::string large(20000, 'L');
    const TStringMatrix table = {{"a", medium, large, ""}, {large, "b"}};
    EXPECT_EQ(table[0].ToArray(), (TStringArray{"a", medium, large, ""}));
    EXPECT_EQ(table[1][0], large);
    EXPECT_EQ(table.back().back(), "b");
}

TEST(StringMatrix, CopiesAndMovesStandAlone) {
    TStringMatrix original = {{"1", "one"}, {"2", "two"}, {"3", "three"}};
    const TStringMatrix copy = original;
    TStringMatrix moved = std::move(original);
    original.clear();
    original.push_back({"again"});
    EXPECT_EQ(original, (TStringMatrix{{"again"}}));
    EXPECT_EQ(copy, moved);
    moved.clear();
    EXPECT_EQ(copy[2][1], "three");

    // A copy shares the rows until one of the two changes them.
    TStringMatrix grown = copy;
    grown.push_back({"4", "four"});
    EXPECT_EQ(copy, (TStringMatrix{{"1", "one"}, {"2", "two"}, {"3", "three"}}));
    EXPECT_EQ(grown, (TStringMatrix{{"1", "one"}, {"2", "two"}, {"3", "three"}, {"4", "four"}}));
}

TEST(StringMatrix, RowsCutFromASubjectNeverReadPastIt) {
    // Short fields are copied as whole blocks; at the very end of an exactly sized subject that block would
    // run past it (AddressSanitizer sees the subject's own heap block here).
    const std::string text = "7;x;\xE2\x80\x94;9";
    const auto bytes = std::make_unique<char[]>(text.size());
    std::copy(text.begin(), text.end(), bytes.get());
    const std::string_view subject(bytes.get(), text.size());
    EXPECT_EQ(RegexMatchAll(subject, "([0-9]);([^;]*);([^;]*);([0-9])"),
              (TStringMatrix{{"7", "x", "\xE2\x80\x94", "9"}}));
    EXPECT_EQ(RegexMatchAll(subject.substr(0, 3), "([0-9]);(x)?"), (TStringMatrix{{"7", "x"}}));
}

TEST(StringMatrix, ARowOfNinetyNineGroupsKeepsEveryColumn) {
    std::string pattern;
    std::string subject;
    for (int i = 0; i < 99; ++i) {
        pattern += i % 2 == 0 ? "([0-9]+);" : "([a-z]*);";
        subject += i % 2 == 0 ? std::to_string(i) + ";" : ";";
    }
    const TStringMatrix table = RegexMatchAll(subject + "\n" + subject, pattern);
    ASSERT_EQ(table.size(), 2u);
    ASSERT_EQ(table[1].size(), 99u);
    EXPECT_EQ(table[1][0], "0");
    EXPECT_EQ(table[1][97], "");
    EXPECT_EQ(table[1][98], "98");
}

TEST(RegexMatchAllShared, SharesTheSubjectWithoutEverChangingIt) {
    const std::string_view pattern = "([0-9]+);([^;\n]*);([0-9]*)";
    const std::string records = "1;one;11\n2;;22\n3;\xD0\xAF;\n";
    for (const std::string& subject : {
             records,                          // the rows cover it: shared
             std::string(1000, ' ') + records, // they cover little of it: copied out
             "1;a\xFF" + records,              // malformed: a decoded copy
             std::string("no record at all"),
             std::string(),
         }) {
        const auto shared = std::make_shared<const std::string>(subject);
        TStringMatrix table = RegexMatchAllShared(shared, pattern, std::size_t{1} << 30);
        const TStringMatrix copied = RegexMatchAll(subject, pattern);
        EXPECT_EQ(table, copied) << testing::PrintToString(subject);
        EXPECT_LE(table.HeldBytes(), 2 * copied.HeldBytes() + 1) << testing::PrintToString(subject);
        // A copy reads the same rows; a row appended to one table shows neither in the copy nor in the
        // subject.
        const TStringMatrix copy = table;
        table.push_back({"4", "four", "44"});
        EXPECT_EQ(*shared, subject);
        EXPECT_EQ(copy, RegexMatchAll(subject, pattern));
        ASSERT_EQ(table.size(), copy.size() + 1);
        EXPECT_EQ(table.back(), (TStringArray{"4", "four", "44"}));
    }
    // A body whose rows cover it is shared: the fields point into it, no second copy is made.
    const auto whole = std::make_shared<const std::string>(records);
    const TStringMatrix table = RegexMatchAllShared(whole, pattern, std::size_t{1} << 30);
    ASSERT_EQ(table.size(), 3u);
    EXPECT_EQ(table[1][2].data(), whole->data() + whole->find("22"));
    EXPECT_EQ(RegexMatchAllShared(TSharedText(), pattern, std::size_t{1} << 30).size(), 0u);
}

TEST(RegexMatchAllShared, KeepsWhatHoldsTheBytesAliveAsLongAsTheTable) {
    // Bytes that are not a string (as a mapped file's are), held by a keeper the caller lets go of.
    const std::string_view pattern = "([0-9]+);([a-z]*)";
    auto bytes = std::make_shared<std::vector<char>>();
    for (const char c : std::string_view("1;one\n2;two\n")) {
        bytes->push_back(c);
    }
    const std::weak_ptr<std::vector<char>> watch = bytes;
    const std::string_view view(bytes->data(), bytes->size());
    TStringMatrix table =
        RegexMatchAllShared(TSharedText(std::move(bytes), view), pattern, std::size_t{1} << 30);
    EXPECT_FALSE(watch.expired());
    EXPECT_EQ(table, (TStringMatrix{{"1", "one"}, {"2", "two"}}));
    EXPECT_EQ(table[1][1].data(), view.data() + view.find("two"));
    const TStringMatrix copy = table;
    table.clear();
    EXPECT_FALSE(watch.expired()); // the copy shares them still
    EXPECT_EQ(copy[0][1], "one");
}

TEST(RegexMatchAll, ATableOverItsBudgetIsRefused) {
    std::string body;
    for (int i = 0; i < 1000; ++i) {
        body += "1;a;b;1;1;1\n";
    }
    const std::string_view pattern = "([0-9]+);([a-z]+);([a-z]+);([0-9]+);([0-9]+);([0-9]+)";
    const TStringMatrix table = RegexMatchAll(body, pattern);
    EXPECT_EQ(RegexMatchAll(body, pattern, table.NeededBytes()), table);
    try {
        RegexMatchAll(body, pattern, table.NeededBytes() - 1);
        FAIL() << "no exception";
    } catch (const ETableTooLarge& error) {
        EXPECT_EQ(error.Budget(), table.NeededBytes() - 1);
    }
    // The shortest rows cost most beside their bytes: still a small multiple of the body.
    EXPECT_LE(table.HeldBytes(), 3 * body.size());
}

} // namespace
