#include "app/QuitSignals.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <stdexcept>
#include <string>
#include <unistd.h>

namespace {

int PipeFds[2] = {-1, -1};

extern "C" void OnQuitSignal(int) {
    // Only async-signal-safe calls here; a full pipe already holds a pending wake-up.
    const int savedErrno = errno;
    const char byte = 1;
    [[maybe_unused]] ssize_t ignored = write(PipeFds[1], &byte, 1);
    errno = savedErrno;
}

} // namespace

void InstallQuitSignalHandlers() {
    if (PipeFds[0] >= 0) {
        return;
    }
    if (pipe2(PipeFds, O_CLOEXEC | O_NONBLOCK) != 0) {
        throw std::runtime_error(std::string("cannot create the signal pipe: ") + std::strerror(errno));
    }
    struct sigaction action {};
    action.sa_handler = OnQuitSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int signal : {SIGTERM, SIGINT, SIGHUP}) {
        sigaction(signal, &action, nullptr);
    }
}

TQuitSignals::TQuitSignals(QObject* Parent) : QObject(Parent) {
    FNotifier = std::make_unique<QSocketNotifier>(PipeFds[0], QSocketNotifier::Read);
    connect(FNotifier.get(), &QSocketNotifier::activated, this, &TQuitSignals::PipeReadable);
}

void TQuitSignals::PipeReadable() {
    char buffer[64];
    while (read(PipeFds[0], buffer, sizeof buffer) > 0) {
    }
    if (!FReported) {
        FReported = true;
        emit Received();
    }
}
