#include "net/PumpedDispatcher.h"

#include <condition_variable>
#include <deque>
#include <mutex>

struct TPumpedDispatcher::TState {
    struct TEntry {
        const std::function<void()>* Call = nullptr;
        bool Finished = false;
        bool Ran = false;
    };
    std::mutex Mutex;
    std::condition_variable Changed;
    std::deque<std::shared_ptr<TEntry>> Queue;
    bool Closed = false;
    std::size_t Handled = 0;
};

TPumpedDispatcher::TPumpedDispatcher() : FState(std::make_shared<TState>()) {}

TPumpedDispatcher::~TPumpedDispatcher() {
    Close();
}

TDispatcher TPumpedDispatcher::Dispatcher() const {
    std::shared_ptr<TState> state = FState;
    return [state](const std::function<void()>& Call) {
        auto entry = std::make_shared<TState::TEntry>();
        entry->Call = &Call;
        std::unique_lock<std::mutex> lock(state->Mutex);
        if (state->Closed) {
            return false;
        }
        state->Queue.push_back(entry);
        state->Changed.notify_all();
        state->Changed.wait(lock, [&] { return entry->Finished; });
        return entry->Ran;
    };
}

bool TPumpedDispatcher::RunOne(bool Wait) {
    std::shared_ptr<TState::TEntry> entry;
    {
        std::unique_lock<std::mutex> lock(FState->Mutex);
        if (Wait) {
            FState->Changed.wait(lock, [&] { return FState->Closed || !FState->Queue.empty(); });
        }
        if (FState->Queue.empty() || FState->Closed) {
            return false;
        }
        entry = FState->Queue.front();
        FState->Queue.pop_front();
    }
    auto release = [&] {
        std::lock_guard<std::mutex> lock(FState->Mutex);
        entry->Finished = true;
        entry->Ran = true;
        ++FState->Handled;
        FState->Changed.notify_all();
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

void TPumpedDispatcher::PumpUntil(const std::function<bool()>& Done) {
    while (!Done() && RunOne(true)) {
    }
}

std::size_t TPumpedDispatcher::Pump() {
    std::size_t ran = 0;
    while (RunOne(false)) {
        ++ran;
    }
    return ran;
}

bool TPumpedDispatcher::WaitForQueued(std::size_t Count, std::chrono::milliseconds Timeout) const {
    std::unique_lock<std::mutex> lock(FState->Mutex);
    return FState->Changed.wait_for(lock, Timeout, [&] { return FState->Queue.size() >= Count; });
}

std::size_t TPumpedDispatcher::Queued() const {
    std::lock_guard<std::mutex> lock(FState->Mutex);
    return FState->Queue.size();
}

std::size_t TPumpedDispatcher::Handled() const {
    std::lock_guard<std::mutex> lock(FState->Mutex);
    return FState->Handled;
}

void TPumpedDispatcher::Close() noexcept {
    std::lock_guard<std::mutex> lock(FState->Mutex);
    FState->Closed = true;
    for (const auto& entry : FState->Queue) {
        entry->Finished = true;
    }
    FState->Queue.clear();
    FState->Changed.notify_all();
}
