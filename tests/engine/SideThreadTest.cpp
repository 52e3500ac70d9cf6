#include "engine/SideThread.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

TEST(SideThread, JoinWaitsForTheWorkAndGoingAsksUnfinishedWorkToStop) {
    std::atomic<bool> done{false};
    {
        TSideThread side([&](std::stop_token) { done = true; });
        side.Join();
        EXPECT_TRUE(done);
        side.Join(); // a second wait returns at once
    }
    std::atomic<bool> stopped{false};
    {
        TSideThread side([&](std::stop_token Stop) {
            while (!Stop.stop_requested()) {
                std::this_thread::yield();
            }
            stopped = true;
        });
    }
    EXPECT_TRUE(stopped);
}
