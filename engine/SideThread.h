#pragma once
// A thread for work beside the caller's, asked to stop and joined when it goes.

#include <functional>
#include <stop_token>
#include <thread>

// Runs Work(stop token) on a thread of its own; going requests a stop and waits for the work to end.
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
    std::jthread FThread;
};
