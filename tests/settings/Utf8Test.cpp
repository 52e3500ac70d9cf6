#include "settings/Utf8.h"

#include <gtest/gtest.h>

namespace {

TEST(Utf8Test, MalformedSequencesBecomeOneReplacementEach) {
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

TEST(Utf8Test, Utf16RoundTripAndLoneSurrogates) {
    const std::string text = "a\xD0\xAF\xF0\x9F\x98\x80";
    const std::vector<std::uint8_t> units = Utf8ToUtf16Le(text);
    EXPECT_EQ(units, (std::vector<std::uint8_t>{'a', 0, 0x2F, 0x04, 0x3D, 0xD8, 0x00, 0xDE}));
    EXPECT_EQ(Utf16LeToUtf8(units, 4), text);
    EXPECT_EQ(Utf16LeToUtf8(units, 3), "a\xD0\xAF\xEF\xBF\xBD"); // the pair cut in half
    EXPECT_EQ(Utf16LeToUtf8({0x00, 0xDE, 'b', 0}, 2), "\xEF\xBF\xBD"
                                                      "b");
}

} // namespace
