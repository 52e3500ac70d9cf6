#include "net/HandOff.h"

bool THandOff::Hand(const std::function<void()>& Call, const std::function<void()>& Wake) {
    auto entry = std::make_shared<TEntry>();
    entry->Call = &Call;
    std::unique_lock<std::mutex> lock(FMutex);
    if (FClosed) {
        return false;
    }
    FQueue.push_back(entry);
    if (Wake) {
        Wake();
    }
    FChanged.notify_all();
    FChanged.wait(lock, [&] { return entry->Finished; });
    return entry->Ran;
}

bool THandOff::RunOne(bool Wait) {
    std::shared_ptr<TEntry> entry;
    {
        std::unique_lock<std::mutex> lock(FMutex);
        if (Wait) {
            FChanged.wait(lock, [&] { return FClosed || !FQueue.empty(); });
        }
        if (FQueue.empty() || FClosed) {
            return false;
        }
        entry = FQueue.front();
        FQueue.pop_front();
    }
    // Run outside the lock: the call may hand off again (a nested loop) or close the hand-off.
    auto release = [&] {
        std::lock_guard<std::mutex> lock(FMutex);
        entry->Finished = true;
        entry->Ran = true;
        ++FHandled;
        FChanged.notify_all();
    };
    try {
        (*entry->Call)();
    } catch (...) {
        release();
        throw;
    }
    release();
    return true;
}

bool THandOff::WaitForQueued(std::size_t Count, std::chrono::milliseconds Timeout) const {
    std::unique_lock<std::mutex> lock(FMutex);
    return FChanged.wait_for(lock, Timeout, [&] { return FQueue.size() >= Count; });
}

std::size_t THandOff::Queued() const {
    std::lock_guard<std::mutex> lock(FMutex);
    return FQueue.size();
}

std::size_t THandOff::Handled() const {
    std::lock_guard<std::mutex> lock(FMutex);
    return FHandled;
}

void THandOff::Close() noexcept {
    std::lock_guard<std::mutex> lock(FMutex);
    FClosed = true;
    for (const auto& entry : FQueue) {
        entry->Finished = true;
    }
    FQueue.clear();
    FChanged.notify_all();
}

bool THandOff::Closed() const noexcept {
    std::lock_guard<std::mutex> lock(FMutex);
    return FClosed;
}
