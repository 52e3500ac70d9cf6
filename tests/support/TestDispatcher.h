#pragma once
// A stand-in for the UI thread's hand-off: worker threads queue calls and block; the test's main thread runs
// them with Pump(). After Close() every call, queued or new, is refused (false) without running, as when the
// UI loop has ended.

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <functional>
#include <memory>
#include <mutex>

class TTestDispatcher final {
  public:
    using TCall = std::function<void()>;
    // The shape the job runner takes: runs Call on the pumping thread and waits; false when refused.
    using TFunction = std::function<bool(const TCall& Call)>;

    TTestDispatcher();
    // Closes, so no worker stays blocked on a dispatcher that is gone.
    ~TTestDispatcher();
    TTestDispatcher(const TTestDispatcher&) = delete;
    TTestDispatcher& operator=(const TTestDispatcher&) = delete;

    // The function to hand to the job runner. It stays safe to call after this object is gone (it refuses
    // then).
    TFunction Function() const;

    // Waits up to Timeout for at least Count queued calls; true when they are there.
    bool WaitForQueued(std::size_t Count, std::chrono::milliseconds Timeout = std::chrono::seconds(5)) const;
    // Runs every queued call on this thread, in arrival order, and releases their callers; returns how many
    // ran. An exception from a call is rethrown here after its caller has been released.
    std::size_t Pump();
    // Calls queued now and not yet run.
    std::size_t Queued() const;
    // Calls run by Pump() since the start.
    std::size_t Handled() const;
    // From now on every call is refused; waiting callers are released with false.
    void Close();

  private:
    struct TState;
    std::shared_ptr<TState> FState;
};
