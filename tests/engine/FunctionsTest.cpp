#include "engine/Functions.h"

#include <gtest/gtest.h>

namespace {

using TRows = TStringMatrix;

TEST(RegexMatchAll, BuildsRowsFromGroupsThatTookPart) {
    struct TCase {
        const char* Subject;
        const char* Pattern;
        TRows Expected;
    };
    const TCase cases[] = {
        {"", "([a-z]+)", {}},
        {"a1b22", "[0-9]+", {{}, {}}}, // no groups: one empty row per match
        {"b", "(a)|(b)", {{"", "b"}}}, // a group inside the row that did not take part
        {"a", "(a)|(b)", {{"a"}}},     // trailing groups that did not take part are left off
        {"a", "a(b)?", {{}}},
        {"abc", "x*", {}}, // empty matches never count
        {"baab", "(a*)", {{"aa"}}},
        {"Ab1", "([a-z]+)", {{"Ab"}}},                // case-insensitive
        {"1;2;3", "([0-9]+);([0-9]+)", {{"1", "2"}}}, // matches do not overlap
        {"x=1\ny=22\n", "([a-z])=([0-9]+)", {{"x", "1"}, {"y", "22"}}},
        {"\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82 1",
         "([^ ]+) ([0-9])",
         {{"\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82",
           "1"}}},                                  // multi-byte characters come back whole
        {"\xD0\xAF", "(\xD1\x8F)", {{"\xD0\xAF"}}}, // Cyrillic folds case too
        {"a\rb\r\nc\x0B"
         "d",
         "^([a-d])$",
         {{"a"}, {"b"}, {"c"}, {"d"}}}, // any newline ends a line
    };
    for (const TCase& c : cases) {
        EXPECT_EQ(RegexMatchAll(c.Subject, c.Pattern), c.Expected)
            << testing::PrintToString(std::string(c.Subject)) << " ~ " << c.Pattern;
    }
}

TEST(RegexMatchAll, InvalidUtf8SubjectIsDecodedLenientlyFirst) {
    const TRows rows = RegexMatchAll("1;a\xFF"
                                     "b;2",
                                     "([0-9]);([^;]+);([0-9])");
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0][1], "a\xEF\xBF\xBD"
                          "b");
}

TEST(RegexMatchAll, MatchSettingMoreThan99GroupsEndsTheSearch) {
    std::string fits;
    std::string tooMany;
    for (int i = 0; i < 99; ++i) {
        fits += "(x)";
    }
    tooMany = fits + "(x)";
    const std::string subject(300, 'x');
    const TRows rows = RegexMatchAll(subject, fits);
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0].size(), 99u);
    EXPECT_TRUE(RegexMatchAll(subject, tooMany).empty());
}

TEST(RegexMatchAll, ManyRecordsKeepSubjectOrder) {
    std::string body;
    for (int i = 0; i < 5000; ++i) {
        body += std::to_string(i) + ";v\n";
    }
    const TRows rows = RegexMatchAll(body, "([0-9]+);v");
    ASSERT_EQ(rows.size(), 5000u);
    EXPECT_EQ(rows.front(), TStringArray{"0"});
    EXPECT_EQ(rows[4321], TStringArray{"4321"});
}

TEST(RegexTest, CaseSensitiveSingleSearchWithoutUtfMode) {
    EXPECT_FALSE(RegexTest("[a-z]+", ""));
    EXPECT_FALSE(RegexTest("[a-z]+", "AB"));
    EXPECT_TRUE(RegexTest("[a-z]+", "ABc"));
    EXPECT_FALSE(RegexTest("x*", "abc")); // only an empty match exists
    EXPECT_TRUE(RegexTest("^b", "b\na"));
    EXPECT_FALSE(RegexTest("^a", "b\na")); // not multiline
    // Not in UTF mode: bytes that are not UTF-8 are searched, not rejected.
    EXPECT_TRUE(RegexTest("\\xFF", "a\xFF"));
}

TEST(RegexErrors, BadOrEmptyPatternThrowsWithOffsetAndMessage) {
    try {
        RegexMatchAll("abc", "ab(c");
        FAIL() << "no exception";
    } catch (const ERegexError& error) {
        EXPECT_EQ(error.Offset(), 4u);
        EXPECT_NE(std::string(error.what()).find("parenthesis"), std::string::npos) << error.what();
    }
    EXPECT_THROW(RegexTest("[a-", "x"), ERegexError);
    EXPECT_THROW(RegexTest("", "x"), ERegexError);
    EXPECT_THROW(RegexMatchAll("x", ""), ERegexError);
}

} // namespace
