#pragma once
// The job runner: each job runs on a thread of its own; its completion runs on the UI thread, delivered
// through an injected dispatcher that runs a call on that thread while the worker waits.

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

// Runs Call on the UI thread and waits until it has returned. Returns false at once, without running it, when
// the UI thread no longer takes calls (its loop has ended).
using TDispatcher = std::function<bool(const std::function<void()>& Call)>;

// A worker routine, run on the job's own thread; it keeps what it makes where its completion finds it. May
// be empty.
using TJobWorker = std::function<void()>;
// A completion routine, run on the UI thread after the worker has returned. May be empty.
using TJobCallback = std::function<void()>;

enum TJobState : std::uint8_t { jsCreated = 0, jsRunning = 1, jsFinished = 2 };

// One submitted job.
struct TThreadJob {
    std::int32_t ID = 0;
    // Written by the job's thread (release), read by sweeps (acquire).
    std::atomic<TJobState> State{jsCreated};
    TJobWorker Worker;
    TJobCallback Callback;
};

class TThreadCtrl final {
  public:
    explicit TThreadCtrl(TDispatcher Dispatcher);
    // Neither waits for nor stops running jobs; their late hand-offs find the controller gone and do nothing.
    ~TThreadCtrl();
    TThreadCtrl(const TThreadCtrl&) = delete;
    TThreadCtrl& operator=(const TThreadCtrl&) = delete;

    // Records the job and starts its thread at once. Throws std::runtime_error "Thread creation error:
    // <system text>" when no thread can be made (the job is then not recorded). Call on the UI thread.
    void AddJob(TJobWorker Worker, TJobCallback Callback);

    // The sweep: from the last job to the first, takes every finished job off the list and then runs its
    // callback. A callback that throws ends its job all the same (named on stderr); one that runs a nested
    // event loop may start a nested sweep, which completes the other finished jobs, each once. Runs on the UI
    // thread (the dispatcher brings it there).
    void ThreadTerminated();

    // Jobs submitted and not yet completed by a sweep (for tests and diagnostics).
    std::size_t PendingJobs() const;

    // ID of the most recently submitted job; 0 before the first (for tests and diagnostics).
    std::int32_t LastID() const;

  private:
    // FJobs, FLock (re-entrant), FLastID and the dispatcher live here, shared with the worker threads, so
    // that a hand-off arriving after the controller is gone finds it marked dead instead of freed memory.
    struct TShared;
    std::shared_ptr<TShared> FShared;
};
