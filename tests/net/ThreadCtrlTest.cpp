#include "net/ThreadCtrl.h"
#include "net/PumpedDispatcher.h"

#include <gtest/gtest.h>

#include <algorithm>
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
        return [this, Tag] { Calls.push_back(Tag); };
    }
};

// A worker that waits until Gate opens.
TJobWorker Gated(std::shared_future<void> Gate) {
    return [Gate] { Gate.wait(); };
}

TEST(ThreadCtrl, NumbersJobsFromOne) {
    TPumpedDispatcher dispatcher;
    TThreadCtrl control(dispatcher.Dispatcher());
    EXPECT_EQ(control.LastID(), 0);
    control.AddJob(nullptr, nullptr);
    EXPECT_EQ(control.LastID(), 1);
    control.AddJob(nullptr, nullptr);
    EXPECT_EQ(control.LastID(), 2);
    ASSERT_TRUE(dispatcher.WaitForQueued(2));
    dispatcher.Pump();
    EXPECT_EQ(control.PendingJobs(), 0u);
    control.AddJob(nullptr, nullptr);
    EXPECT_EQ(control.LastID(), 3);
    ASSERT_TRUE(dispatcher.WaitForQueued(1));
    dispatcher.Pump();
}

TEST(ThreadCtrl, WorkerAndCallbackMayEachBeMissing) {
    TPumpedDispatcher dispatcher;
    TThreadCtrl control(dispatcher.Dispatcher());
    std::atomic<int> output = 0;
    bool called = false;
    control.AddJob(nullptr, [&] { called = true; });
    control.AddJob([&] { output = 10; }, nullptr);
    ASSERT_TRUE(dispatcher.WaitForQueued(2));
    dispatcher.Pump();
    EXPECT_TRUE(called);
    EXPECT_EQ(output, 10);
    EXPECT_EQ(control.PendingJobs(), 0u);
}

TEST(ThreadCtrl, OneSweepCompletesEveryFinishedJobInReverseOrder) {
    TPumpedDispatcher dispatcher;
    TThreadCtrl control(dispatcher.Dispatcher());
    TLog log;
    for (int tag = 1; tag <= 3; ++tag)
        control.AddJob(nullptr, log.Callback(tag));
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
    control.AddJob(Gated(gate.get_future().share()), log.Callback(1));
    control.AddJob(nullptr, log.Callback(2));
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
    control.AddJob(nullptr, [&] {
        events.push_back("first");
        control.AddJob(nullptr, [&] { events.push_back(firstReturned ? "second after" : "second inside"); });
        // The new job finishes and queues its hand-off, so only the sweep's bound keeps it out.
        EXPECT_TRUE(dispatcher.WaitForQueued(1));
        firstReturned = true;
    });
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
    control.AddJob([] { throw std::runtime_error("worker failed"); }, log.Callback(1));
    ASSERT_TRUE(dispatcher.WaitForQueued(1)); // the hand-off still happens
    dispatcher.Pump();
    control.AddJob(nullptr, log.Callback(2));
    ASSERT_TRUE(dispatcher.WaitForQueued(1));
    dispatcher.Pump();
    EXPECT_EQ(log.Calls, (std::vector<int>{2}));
    EXPECT_EQ(control.PendingJobs(), 1u);
}

TEST(ThreadCtrl, AThrowingCallbackEndsItsJobAndTheSweepGoesOn) {
    TPumpedDispatcher dispatcher;
    TThreadCtrl control(dispatcher.Dispatcher());
    TLog log;
    control.AddJob(nullptr, log.Callback(1));
    control.AddJob(nullptr, [] { throw std::runtime_error("callback failed"); });
    control.AddJob(nullptr, log.Callback(3));
    ASSERT_TRUE(dispatcher.WaitForQueued(3));
    testing::internal::CaptureStderr();
    EXPECT_EQ(dispatcher.Pump(), 3u); // nothing escapes to the dispatcher
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "Kovrin: completion of job 2 failed: callback failed\n");
    EXPECT_EQ(log.Calls, (std::vector<int>{3, 1}));
    EXPECT_EQ(control.PendingJobs(), 0u); // never run again
}

TEST(ThreadCtrl, ANestedSweepInsideACallbackRunsEveryOtherCompletionOnce) {
    TPumpedDispatcher dispatcher;
    TThreadCtrl control(dispatcher.Dispatcher());
    std::vector<int> calls;
    std::promise<void> gate;
    const std::shared_future<void> open = gate.get_future().share();
    // Job 3 finishes first; its callback, like a modal box, runs the loop until the others have completed.
    control.AddJob(Gated(open), [&] { calls.push_back(1); });
    control.AddJob(Gated(open), [&] { calls.push_back(2); });
    control.AddJob(nullptr, [&] {
        calls.push_back(3);
        gate.set_value();
        for (int i = 0; i < 200 && control.PendingJobs() > 0; ++i) {
            dispatcher.WaitForQueued(1, 10ms);
            dispatcher.Pump();
        }
    });
    ASSERT_TRUE(dispatcher.WaitForQueued(1));
    dispatcher.Pump();
    for (int i = 0; i < 200 && dispatcher.Queued() + control.PendingJobs() > 0; ++i) {
        dispatcher.WaitForQueued(1, 10ms);
        dispatcher.Pump();
    }
    std::vector<int> sorted = calls;
    std::sort(sorted.begin(), sorted.end());
    EXPECT_EQ(sorted, (std::vector<int>{1, 2, 3}));
    EXPECT_EQ(calls.front(), 3);
    EXPECT_EQ(control.PendingJobs(), 0u);
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
            [open, &workerDone, sentinel] {
                open.wait();
                workerDone.set_value();
            },
            [&] { called = true; });
        sentinel.reset();
        // A second job whose hand-off is already queued when the controller goes.
        control.AddJob(nullptr, [&] { called = true; });
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
    control.AddJob(Gated(gate.get_future().share()), [&] { called = true; });
    control.AddJob(nullptr, [&] { called = true; });
    ASSERT_TRUE(dispatcher.WaitForQueued(1));
    dispatcher.Close(); // releases the queued hand-off unrun, refuses the next
    gate.set_value();
    ASSERT_EQ(bothTried.get_future().wait_for(10s), std::future_status::ready);
    EXPECT_EQ(dispatcher.Pump(), 0u);
    EXPECT_FALSE(called);
    EXPECT_EQ(control.PendingJobs(), 2u);
}

} // namespace
