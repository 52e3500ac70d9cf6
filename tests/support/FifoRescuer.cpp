#include "tests/support/FifoRescuer.h"

#include <chrono>
#include <fcntl.h>
#include <unistd.h>

TFifoRescuer::TFifoRescuer(std::filesystem::path Fifo, int Seconds)
    : FThread([this, fifo = std::move(Fifo), Seconds] {
          std::unique_lock lock(FMutex);
          if (FDone.wait_for(lock, std::chrono::seconds(Seconds), [this] { return FFinished; }))
              return;
          FRescued = true;
          lock.unlock();
          // Without a reader waiting the open fails at once (ENXIO); a waiting one is released by it.
          const int fd = ::open(fifo.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
          if (fd >= 0)
              ::close(fd);
      }) {}

TFifoRescuer::~TFifoRescuer() {
    Done();
}

bool TFifoRescuer::Done() {
    {
        std::lock_guard lock(FMutex);
        FFinished = true;
    }
    FDone.notify_all();
    if (FThread.joinable())
        FThread.join();
    std::lock_guard lock(FMutex);
    return FRescued;
}
