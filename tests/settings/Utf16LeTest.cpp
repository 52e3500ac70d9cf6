#include "settings/Utf16Le.h"

#include <gtest/gtest.h>

namespace {

TEST(Utf16Le, RoundTripAndLoneSurrogates) {
    const std::string text = "a\xD0\xAF\xF0\x9F\x98\x80";
    const std::vector<std::uint8_t> units = Utf8ToUtf16Le(text);
    EXPECT_EQ(units, (std::vector<std::uint8_t>{'a', 0, 0x2F, 0x04, 0x3D, 0xD8, 0x00, 0xDE}));
    EXPECT_EQ(Utf16LeToUtf8(units, 4), text);
    EXPECT_EQ(Utf16LeToUtf8(units, 3), "a\xD0\xAF\xEF\xBF\xBD"); // the pair cut in half
    EXPECT_EQ(Utf16LeToUtf8({0x00, 0xDE, 'b', 0}, 2), "\xEF\xBF\xBD"
                                                      "b");
    // Malformed UTF-8 goes out as one U+FFFD per maximal malformed subpart, as everywhere else.
    EXPECT_EQ(Utf8ToUtf16Le("\xE2\x82x"), (std::vector<std::uint8_t>{0xFD, 0xFF, 'x', 0}));
}

} // namespace
