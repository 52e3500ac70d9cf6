#include "net/Resolver.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

namespace {

using namespace std::chrono_literals;
using TSteady = std::chrono::steady_clock;

std::atomic<int> Calls{0};
std::atomic<bool> SlowReleased{false};
std::atomic<bool> SlowAnswered{false};

// A resolver that answers for loopback only once the test lets it, as one behind an unanswering server would
// (at most after a minute).
int SlowResolver(const char*, const char* Port, const addrinfo* Hints, addrinfo** List) {
    ++Calls;
    for (int i = 0; i < 6000 && !SlowReleased; ++i)
        std::this_thread::sleep_for(10ms);
    const int result = getaddrinfo("127.0.0.1", Port, Hints, List);
    SlowAnswered = true;
    return result;
}

int QuickResolver(const char*, const char* Port, const addrinfo* Hints, addrinfo** List) {
    ++Calls;
    return getaddrinfo("127.0.0.1", Port, Hints, List);
}

int FailingResolver(const char*, const char*, const addrinfo*, addrinfo**) {
    ++Calls;
    return EAI_NONAME;
}

TEST(Resolver, ANumericAddressNeedsNoResolver) {
    Calls = 0;
    TAddressList list;
    EXPECT_EQ(ResolveWithin("127.0.0.1", "80", TSteady::now() + 1s, list, FailingResolver),
              TResolveOutcome::Resolved);
    ASSERT_TRUE(list);
    EXPECT_EQ(list->ai_family, AF_INET);
    EXPECT_EQ(ResolveWithin("::1", "80", TSteady::now() + 1s, list, FailingResolver),
              TResolveOutcome::Resolved);
    EXPECT_EQ(Calls, 0);
}

TEST(Resolver, ANameGoesToTheResolver) {
    Calls = 0;
    TAddressList list;
    EXPECT_EQ(ResolveWithin("feeds.example", "8765", TSteady::now() + 5s, list, QuickResolver),
              TResolveOutcome::Resolved);
    ASSERT_TRUE(list);
    EXPECT_EQ(ResolveWithin("feeds.example", "8765", TSteady::now() + 5s, list, FailingResolver),
              TResolveOutcome::NoSuchHost);
    EXPECT_FALSE(list);
    EXPECT_EQ(Calls, 2);
}

TEST(Resolver, ALateAnswerIsAFailedWaitAndIsFreedByItsThread) {
    SlowReleased = false;
    SlowAnswered = false;
    TAddressList list;
    EXPECT_EQ(ResolveWithin("slow.example", "80", TSteady::now() + 100ms, list, SlowResolver),
              TResolveOutcome::TimedOut);
    EXPECT_FALSE(SlowAnswered);
    EXPECT_FALSE(list);
    // The abandoned thread answers now, into memory of its own: the sanitizer builds would see a touch of
    // freed memory or a leak. The wait only keeps it from outliving the test.
    SlowReleased = true;
    for (int i = 0; i < 500 && !SlowAnswered; ++i)
        std::this_thread::sleep_for(10ms);
    EXPECT_TRUE(SlowAnswered);
    EXPECT_EQ(ResolveWithin("quick.example", "80", TSteady::now() + 5s, list, QuickResolver),
              TResolveOutcome::Resolved);
}

} // namespace
