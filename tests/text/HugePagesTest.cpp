#include "text/HugePages.h"
#include "text/Utf8.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <string>

// Huge pages asked for over rooms that share their first and last huge pages with written memory (which the
// system may copy into huge pages) leave every byte in and around them as it was; a room grown for them keeps
// what it held, and so do the lenient decoding's copies of a large text, valid and with a malformed byte.
TEST(HugePages, LargeRoomsKeepEveryByte) {
    std::string text(4 * kHugePageBytes + 4321, '\0');
    for (std::size_t i = 0; i < text.size(); ++i) {
        text[i] = static_cast<char>('a' + (i * 131 + i / 4096) % 26);
    }
    std::string room = text;
    AskHugePages(room.data() + 12345, 2 * kHugePageBytes + 777'777);
    AskHugePages(room.data() + kHugePageBytes / 3, kHugePageBytes);
    EXPECT_TRUE(room == text);

    std::string grown = text.substr(0, 1000);
    ReserveInHugePages(grown, text.size(), text.size());
    EXPECT_GE(grown.capacity(), text.size());
    EXPECT_TRUE(grown == text.substr(0, 1000));

    EXPECT_TRUE(DecodeUtf8Lenient(text) == text);
    std::string malformed = text;
    malformed[kHugePageBytes] = '\xFF';
    std::string expected = text;
    expected.replace(kHugePageBytes, 1, "\xEF\xBF\xBD");
    EXPECT_TRUE(DecodeUtf8Lenient(malformed) == expected);
}
