#include "ui/QtDispatcher.h"

#include "net/HandOff.h"

#include <QCoreApplication>
#include <QEvent>
#include <QObject>
#include <QThread>
#include <QtGlobal>

#include <exception>

struct TQtDispatcher::TState {
    THandOff HandOff;
    // Lives on the GUI thread; each handed-over call posts it one event. Posted to only under the hand-off's
    // lock and only while not closed, and deleted only after Close.
    QObject* Receiver = nullptr;
    QThread* GuiThread = nullptr;
};

namespace {

void RunGuarded(const std::function<void()>& Call) noexcept {
    // A stray error must not reach the event loop; it is named, not dropped.
    try {
        Call();
    } catch (const std::exception& error) {
        qWarning("Kovrin: a call handed to the GUI thread failed: %s", error.what());
    } catch (...) {
        qWarning("Kovrin: a call handed to the GUI thread failed");
    }
}

// Runs the oldest handed-over call, one per event it is posted.
class TCallReceiver final : public QObject {
  public:
    explicit TCallReceiver(THandOff& HandOff) : FHandOff(HandOff) {}

  protected:
    void customEvent(QEvent*) override {
        RunGuarded([this] { FHandOff.RunOne(false); });
    }

  private:
    THandOff& FHandOff;
};

bool Dispatch(const std::shared_ptr<TQtDispatcher::TState>& State, const std::function<void()>& Call) {
    if (!Call || State->HandOff.Closed()) {
        return false;
    }
    if (QThread::currentThread() == State->GuiThread) {
        // A call from the GUI thread itself would deadlock if queued; run it in place.
        RunGuarded(Call);
        return true;
    }
    // The call travels in the hand-off's queue and the event carries nothing: Qt's event queue synchronises
    // in ways a thread checker cannot see, so nothing a worker wrote may be read through the event itself.
    return State->HandOff.Hand(
        Call, [&] { QCoreApplication::postEvent(State->Receiver, new QEvent(QEvent::User)); });
}

} // namespace

TQtDispatcher::TQtDispatcher() : FState(std::make_shared<TState>()) {
    FState->Receiver = new TCallReceiver(FState->HandOff);
    FState->GuiThread = QThread::currentThread();
}

TQtDispatcher::~TQtDispatcher() {
    Close();
    delete FState->Receiver; // drops the events of calls that never ran
    FState->Receiver = nullptr;
}

TDispatcher TQtDispatcher::Dispatcher() const {
    std::shared_ptr<TState> state = FState;
    return [state](const std::function<void()>& Call) { return Dispatch(state, Call); };
}

void TQtDispatcher::Close() noexcept {
    FState->HandOff.Close();
}

bool TQtDispatcher::Closed() const noexcept {
    return FState->HandOff.Closed();
}
