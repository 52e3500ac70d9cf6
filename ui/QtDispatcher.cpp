#include "ui/QtDispatcher.h"

#include <QCoreApplication>
#include <QEvent>
#include <QObject>
#include <QThread>

#include <condition_variable>
#include <deque>
#include <mutex>

namespace {

// One hand-off: the worker waits for Finished or for the dispatcher to close.
struct TPendingCall {
    std::function<void()> Call;
    bool Finished = false;
};

} // namespace

struct TQtDispatcher::TState {
    std::mutex Lock;
    std::condition_variable Done;
    bool Closed = false;
    // The calls handed over and not yet started, oldest first.
    std::deque<std::shared_ptr<TPendingCall>> Queue;
    // Lives on the GUI thread; each handed-over call posts it one event. Touched by workers only under Lock
    // and only while not closed, and deleted only after Close.
    QObject* Receiver = nullptr;
    QThread* GuiThread = nullptr;
};

namespace {

void RunGuarded(const std::function<void()>& call) noexcept {
    try {
        call();
    } catch (...) {
        // The job runner's completions must let nothing escape; a stray error must not reach the event loop.
    }
}

// Runs the oldest handed-over call, one per event it is posted.
class TCallReceiver final : public QObject {
  public:
    explicit TCallReceiver(TQtDispatcher::TState& State) : FState(State) {}

  protected:
    void customEvent(QEvent*) override {
        std::shared_ptr<TPendingCall> pending;
        {
            std::lock_guard guard(FState.Lock);
            if (FState.Closed || FState.Queue.empty()) {
                return; // the worker has been released already; nothing may run after the loop
            }
            pending = std::move(FState.Queue.front());
            FState.Queue.pop_front();
        }
        RunGuarded(pending->Call);
        {
            std::lock_guard guard(FState.Lock);
            pending->Finished = true;
        }
        FState.Done.notify_all();
    }

  private:
    TQtDispatcher::TState& FState;
};

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
    // The call travels in the queue, under Lock, and the event carries nothing: Qt's event queue synchronises
    // in ways a thread checker cannot see, so nothing a worker wrote may be read through the event itself.
    state->Queue.push_back(pending);
    QCoreApplication::postEvent(state->Receiver, new QEvent(QEvent::User));
    state->Done.wait(lock, [&] { return pending->Finished || state->Closed; });
    return pending->Finished;
}

} // namespace

TQtDispatcher::TQtDispatcher() : FState(std::make_shared<TState>()) {
    FState->Receiver = new TCallReceiver(*FState);
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
    // The calls never started go, outside the lock: what they hold may lead back to this dispatcher's state.
    std::deque<std::shared_ptr<TPendingCall>> dropped;
    {
        std::lock_guard guard(FState->Lock);
        FState->Closed = true;
        dropped.swap(FState->Queue);
    }
    FState->Done.notify_all();
}

bool TQtDispatcher::Closed() const noexcept {
    std::lock_guard guard(FState->Lock);
    return FState->Closed;
}
