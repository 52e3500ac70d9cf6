#include "text/HugePages.h"
#include "text/Utf8.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <string>
#include <vector>

namespace {

unsigned char Pattern(std::size_t At, unsigned Seed) {
    return static_cast<unsigned char>((At * 131 + At / 4096 + Seed) % 251);
}

bool HoldsPattern(const std::vector<unsigned char>& Bytes, unsigned Seed) {
    for (std::size_t i = 0; i < Bytes.size(); ++i) {
        if (Bytes[i] != Pattern(i, Seed)) {
            return false;
        }
    }
    return true;
}

} // namespace

// Huge pages are asked for over rooms that share their first and last huge pages with memory already written
// (which the system may copy into huge pages): no byte in or around a room changes, and the rooms take
// writes.
TEST(HugePages, AskingKeepsEveryByteInAndAroundTheRoom) {
    std::vector<unsigned char> bytes(4 * kHugePageBytes + 4321);
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        bytes[i] = Pattern(i, 1);
    }
    AskHugePages(bytes.data() + 12345, 2 * kHugePageBytes + 777'777);
    AskHugePages(bytes.data() + kHugePageBytes / 3, kHugePageBytes);
    AskHugePages(bytes.data() + 5, 0);
    EXPECT_TRUE(HoldsPattern(bytes, 1));

    for (std::size_t i = 0; i < bytes.size(); ++i) {
        bytes[i] = Pattern(i, 2);
    }
    EXPECT_TRUE(HoldsPattern(bytes, 2));
}

// Large rooms of text grown for huge pages keep what they held: a string given room, and the copies the
// lenient decoding makes of a large valid text and of one with a malformed byte.
TEST(HugePages, LargeRoomsKeepWhatTheyHold) {
    std::string text(3 * kHugePageBytes / 2, '\0');
    for (std::size_t i = 0; i < text.size(); ++i) {
        text[i] = static_cast<char>('a' + Pattern(i, 3) % 26);
    }
    std::string grown = text.substr(0, 1000);
    ReserveInHugePages(grown, 2 * text.size(), text.size());
    EXPECT_GE(grown.capacity(), 2 * text.size());
    EXPECT_EQ(grown, text.substr(0, 1000));
    ReserveInHugePages(grown, 10, 10); // room enough already
    EXPECT_EQ(grown, text.substr(0, 1000));

    EXPECT_EQ(DecodeUtf8Lenient(text), text);
    std::string malformed = text;
    malformed[kHugePageBytes] = '\xFF';
    std::string expected = text;
    expected.replace(kHugePageBytes, 1, "\xEF\xBF\xBD");
    EXPECT_EQ(DecodeUtf8Lenient(malformed), expected);
}
