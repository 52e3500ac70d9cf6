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

// A worker routine: (input, output), run on the job's own thread. May be empty.
using TJobWorker = std::function<void(void* Input, void* Output)>;
// A completion routine: (output), run on the UI thread after the worker has returned. May be empty.
using TJobCallback = std::function<void(void* Output)>;

enum TJobState : std::uint8_t { jsCreated = 0, jsRunning = 1, jsFinished = 2 };

// One submitted job.
struct TThreadJob {
    std::int32_t ID = 0;
    std::atomic<TJobState> State{
        jsCreated};           // written by the job's thread (release), read by sweeps (acquire)
    std::uint64_t Handle = 0; // the job's thread id once it runs; nothing reads it
    TJobWorker Worker;
    void* Input = nullptr;
    TJobCallback Callback;
    void* Output = nullptr;
};

class TThreadCtrl final {
  public:
    explicit TThreadCtrl(TDispatcher Dispatcher);
    // Neither waits for nor stops running jobs; their late hand-offs find the controller gone and do nothing.
    ~TThreadCtrl();
    TThreadCtrl(const TThreadCtrl&) = delete;
    TThreadCtrl& operator=(const TThreadCtrl&) = delete;

    // Records the job and starts its thread at once. Returns true once started. Throws std::runtime_error
    // "Thread creation error: <system text>" when no thread can be made. Call on the UI thread.
    bool AddJob(TJobWorker Worker, void* Input, TJobCallback Callback, void* Output);

    // The sweep: under the lock, from the last job to the first, runs the callback of every finished job,
    // frees it and removes it. Runs on the UI thread (the dispatcher brings it there).
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
