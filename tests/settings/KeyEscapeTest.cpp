#include "settings/XMLConf.h"
#include "settings/XmlName.h"

#include <gtest/gtest.h>

namespace {

TEST(KeyEscapeTest, ValidNamesStayAsTheyAre) {
    for (const std::string code : {"BTC", "USDT_TRC20", "A-B.C", "ЯНДЕКС", "Qiwi", "x", "_", "_x", "_x004_",
                                   "_x0041", "\xF0\x9F\x98\x80"}) {
        EXPECT_EQ(EscapeKeySegment(code), code);
        EXPECT_EQ(UnescapeKeySegment(code), code);
    }
    EXPECT_EQ(HideCurrencyKey("BTC"), "HideCurrencies/BTC");
}

TEST(KeyEscapeTest, AwkwardCodesEscapeToValidNamesAndBack) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"1INCH", "_x0031_INCH"},
        {"USD COIN", "USD_x0020_COIN"},
        {"A.B", "A.B"},
        {"-X", "_x002D_X"},
        {".X", "_x002E_X"},
        {"a:b", "a_x003A_b"},
        {"_x0041_", "_x005F_x0041_"},
        {"_x_", "_x005F_x_"},
        {"", "_x_"},
        {"A/B", "A_x002F_B"},
        {"\xF3\xB0\x80\x80", "_xF0000_"}, // a plane-15 private-use character: not a name character
        {"a_x0041 ", "a_x005F_x0041_x0020_"},
        {"a_x ", "a_x005F_x_x0020_"},
    };
    for (const auto& [code, escaped] : cases) {
        SCOPED_TRACE(code);
        EXPECT_EQ(EscapeKeySegment(code), escaped);
        EXPECT_EQ(UnescapeKeySegment(escaped), code);
        EXPECT_TRUE(IsValidElementName(escaped));
    }
}

// Every string over an alphabet rich in escape look-alikes must come back whole from a valid element name.
TEST(KeyEscapeTest, EveryShortStringRoundTrips) {
    const std::vector<std::string> alphabet = {"_", "x", "0", "A", " ", ".", "Я"};
    std::vector<std::size_t> digits;
    for (std::size_t length = 0; length <= 7; ++length) {
        digits.assign(length, 0);
        while (true) {
            std::string code;
            for (std::size_t d : digits) {
                code += alphabet[d];
            }
            const std::string escaped = EscapeKeySegment(code);
            ASSERT_TRUE(IsValidElementName(escaped)) << code << " -> " << escaped;
            ASSERT_EQ(UnescapeKeySegment(escaped), code) << escaped;
            std::size_t i = 0;
            while (i < length && ++digits[i] == alphabet.size()) {
                digits[i++] = 0;
            }
            if (i == length) {
                break;
            }
        }
    }
}

TEST(KeyEscapeTest, UnescapeLeavesWhatIsNoEscapeOfOurs) {
    EXPECT_EQ(UnescapeKeySegment("_xD800_"), "_xD800_");
    EXPECT_EQ(UnescapeKeySegment("_x110000_"), "_x110000_");
    EXPECT_EQ(UnescapeKeySegment("_x0041_x0042_"), "Ax0042_");
    EXPECT_EQ(UnescapeKeySegment("_x0041__x0042_"), "AB");
    EXPECT_EQ(UnescapeKeySegment("_x00e9_"), "é");
}

TEST(XmlNameTest, ElementNames) {
    for (const std::string name : {"settings", "_a", "A1", "a-b.c", "ЯНДЕКС", "x\xC2\xB7y"}) {
        EXPECT_TRUE(IsValidElementName(name)) << name;
    }
    for (const std::string name : {"", "1a", "-a", ".a", "a b", "a:b", ":a", "a/b", "a\xFF", "\xC0\x80"}) {
        EXPECT_FALSE(IsValidElementName(name)) << name;
    }
}

} // namespace
