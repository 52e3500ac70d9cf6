#include "text/Ascii.h"

#include <gtest/gtest.h>

namespace {

TEST(Ascii, FoldsLettersOfBothSidesAndNothingElse) {
    EXPECT_TRUE(EqualsNoCase("true", "TRUE"));
    EXPECT_TRUE(EqualsNoCase("TRUE", "true")); // both sides fold, not only the first
    EXPECT_TRUE(EqualsNoCase("Utf-8", "uTF-8"));
    EXPECT_FALSE(EqualsNoCase("true", "tru"));
    // Bytes that differ by 0x20 but are no letters stay apart: "@" / "`", "[" / "{", and UTF-8 bytes (А / а).
    EXPECT_FALSE(EqualsNoCase("@", "`"));
    EXPECT_FALSE(EqualsNoCase("[", "{"));
    EXPECT_FALSE(EqualsNoCase("\xD0\x90", "\xD0\xB0"));

    EXPECT_TRUE(StartsWithNoCase("Content-Length: 5", "CONTENT-LENGTH:"));
    EXPECT_TRUE(StartsWithNoCase("WWW.example.org", "www."));
    EXPECT_FALSE(StartsWithNoCase("ww", "www."));

    EXPECT_EQ(UpperAscii("get \xD0\xB0z"), "GET \xD0\xB0Z");
    EXPECT_EQ(LowerAscii("HTTP://Example.ORG \xD0\x90"), "http://example.org \xD0\x90");
}

TEST(Ascii, TrimRemovesBlanksAndControlsAtBothEndsOnly) {
    EXPECT_EQ(Trim(" \t\r\n\x01news\r\nline two \x1F"), "news\r\nline two");
    EXPECT_EQ(Trim(" \r\n \t "), "");
    EXPECT_EQ(Trim("\xD0\x9F "), "\xD0\x9F"); // UTF-8 lead bytes are not controls
    EXPECT_EQ(Trim("\x7F"), "\x7F");          // DEL is above the blanks
}

} // namespace
