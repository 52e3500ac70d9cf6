#pragma once
// The job runner's hand-off for a program (or test) without an event loop: worker threads queue their
// completion calls and block; the thread that owns the completions runs them by pumping. After Close() every
// call, queued or new, is refused (false) without running, as when a UI loop has ended.

#include "net/HandOff.h"
#include "net/ThreadCtrl.h"

#include <chrono>
#include <cstddef>
#include <functional>
#include <memory>

class TPumpedDispatcher final {
  public:
    TPumpedDispatcher();
    // Closes, so no worker stays blocked on a dispatcher that is gone.
    ~TPumpedDispatcher();
    TPumpedDispatcher(const TPumpedDispatcher&) = delete;
    TPumpedDispatcher& operator=(const TPumpedDispatcher&) = delete;

    // The function to give TThreadCtrl: queues the call for the pumping thread and waits until it has run;
    // false without running it when closed, or when closed while waiting. It stays safe to call after this
    // object is gone (it refuses then).
    TDispatcher Dispatcher() const;

    // Runs queued calls on this thread, in arrival order, waiting for more, until Done holds or the
    // dispatcher is closed. Done is checked before each call, so it must come true through the calls run here
    // (a count of completions, say). An exception from a call is rethrown here after its caller has been
    // released.
    void PumpUntil(const std::function<bool()>& Done);
    // Runs every call queued now on this thread, in arrival order, and releases their callers; returns how
    // many ran. Does not wait. Exceptions as PumpUntil.
    std::size_t Pump();
    // Waits up to Timeout for at least Count queued calls; true when they are there.
    bool WaitForQueued(std::size_t Count, std::chrono::milliseconds Timeout = std::chrono::seconds(5)) const;
    // Calls queued now and not yet run.
    std::size_t Queued() const;
    // Calls run by pumping since the start.
    std::size_t Handled() const;
    // From now on every call is refused; waiting callers are released with false. Never throws.
    void Close() noexcept;

  private:
    std::shared_ptr<THandOff> FHandOff;
};
