#include "ui/QtDispatcher.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEvent>
#include <QEventLoop>
#include <QThread>
#include <QTimer>
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <future>
#include <stdexcept>
#include <thread>

namespace {

using namespace std::chrono_literals;

// Pumps the GUI thread's events until Done is ready or a few seconds have passed.
template <typename T> bool PumpUntilReady(std::future<T>& Done) {
    const auto deadline = std::chrono::steady_clock::now() + 5s;
    while (Done.wait_for(1ms) != std::future_status::ready) {
        if (std::chrono::steady_clock::now() > deadline) {
            return false;
        }
        QCoreApplication::processEvents();
    }
    return true;
}

// Closes Dispatcher when the GUI thread is about to deliver the first hand-off event (a plain user event),
// before it is delivered.
class TCloseOnQueuedCall final : public QObject {
  public:
    explicit TCloseOnQueuedCall(TQtDispatcher& Dispatcher) : FDispatcher(Dispatcher) {
        QCoreApplication::instance()->installEventFilter(this);
    }
    ~TCloseOnQueuedCall() override { QCoreApplication::instance()->removeEventFilter(this); }

    bool eventFilter(QObject* Watched, QEvent* Event) override {
        if (Event->type() == QEvent::User && !FDispatcher.Closed())
            FDispatcher.Close();
        return QObject::eventFilter(Watched, Event);
    }

  private:
    TQtDispatcher& FDispatcher;
};

TEST(QtDispatcher, RunsAWorkersCallOnTheGuiThreadWhileTheWorkerWaits) {
    TQtDispatcher dispatcher;
    TDispatcher dispatch = dispatcher.Dispatcher();
    QThread* ranOn = nullptr;
    std::atomic<bool> callReturned{false};
    std::atomic<bool> workerSawReturn{false};
    std::future<bool> result = std::async(std::launch::async, [&] {
        const bool ok = dispatch([&] {
            std::this_thread::sleep_for(20ms); // the worker must still be waiting after this
            ranOn = QThread::currentThread();
            callReturned = true;
        });
        workerSawReturn = callReturned.load();
        return ok;
    });
    ASSERT_TRUE(PumpUntilReady(result));
    EXPECT_TRUE(result.get());
    EXPECT_EQ(ranOn, QThread::currentThread());
    EXPECT_TRUE(workerSawReturn);
}

TEST(QtDispatcher, RefusesAtOnceAfterCloseAndNeverRunsTheCall) {
    TQtDispatcher dispatcher;
    TDispatcher dispatch = dispatcher.Dispatcher();
    dispatcher.Close();
    EXPECT_TRUE(dispatcher.Closed());
    bool ran = false;
    std::future<bool> result = std::async(std::launch::async, [&] { return dispatch([&] { ran = true; }); });
    ASSERT_EQ(result.wait_for(5s), std::future_status::ready);
    EXPECT_FALSE(result.get());
    QCoreApplication::processEvents();
    EXPECT_FALSE(ran);
    // From the GUI thread too.
    EXPECT_FALSE(dispatch([&] { ran = true; }));
    EXPECT_FALSE(ran);
}

TEST(QtDispatcher, CloseReleasesAWaitingWorkerAndDropsItsQueuedCall) {
    TQtDispatcher dispatcher;
    TDispatcher dispatch = dispatcher.Dispatcher();
    bool ran = false;
    // The worker's call reaches the GUI thread through a posted event, which exists only once the worker has
    // queued the call and blocked: the dispatcher closes right then, before the event is delivered.
    TCloseOnQueuedCall closer(dispatcher);
    std::future<bool> result = std::async(std::launch::async, [&] { return dispatch([&] { ran = true; }); });
    const QDeadlineTimer deadline(10s);
    while (!dispatcher.Closed() && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 100);
    ASSERT_TRUE(dispatcher.Closed()) << "the worker's call never reached the GUI thread";
    ASSERT_EQ(result.wait_for(5s), std::future_status::ready) << "a worker stayed blocked after Close";
    EXPECT_FALSE(result.get());
    QCoreApplication::processEvents();
    EXPECT_FALSE(ran) << "a call queued before Close ran after it";
}

TEST(QtDispatcher, RunsInPlaceOnTheGuiThreadAndSwallowsErrors) {
    TQtDispatcher dispatcher;
    TDispatcher dispatch = dispatcher.Dispatcher();
    bool ran = false;
    EXPECT_TRUE(dispatch([&] { ran = true; }));
    EXPECT_TRUE(ran);
    EXPECT_TRUE(dispatch([] { throw std::runtime_error("completion failed"); }));

    std::future<bool> result =
        std::async(std::launch::async, [&] { return dispatch([] { throw std::runtime_error("late"); }); });
    ASSERT_TRUE(PumpUntilReady(result));
    EXPECT_TRUE(result.get());
}

TEST(QtDispatcher, AFunctionThatOutlivesItsDispatcherRefuses) {
    TDispatcher dispatch;
    {
        TQtDispatcher dispatcher;
        dispatch = dispatcher.Dispatcher();
    }
    bool ran = false;
    std::future<bool> result = std::async(std::launch::async, [&] { return dispatch([&] { ran = true; }); });
    ASSERT_EQ(result.wait_for(5s), std::future_status::ready);
    EXPECT_FALSE(result.get());
    EXPECT_FALSE(ran);
}

TEST(QtDispatcher, BringsTheJobRunnersCompletionsToTheGuiThread) {
    TQtDispatcher dispatcher;
    TThreadCtrl jobs(dispatcher.Dispatcher());
    int output = 0;
    QThread* completedOn = nullptr;
    std::promise<void> completed;
    std::future<void> done = completed.get_future();
    jobs.AddJob([&output] { output = 42; },
                [&] {
                    completedOn = QThread::currentThread();
                    completed.set_value();
                });
    ASSERT_TRUE(PumpUntilReady(done));
    EXPECT_EQ(output, 42);
    EXPECT_EQ(completedOn, QThread::currentThread());
}

TEST(QtDispatcher, AModalLoopInsideACompletionLetsTheOthersRunOnceEach) {
    TQtDispatcher dispatcher;
    TThreadCtrl jobs(dispatcher.Dispatcher());
    std::vector<int> calls;
    std::promise<void> gate;
    const std::shared_future<void> open = gate.get_future().share();
    std::promise<void> allDone;
    std::future<void> done = allDone.get_future();
    jobs.AddJob([open] { open.wait(); }, [&] { calls.push_back(1); });
    jobs.AddJob([open] { open.wait(); }, [&] { calls.push_back(2); });
    jobs.AddJob(nullptr, [&] {
        calls.push_back(3);
        gate.set_value();
        // As a modal box would: a loop of its own until the other completions have come.
        QEventLoop modal;
        QTimer poll;
        QObject::connect(&poll, &QTimer::timeout, &modal, [&] {
            if (jobs.PendingJobs() == 0) {
                modal.quit();
            }
        });
        poll.start(5);
        QTimer::singleShot(5000, &modal, &QEventLoop::quit);
        modal.exec();
        allDone.set_value();
    });
    ASSERT_TRUE(PumpUntilReady(done));
    QCoreApplication::processEvents(); // the hand-offs still queued find nothing more to do
    EXPECT_EQ(calls.size(), 3u);
    EXPECT_EQ(calls.front(), 3);
    EXPECT_EQ(std::count(calls.begin(), calls.end(), 1) + std::count(calls.begin(), calls.end(), 2), 2);
    EXPECT_EQ(jobs.PendingJobs(), 0u);
}

} // namespace
