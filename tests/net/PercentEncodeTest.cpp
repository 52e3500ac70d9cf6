#include "net/TCP.h"

#include <gtest/gtest.h>

namespace {

TEST(PercentEncode, EscapesExactlyTheListedBytes) {
    const std::string kept = "!$'()*,-.0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
    for (int byte = 0; byte < 256; ++byte) {
        const std::string in(1, static_cast<char>(byte));
        const std::string out = PercentEncode(in);
        if (kept.find(static_cast<char>(byte)) != std::string::npos) {
            EXPECT_EQ(out, in) << "byte " << byte;
        } else {
            char expected[4];
            std::snprintf(expected, sizeof expected, "%%%02X", byte);
            EXPECT_EQ(out, expected) << "byte " << byte;
        }
    }
}

TEST(PercentEncode, Examples) {
    EXPECT_EQ(PercentEncode("x y"), "x%20y");
    EXPECT_EQ(PercentEncode("\xC3\xA9_~+&="), "%C3%A9%5F%7E%2B%26%3D");
    EXPECT_EQ(PercentEncode(std::string("a\0b", 3)), "a%00b");
    EXPECT_EQ(PercentEncode(""), "");
}

TEST(PercentEncode, PairText) {
    EXPECT_EQ(PairText({}), "");
    EXPECT_EQ(PairText({{"", ""}}), "=&");
    EXPECT_EQ(PairText({{"action", "rates"}}), "action=rates&");
    EXPECT_EQ(PairText({{"a", "1"}, {"b", "x y"}, {"k=", "v&"}}), "a=1&b=x%20y&k%3D=v%26&");
}

} // namespace
