#pragma once
// For tests of code that must never wait on a FIFO: should the code wrongly open one for reading and wait for
// a writer, a writer comes after a while, so the test fails instead of hanging.

#include <condition_variable>
#include <filesystem>
#include <mutex>
#include <thread>

class TFifoRescuer final {
  public:
    // Opens Fifo for writing, and closes it again, after Seconds unless Done comes first.
    explicit TFifoRescuer(std::filesystem::path Fifo, int Seconds = 10);
    ~TFifoRescuer();
    TFifoRescuer(const TFifoRescuer&) = delete;
    TFifoRescuer& operator=(const TFifoRescuer&) = delete;

    // The code under test has returned: no writer is needed. Returns true when one had to come after all.
    bool Done();

  private:
    std::mutex FMutex;
    std::condition_variable FDone;
    bool FFinished = false;
    bool FRescued = false;
    std::thread FThread;
};
