#include "engine/SideThread.h"

#include <gtest/gtest.h>

#include <atomic>
#include <pthread.h>
#include <sched.h>
#include <thread>

namespace {

// The CPUs the calling thread may run on.
cpu_set_t OwnCpus() {
    cpu_set_t set;
    CPU_ZERO(&set);
    pthread_getaffinity_np(pthread_self(), sizeof set, &set);
    return set;
}

} // namespace

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

TEST(SideThread, RunsWithTheCallersCpusWhetherItWasStartedElsewhereOrNot) {
    const cpu_set_t all = OwnCpus();
    cpu_set_t seen;
    TSideThread([&](std::stop_token) { seen = OwnCpus(); }).Join();
    EXPECT_TRUE(CPU_EQUAL(&seen, &all)) << "the side thread stays confined to where it was started";

    // A caller held to one CPU (taskset) keeps its side thread there too: nowhere else to start it.
    std::thread([&] {
        cpu_set_t one;
        CPU_ZERO(&one);
        CPU_SET(sched_getcpu(), &one);
        ASSERT_EQ(pthread_setaffinity_np(pthread_self(), sizeof one, &one), 0);
        bool ran = false;
        TSideThread([&](std::stop_token) {
            ran = true;
            seen = OwnCpus();
        }).Join();
        EXPECT_TRUE(ran);
        EXPECT_TRUE(CPU_EQUAL(&seen, &one));
    }).join();
}
