#pragma once
// The hand-off both dispatchers share: a thread queues a call and waits until the owning thread has run it;
// after Close every call, queued or new, is refused (false) without running, and waiting callers are let go.

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>

class THandOff final {
  public:
    // Queues Call, runs Wake (under the hand-off's lock, so a Close cannot slip in between) to tell the
    // owning thread, and waits until the call has run: true. False without running it when closed, or when
    // closed while waiting. Call must stay valid until this returns.
    bool Hand(const std::function<void()>& Call, const std::function<void()>& Wake = {});
    // Runs the oldest queued call on this thread, first waiting for one when Wait, and releases its caller;
    // false when there was none or the hand-off is closed. An exception from the call is rethrown after its
    // caller has been released.
    bool RunOne(bool Wait);
    // Waits up to Timeout for at least Count queued calls; true when they are there.
    bool WaitForQueued(std::size_t Count, std::chrono::milliseconds Timeout) const;
    // Calls queued now and not yet run.
    std::size_t Queued() const;
    // Calls run since the start.
    std::size_t Handled() const;
    // From now on every call is refused; waiting callers are released with false. Never throws.
    void Close() noexcept;
    bool Closed() const noexcept;

  private:
    struct TEntry {
        const std::function<void()>* Call = nullptr;
        bool Finished = false;
        bool Ran = false;
    };
    mutable std::mutex FMutex;
    mutable std::condition_variable FChanged;
    std::deque<std::shared_ptr<TEntry>> FQueue;
    bool FClosed = false;
    std::size_t FHandled = 0;
};
