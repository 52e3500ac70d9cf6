#include "text/Prefault.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <memory>

// Mapping pages in ahead of the writes must leave every byte as it was: the ones already written, the ones
// on the same pages outside the range, and the range itself, whatever its alignment.
TEST(Prefault, ChangesNoByteInOrAroundTheRange) {
    constexpr std::size_t kBytes = 1 << 20;
    auto buffer = std::make_unique<unsigned char[]>(kBytes);
    for (std::size_t i = 0; i < kBytes; i += 4096 + 3) {
        buffer[i] = static_cast<unsigned char>(i % 251 + 1);
    }
    PrefaultForWriting(buffer.get() + 12345, kBytes - 12345 - 77);
    PrefaultForWriting(buffer.get() + 1, 100); // below the size worth a call
    PrefaultForWriting(nullptr, kBytes);
    for (std::size_t i = 0; i < kBytes; ++i) {
        const unsigned char expected = i % (4096 + 3) == 0 ? static_cast<unsigned char>(i % 251 + 1) : 0;
        ASSERT_EQ(buffer[i], expected) << "byte " << i;
    }
}
