#include "ui/QtDispatcher.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QObject>
#include <QThread>

#include <condition_variable>
#include <mutex>

struct TQtDispatcher::TState {
    std::mutex Lock;
    std::condition_variable Done;
    bool Closed = false;
    // Lives on the GUI thread; queued calls are delivered through it. Touched by workers only under Lock and
    // only while not closed, and deleted only after Close.
    QObject* Receiver = nullptr;
    QThread* GuiThread = nullptr;
};

namespace {

// One hand-off: the worker waits for Finished or for the dispatcher to close.
struct TPendingCall {
    std::function<void()> Call;
    bool Finished = false;
};

void RunGuarded(const std::function<void()>& call) noexcept {
    try {
        call();
    } catch (...) {
        // The job runner's completions must let nothing escape; a stray error must not reach the event loop.
    }
}

bool Dispatch(const std::shared_ptr<TQtDispatcher::TState>& state, const std::function<void()>& call) {
    if (!call) {
        return false;
    }
    std::unique_lock lock(state->Lock);
    if (state->Closed) {
        return false;
    }
    if (QThread::currentThread() == state->GuiThread) {
        // A call from the GUI thread itself would deadlock if queued; run it in place.
        lock.unlock();
        RunGuarded(call);
        return true;
    }
    auto pending = std::make_shared<TPendingCall>();
    pending->Call = call;
    QMetaObject::invokeMethod(
        state->Receiver,
        [state, pending] {
            {
                std::lock_guard guard(state->Lock);
                if (state->Closed) {
                    return; // the worker has been released already; nothing may run after the loop
                }
            }
            RunGuarded(pending->Call);
            {
                std::lock_guard guard(state->Lock);
                pending->Finished = true;
            }
            state->Done.notify_all();
        },
        Qt::QueuedConnection);
    state->Done.wait(lock, [&] { return pending->Finished || state->Closed; });
    return pending->Finished;
}

} // namespace

TQtDispatcher::TQtDispatcher() : FState(std::make_shared<TState>()) {
    FState->Receiver = new QObject();
    FState->GuiThread = QThread::currentThread();
}

TQtDispatcher::~TQtDispatcher() {
    Close();
    delete FState->Receiver; // drops queued calls that never ran
    FState->Receiver = nullptr;
}

TDispatcher TQtDispatcher::Dispatcher() const {
    std::shared_ptr<TState> state = FState;
    return [state](const std::function<void()>& call) { return Dispatch(state, call); };
}

void TQtDispatcher::Close() noexcept {
    {
        std::lock_guard guard(FState->Lock);
        FState->Closed = true;
    }
    FState->Done.notify_all();
}

bool TQtDispatcher::Closed() const noexcept {
    std::lock_guard guard(FState->Lock);
    return FState->Closed;
}
