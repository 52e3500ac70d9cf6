#include "engine/Text.h"
#include "text/Utf8.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <limits>
#include <random>

namespace {

TEST(AnsiCodePage, ConvertsCyrillicBothWaysAndReplacesForeignCharacters) {
    EXPECT_EQ(Utf8ToAnsi("\xD0\x81\xD0\xB6 \xD1\x8F"), "\xA8\xE6 \xFF"); // "Ёж я"
    EXPECT_EQ(AnsiToUtf8("\xA8\xE6 \xFF"), "\xD0\x81\xD0\xB6 \xD1\x8F");
    EXPECT_EQ(AnsiToUtf8("\x88"), "\xE2\x82\xAC"); // euro sign
    EXPECT_EQ(Utf8ToAnsi("\xE4\xB8\xAD"), "?");    // a CJK character the code page lacks
    EXPECT_EQ(Utf8ToAnsi("\xC3\xA9"), "?");        // é is not in Windows-1251
    EXPECT_EQ(AnsiRoundTrip("Z\xC3\xA9\xD0\x96"), "Z?\xD0\x96");
    // Every byte of the code page comes back as itself.
    std::string all;
    for (int b = 1; b < 256; ++b) {
        all += static_cast<char>(b);
    }
    EXPECT_EQ(Utf8ToAnsi(AnsiToUtf8(all)), all);
    EXPECT_TRUE(IsValidUtf8(AnsiToUtf8(all)));
}

TEST(AnsiSameText, FoldsLatinAndCyrillicOnly) {
    struct TCase {
        std::string A;
        std::string B;
        bool Same;
    };
    const TCase cases[] = {
        {"WebMoney WMZ", "webmoney wmz", true},
        {"\xD0\xAF\xD0\xBD\xD0\xB4\xD0\xB5\xD0\xBA\xD1\x81",
         "\xD1\x8F\xD0\xBD\xD0\x94\xD0\x95\xD0\xBA\xD1\x81", true}, // "Яндекс" / "янДЕкс"
        {"\xD0\x81\xD0\xBB\xD0\xBA\xD0\xB0", "\xD1\x91\xD0\xBB\xD0\xBA\xD0\xB0", true}, // "Ёлка" / "ёлка"
        {"\xD0\x81", "\xD0\x95", false},                                                // Ё is not Е
        {"\xC3\x89", "\xC3\xA9", false}, // É / é: outside the code page, compared exactly
        {"abc", "abcd", false},
        {"", "", true},
    };
    for (const TCase& c : cases) {
        EXPECT_EQ(AnsiSameText(c.A, c.B), c.Same) << c.A << " / " << c.B;
    }
}

TEST(ParseDecimal, ReadsWholeTextOnly) {
    struct TCase {
        const char* Text;
        std::optional<long double> Expected;
    };
    const TCase cases[] = {
        {"30.5", 30.5L},
        {"100", 100.0L},
        {".5", 0.5L},
        {"5.", 5.0L},
        {"+2", 2.0L},
        {"-0.25", -0.25L},
        {"1e3", 1000.0L},
        {"1.5E-2", 0.015L},
        {"007", 7.0L},
        {"0", 0.0L},
        {"", std::nullopt},
        {".", std::nullopt},
        {"1.2.3", std::nullopt},
        {"+", std::nullopt},
        {"1e", std::nullopt},
        {"12a", std::nullopt},
        {" 1", std::nullopt},
        {"1 ", std::nullopt},
        {"1,5", std::nullopt},
        {"inf", std::nullopt},
        {"nan", std::nullopt},
        {"0x10", std::nullopt},
        {"--1", std::nullopt},
        {"+-1", std::nullopt},
        {"1e99999", std::nullopt},
    };
    for (const TCase& c : cases) {
        const auto got = ParseDecimal(c.Text);
        ASSERT_EQ(got.has_value(), c.Expected.has_value()) << c.Text;
        if (got) {
            EXPECT_EQ(*got, *c.Expected) << c.Text;
        }
    }
    // A value too small for the type reads as zero rather than failing.
    EXPECT_EQ(ParseDecimal("1e-99999"), 0.0L);
    // Extended precision: the text's value, not a double's.
    EXPECT_EQ(*ParseDecimal("0.1"), 0.1L);
    // Plain decimals are read without the C library; they must round exactly as it does, up to 19 digits and
    // past them.
    std::mt19937_64 random(7);
    for (int i = 0; i < 20000; ++i) {
        std::string text = std::to_string(random() >> (random() % 64));
        text.insert(random() % (text.size() + 1), ".");
        text.insert(0, std::string(random() % 3, '0'));
        EXPECT_EQ(*ParseDecimal(text), std::strtold(text.c_str(), nullptr)) << text;
    }
}

TEST(ParseInt32, AcceptsExactly32BitDecimalIntegers) {
    struct TCase {
        const char* Text;
        std::optional<std::int32_t> Expected;
    };
    const TCase cases[] = {
        {"0", 0},
        {"100", 100},
        {"+5", 5},
        {"-7", -7},
        {"007", 7},
        {"2147483647", 2147483647},
        {"-2147483648", std::numeric_limits<std::int32_t>::min()},
        {"2147483648", std::nullopt},
        {"9999999999", std::nullopt},
        {"", std::nullopt},
        {"1.0", std::nullopt},
        {"12 ", std::nullopt},
        {"+-1", std::nullopt},
        {"x1", std::nullopt},
    };
    for (const TCase& c : cases) {
        EXPECT_EQ(ParseInt32(c.Text), c.Expected) << c.Text;
    }
}

TEST(FormatGeneral, FifteenDigitsNoTrailingZerosExponentOnlyAtTheExtremes) {
    struct TCase {
        double Value;
        const char* Expected;
    };
    const TCase cases[] = {
        {0.0, "0"},
        {-0.0, "0"},
        {3050.0, "3050"},
        {30.5, "30.5"},
        {0.3333, "0.3333"},
        {0.12, "0.12"},
        {-1.25, "-1.25"},
        {0.1 + 0.2, "0.3"},
        {1.0 / 3.0, "0.333333333333333"},
        {123456.78, "123456.78"},
        {0.0001, "0.0001"},
        {0.00001, "1E-5"},
        {0.000015, "1.5E-5"},
        {999999999999999.0, "999999999999999"},
        {1e15, "1E15"},
        {1.5e20, "1.5E20"},
        {999999999999999.9, "1E15"}, // rounds up to 15 digits, and the exponent follows
        {2147483647.0, "2147483647"},
        {std::numeric_limits<double>::infinity(), "INF"},
    };
    for (const TCase& c : cases) {
        EXPECT_EQ(FormatGeneral(c.Value), c.Expected) << c.Expected;
    }
}

} // namespace
