#pragma once
// Runs the Qt event loop from a test until a condition holds, so completions handed over by worker threads
// arrive.

#include <QCoreApplication>

#include <chrono>
#include <functional>
#include <thread>

// Runs the event loop until Done holds or Limit passes; true when it held.
inline bool PumpUntil(const std::function<bool()>& Done,
                      std::chrono::milliseconds Limit = std::chrono::seconds(10)) {
    const auto deadline = std::chrono::steady_clock::now() + Limit;
    while (!Done()) {
        if (std::chrono::steady_clock::now() >= deadline) {
            return false;
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
}

// Runs the event loop for Span whatever happens.
inline void PumpFor(std::chrono::milliseconds Span) {
    PumpUntil([] { return false; }, Span);
}
