#include "net/HugePages.h"

#include <gtest/gtest.h>

#include <cstddef>
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
