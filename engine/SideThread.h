#pragma once
// A thread for work beside the caller's, started on another CPU than the caller's.

#include <functional>
#include <memory>
#include <stop_token>

// Runs Work(stop token) on a thread of its own; going requests a stop and waits for the work to end. The
// thread is started on a CPU other than the caller's when the process may use another: a new thread the
// scheduler places beside a busy caller can wait a few milliseconds for the next balancing (seen on virtual
// machines, whose idle CPUs sleep), which is longer than the work it was started to halve.
class TSideThread final {
  public:
    // Work must not throw. Throws std::system_error when no thread can be had.
    explicit TSideThread(std::function<void(std::stop_token)> Work);
    ~TSideThread();
    TSideThread(const TSideThread&) = delete;
    TSideThread& operator=(const TSideThread&) = delete;

    // Waits for the work to end (once; the destructor then waits no more).
    void Join();

  private:
    struct TShared;
    static void* Run(void* Shared);
    std::unique_ptr<TShared> FShared;
    bool FJoined = false;
};
