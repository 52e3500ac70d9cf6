#include "text/Eintr.h"

#include <gtest/gtest.h>

#include <unistd.h>

namespace {

TEST(HandleEINTR, RepeatsOnlyWhileTheCallIsInterrupted) {
    int calls = 0;
    const auto interruptedTwice = [&] {
        ++calls;
        if (calls <= 2) {
            errno = EINTR;
            return -1;
        }
        return 7;
    };
    EXPECT_EQ(HandleEINTR(interruptedTwice), 7);
    EXPECT_EQ(calls, 3);

    // Any other failure comes back at once, errno kept for the caller.
    calls = 0;
    const ssize_t got = HandleEINTR([&] {
        ++calls;
        char byte = 0;
        return ::read(-1, &byte, 1);
    });
    EXPECT_EQ(got, -1);
    EXPECT_EQ(errno, EBADF);
    EXPECT_EQ(calls, 1);

    // A success after an EINTR left in errno by something earlier is not repeated.
    calls = 0;
    errno = EINTR;
    EXPECT_EQ(HandleEINTR([&] { return ++calls; }), 1);
}

} // namespace
