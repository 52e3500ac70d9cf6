// An HTTP exchange as a job, and the pumped hand-off that brings its completion to the calling thread.
#include "net/ExchangeJob.h"
#include "net/PumpedDispatcher.h"
#include "tests/support/ScriptedServer.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <thread>

namespace {

TEST(PumpedDispatcher, PumpUntilRunsTheWorkersCallsHereUntilDoneAndAClosedOneRefuses) {
    TPumpedDispatcher dispatcher;
    const TDispatcher dispatch = dispatcher.Dispatcher();
    const std::thread::id pumping = std::this_thread::get_id();
    int ran = 0;
    bool allHere = true;
    std::vector<std::thread> workers;
    for (int i = 0; i < 3; ++i) {
        workers.emplace_back([&] {
            EXPECT_TRUE(dispatch([&] {
                allHere = allHere && std::this_thread::get_id() == pumping;
                ++ran;
            }));
        });
    }
    dispatcher.PumpUntil([&] { return ran == 3; });
    for (std::thread& worker : workers) {
        worker.join();
    }
    EXPECT_EQ(ran, 3);
    EXPECT_TRUE(allHere);
    EXPECT_EQ(dispatcher.Handled(), 3u);

    // A call that throws is rethrown to the pump once its worker has been let go.
    std::thread thrower([&] { EXPECT_TRUE(dispatch([] { throw std::runtime_error("boom"); })); });
    EXPECT_THROW(dispatcher.PumpUntil([] { return false; }), std::runtime_error);
    thrower.join();

    dispatcher.Close();
    dispatcher.PumpUntil([] { return false; }); // closed: returns at once
    EXPECT_FALSE(dispatch([&] { ++ran; }));
    EXPECT_EQ(ran, 3);
}

TEST(ExchangeJob, TheCompletionGetsTheRecordsOnThePumpingThreadWithTheAnswerAndItsTime) {
    TScriptedServer server;
    server.Enqueue(TScript().Wait(std::chrono::milliseconds(50)).Send(HttpResponseText("200 OK", "body")));
    TPumpedDispatcher dispatcher;
    TThreadCtrl control(dispatcher.Dispatcher());
    TIData input;
    input.URL = server.Url("/feed");
    input.Timeout = 5000;
    std::optional<TExchangeRecords> got;
    AddExchangeJob(control, input, [&](TExchangeRecords& Records) { got = std::move(Records); });
    dispatcher.PumpUntil([&] { return got.has_value(); });
    ASSERT_TRUE(got);
    EXPECT_EQ(got->Input.URL, input.URL);
    EXPECT_EQ(got->Output.ResultCode, 200);
    EXPECT_EQ(got->Output.Body, "body");
    EXPECT_GE(got->ElapsedMs, 50);
    EXPECT_EQ(control.PendingJobs(), 0u);
}

TEST(ExchangeJob, AfterTheHandOffClosesTheCompletionNeverRuns) {
    TScriptedServer server;
    server.Enqueue(TScript().Send(HttpResponseText("200 OK", "late")));
    auto dispatcher = std::make_unique<TPumpedDispatcher>();
    TThreadCtrl control(dispatcher->Dispatcher());
    TIData input;
    input.URL = server.Url("/feed");
    input.Timeout = 5000;
    bool ran = false;
    AddExchangeJob(control, input, [&](TExchangeRecords&) { ran = true; });
    ASSERT_TRUE(dispatcher->WaitForQueued(1));
    dispatcher.reset(); // closes: the waiting worker is let go, its completion dropped
    EXPECT_FALSE(ran);
    EXPECT_EQ(control.PendingJobs(), 1u);
}

} // namespace
