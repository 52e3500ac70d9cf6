#include "text/Utf8.h"

#include <gtest/gtest.h>

namespace {

const std::string kFffd = "\xEF\xBF\xBD";

TEST(DecodeUtf8, MalformedSequencesBecomeOneReplacementEach) {
    const std::vector<std::pair<std::string, std::u32string>> cases = {
        {"A\xD0\xAF", U"AЯ"},
        {"\xF0\x9F\x98\x80", U"\U0001F600"},
        {"\xFF", U"\uFFFD"},
        {"\xC0\x80", U"\uFFFD\uFFFD"},                     // overlong NUL
        {"\xED\xA0\x80", U"\uFFFD\uFFFD\uFFFD"},           // an encoded surrogate
        {"\xF4\x90\x80\x80", U"\uFFFD\uFFFD\uFFFD\uFFFD"}, // above U+10FFFF
        {"\xE2\x82", U"\uFFFD"},                           // truncated at the end
        {"\xE2\x82"
         "A",
         U"\uFFFDA"}, // truncated before an ASCII character
        {"\x80"
         "A",
         U"\uFFFDA"},
    };
    for (const auto& [bytes, expected] : cases) {
        EXPECT_EQ(DecodeUtf8(bytes), expected) << testing::PrintToString(bytes);
    }
}

TEST(DecodeUtf8Lenient, ReplacesEachMaximalMalformedSubpart) {
    struct TCase {
        std::string Bytes;
        std::string Expected;
    };
    const TCase cases[] = {
        {"", ""},
        {"plain ascii", "plain ascii"},
        {"\xD0\x9F\xD1\x80\xD0\xB8", "\xD0\x9F\xD1\x80\xD0\xB8"}, // valid Cyrillic passes untouched
        {"\xF0\x9F\x98\x80", "\xF0\x9F\x98\x80"},                 // valid four-byte sequence
        {"a\x80"
         "b",
         "a" + kFffd + "b"},                     // lone continuation byte
        {"\xE2\x82", kFffd},                     // truncated three-byte sequence at the end: one replacement
        {"\xE2\x82x", kFffd + "x"},              // truncated sequence before ASCII
        {"\xE0\x80\x80", kFffd + kFffd + kFffd}, // overlong: the lead cannot start it, each byte replaced
        {"\xED\xA0\x80", kFffd + kFffd + kFffd}, // encoded surrogate
        {"\xF4\x90\x80\x80", kFffd + kFffd + kFffd + kFffd}, // above U+10FFFF
        {"\xF0\x9F\x98", kFffd},                             // truncated four-byte sequence
        {"\xC0\xAF", kFffd + kFffd},                         // C0 never leads
        {"\xFF\xFE", kFffd + kFffd},
        {"\xC3", kFffd},
    };
    for (const TCase& c : cases) {
        EXPECT_EQ(DecodeUtf8Lenient(c.Bytes), c.Expected) << testing::PrintToString(c.Bytes);
        EXPECT_EQ(IsValidUtf8(c.Bytes), c.Bytes == c.Expected) << testing::PrintToString(c.Bytes);
    }
}

TEST(DecodeUtf8Lenient, MalformedByteAfterLongAsciiRunIsFound) {
    // The validator skips eight ASCII bytes at a time; a fault just past such a run must still be seen.
    const std::string bytes = std::string(16, 'a') + "\x80" + std::string(7, 'b');
    EXPECT_FALSE(IsValidUtf8(bytes));
    EXPECT_EQ(DecodeUtf8Lenient(bytes), std::string(16, 'a') + kFffd + std::string(7, 'b'));
}

// The strict check, the lenient decoding to bytes and the one to code points are one reading: over every
// string of one and two bytes, and over the edges of the longer forms, they agree.
TEST(Utf8Codec, StrictAndLenientReadingsAgree) {
    std::vector<std::string> inputs;
    for (int a = 0; a < 256; ++a) {
        inputs.emplace_back(1, static_cast<char>(a));
        for (int b = 0; b < 256; ++b)
            inputs.push_back({static_cast<char>(a), static_cast<char>(b)});
    }
    const unsigned char edges[] = {0x00, 0x41, 0x7F, 0x80, 0x8F, 0x90, 0x9F,
                                   0xA0, 0xBF, 0xC0, 0xC2, 0xE0, 0xF4, 0xFF};
    for (int lead = 0xE0; lead <= 0xF7; ++lead)
        for (const unsigned char b : edges)
            for (const unsigned char c : edges) {
                inputs.push_back({static_cast<char>(lead), static_cast<char>(b), static_cast<char>(c)});
                for (const unsigned char d : edges)
                    inputs.push_back({static_cast<char>(lead), static_cast<char>(b), static_cast<char>(c),
                                      static_cast<char>(d), 'z'});
            }
    for (const std::string& bytes : inputs) {
        const std::string lenient = DecodeUtf8Lenient(bytes);
        std::string fromCodePoints;
        for (const char32_t cp : DecodeUtf8(bytes))
            AppendUtf8(fromCodePoints, cp);
        ASSERT_EQ(fromCodePoints, lenient) << testing::PrintToString(bytes);
        ASSERT_EQ(IsValidUtf8(bytes), lenient == bytes) << testing::PrintToString(bytes);
        ASSERT_TRUE(IsValidUtf8(lenient)) << testing::PrintToString(bytes);
    }
}

TEST(Utf8Codec, AppendWritesOnlyScalarValues) {
    std::string out;
    AppendUtf8(out, U'A');
    AppendUtf8(out, 0x42F);    // Я
    AppendUtf8(out, 0x20AC);   // €
    AppendUtf8(out, 0x1F600);  // an emoji
    AppendUtf8(out, 0xD800);   // a surrogate has no UTF-8 form
    AppendUtf8(out, 0x110000); // nor a value above U+10FFFF
    EXPECT_EQ(out, "A\xD0\xAF\xE2\x82\xAC\xF0\x9F\x98\x80" + kFffd + kFffd);
}

} // namespace

// Checking as pieces arrive gives the one-pass answer wherever the pieces are cut, a sequence split between
// two pieces and one cut short at the very end included.
TEST(Utf8Check, PiecewiseCheckAgreesWithTheWholeWherePiecesAreCut) {
    const std::string inputs[] = {std::string(20, 'a') + "Я€😀" + std::string(20, 'b'),
                                  std::string(20, 'a') + "\x80" + std::string(3, 'b'), "ab\xE2\x82",
                                  std::string(30, 'a') + "\xF0\x9F\x98", "\xED\xA0\x80zzzz"};
    for (const std::string& bytes : inputs) {
        for (std::size_t first = 0; first <= bytes.size(); ++first) {
            for (std::size_t second = first; second <= bytes.size(); ++second) {
                TUtf8Check check;
                check.Extend(std::string_view(bytes).substr(0, first));
                check.Extend(std::string_view(bytes).substr(0, second));
                check.Extend(bytes);
                ASSERT_EQ(check.Valid(bytes.size()), IsValidUtf8(bytes))
                    << testing::PrintToString(bytes) << " cut at " << first << " and " << second;
            }
        }
    }
}
