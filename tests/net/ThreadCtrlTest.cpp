#include "net/ThreadCtrl.h"
#include "net/PumpedDispatcher.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <future>
#include <memory>
#include <stdexcept>
#include <thread>

namespace {

using namespace std::chrono_literals;

// Records callback order; used only on the test's main thread.
struct TLog {
    std::vector<int> Calls;
    TJobCallback Callback(int Tag) {
        return [this, Tag](void*) { Calls.push_back(Tag); };
    }
};

// A worker that waits until Gate opens.
TJobWorker Gated(std::shared_future<void> Gate) {
    return [Gate](void*, void*) { Gate.wait(); };
}

TEST(ThreadCtrl, NumbersJobsFromOne) {
    TPumpedDispatcher dispatcher;
    TThreadCtrl control(dispatcher.Dispatcher());
    EXPECT_EQ(control.LastID(), 0);
    EXPECT_TRUE(control.AddJob(nullptr, nullptr, nullptr, nullptr));
    EXPECT_EQ(control.LastID(), 1);
    EXPECT_TRUE(control.AddJob(nullptr, nullptr, nullptr, nullptr));
    EXPECT_EQ(control.LastID(), 2);
    ASSERT_TRUE(dispatcher.WaitForQueued(2));
    dispatcher.Pump();
    EXPECT_EQ(control.PendingJobs(), 0u);
    EXPECT_TRUE(control.AddJob(nullptr, nullptr, nullptr, nullptr));
    EXPECT_EQ(control.LastID(), 3);
    ASSERT_TRUE(dispatcher.WaitForQueued(1));
    dispatcher.Pump();
}

TEST(ThreadCtrl, WorkerAndCallbackMayEachBeMissing) {
    TPumpedDispatcher dispatcher;
    TThreadCtrl control(dispatcher.Dispatcher());
    int input = 5;
    int output = 0;
    void* seen = nullptr;
    control.AddJob(
        nullptr, &input, [&](void* Output) { seen = Output; }, &output);
    control.AddJob([](void* In, void* Out) { *static_cast<int*>(Out) = *static_cast<int*>(In) * 2; }, &input,
                   nullptr, &output);
    ASSERT_TRUE(dispatcher.WaitForQueued(2));
    dispatcher.Pump();
    EXPECT_EQ(seen, &output);
    EXPECT_EQ(output, 10);
    EXPECT_EQ(control.PendingJobs(), 0u);
}

TEST(ThreadCtrl, OneSweepCompletesEveryFinishedJobInReverseOrder) {
    TPumpedDispatcher dispatcher;
    TThreadCtrl control(dispatcher.Dispatcher());
    TLog log;
    for (int tag = 1; tag <= 3; ++tag)
        control.AddJob(nullptr, nullptr, log.Callback(tag), nullptr);
    ASSERT_TRUE(dispatcher.WaitForQueued(3));
    EXPECT_EQ(dispatcher.Pump(), 3u); // three hand-offs: the first sweep does all the work
    EXPECT_EQ(log.Calls, (std::vector<int>{3, 2, 1}));
    EXPECT_EQ(control.PendingJobs(), 0u);
}

TEST(ThreadCtrl, RunningJobWaitsForALaterSweep) {
    TPumpedDispatcher dispatcher;
    TThreadCtrl control(dispatcher.Dispatcher());
    TLog log;
    std::promise<void> gate;
    control.AddJob(Gated(gate.get_future().share()), nullptr, log.Callback(1), nullptr);
    control.AddJob(nullptr, nullptr, log.Callback(2), nullptr);
    ASSERT_TRUE(dispatcher.WaitForQueued(1));
    dispatcher.Pump();
    EXPECT_EQ(log.Calls, (std::vector<int>{2}));
    EXPECT_EQ(control.PendingJobs(), 1u);

    gate.set_value();
    ASSERT_TRUE(dispatcher.WaitForQueued(1));
    dispatcher.Pump();
    EXPECT_EQ(log.Calls, (std::vector<int>{2, 1}));
    EXPECT_EQ(control.PendingJobs(), 0u);
}

TEST(ThreadCtrl, CallbackMayAddAJobThatTheRunningSweepLeaves) {
    TPumpedDispatcher dispatcher;
    TThreadCtrl control(dispatcher.Dispatcher());
    std::vector<std::string> events;
    bool firstReturned = false;
    control.AddJob(
        nullptr, nullptr,
        [&](void*) {
            events.push_back("first");
            control.AddJob(
                nullptr, nullptr,
                [&](void*) { events.push_back(firstReturned ? "second after" : "second inside"); }, nullptr);
            // The new job finishes and queues its hand-off, so only the sweep's bound keeps it out.
            EXPECT_TRUE(dispatcher.WaitForQueued(1));
            firstReturned = true;
        },
        nullptr);
    ASSERT_TRUE(dispatcher.WaitForQueued(1));
    dispatcher.Pump();
    for (int i = 0; i < 100 && control.PendingJobs() > 0; ++i) {
        dispatcher.WaitForQueued(1, 50ms);
        dispatcher.Pump();
    }
    EXPECT_EQ(events, (std::vector<std::string>{"first", "second after"}));
    EXPECT_EQ(control.LastID(), 2);
}

TEST(ThreadCtrl, ThrowingWorkerLeavesItsJobUnfinished) {
    TPumpedDispatcher dispatcher;
    TThreadCtrl control(dispatcher.Dispatcher());
    TLog log;
    control.AddJob([](void*, void*) { throw std::runtime_error("worker failed"); }, nullptr, log.Callback(1),
                   nullptr);
    ASSERT_TRUE(dispatcher.WaitForQueued(1)); // the hand-off still happens
    dispatcher.Pump();
    control.AddJob(nullptr, nullptr, log.Callback(2), nullptr);
    ASSERT_TRUE(dispatcher.WaitForQueued(1));
    dispatcher.Pump();
    EXPECT_EQ(log.Calls, (std::vector<int>{2}));
    EXPECT_EQ(control.PendingJobs(), 1u);
}

TEST(ThreadCtrl, CallbackExceptionReleasesTheLockAndKeepsTheEntry) {
    TPumpedDispatcher dispatcher;
    TThreadCtrl control(dispatcher.Dispatcher());
    control.AddJob(
        nullptr, nullptr, [](void*) { throw std::runtime_error("callback failed"); }, nullptr);
    ASSERT_TRUE(dispatcher.WaitForQueued(1));
    EXPECT_THROW(dispatcher.Pump(), std::runtime_error);
    auto pending = std::async(std::launch::async, [&] { return control.PendingJobs(); });
    ASSERT_EQ(pending.wait_for(2s), std::future_status::ready) << "lock still held";
    EXPECT_EQ(pending.get(), 1u);
}

TEST(ThreadCtrl, LateWorkerAfterTheControllerIsGoneTouchesNothing) {
    TPumpedDispatcher dispatcher;
    bool called = false;
    std::promise<void> gate;
    std::promise<void> workerDone;
    // Fulfilled when the late worker's job is destroyed: its thread has made its hand-off attempt and ended.
    std::promise<void> jobGone;
    {
        TThreadCtrl control(dispatcher.Dispatcher());
        auto open = gate.get_future().share();
        std::shared_ptr<void> sentinel(nullptr, [&jobGone](void*) { jobGone.set_value(); });
        control.AddJob(
            [open, &workerDone, sentinel](void*, void*) {
                open.wait();
                workerDone.set_value();
            },
            nullptr, [&](void*) { called = true; }, nullptr);
        sentinel.reset();
        // A second job whose hand-off is already queued when the controller goes.
        control.AddJob(
            nullptr, nullptr, [&](void*) { called = true; }, nullptr);
        ASSERT_TRUE(dispatcher.WaitForQueued(1));
    }
    gate.set_value();
    workerDone.get_future().wait();
    ASSERT_EQ(jobGone.get_future().wait_for(10s), std::future_status::ready);
    dispatcher.Pump();
    EXPECT_FALSE(called);
}

TEST(ThreadCtrl, RefusingDispatcherEndsTheWorkerQuietly) {
    TPumpedDispatcher dispatcher;
    // Counts the hand-offs the workers attempt; the second is the gated worker's, after the close.
    std::atomic<int> handOffs{0};
    std::promise<void> bothTried;
    TThreadCtrl control([&, function = dispatcher.Dispatcher()](const std::function<void()>& call) {
        const bool ran = function(call);
        if (++handOffs == 2)
            bothTried.set_value();
        return ran;
    });
    bool called = false;
    std::promise<void> gate;
    control.AddJob(
        Gated(gate.get_future().share()), nullptr, [&](void*) { called = true; }, nullptr);
    control.AddJob(
        nullptr, nullptr, [&](void*) { called = true; }, nullptr);
    ASSERT_TRUE(dispatcher.WaitForQueued(1));
    dispatcher.Close(); // releases the queued hand-off unrun, refuses the next
    gate.set_value();
    ASSERT_EQ(bothTried.get_future().wait_for(10s), std::future_status::ready);
    EXPECT_EQ(dispatcher.Pump(), 0u);
    EXPECT_FALSE(called);
    EXPECT_EQ(control.PendingJobs(), 2u);
}

} // namespace
