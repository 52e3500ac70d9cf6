#include "tests/support/TestDispatcher.h"

#include <deque>

struct TTestDispatcher::TState {
    struct TEntry {
        const TCall* Call = nullptr;
        bool Finished = false;
        bool Ran = false;
    };
    std::mutex Mutex;
    std::condition_variable Changed;
    std::deque<std::shared_ptr<TEntry>> Queue;
    bool Closed = false;
    std::size_t Handled = 0;
};

TTestDispatcher::TTestDispatcher() : FState(std::make_shared<TState>()) {}

TTestDispatcher::~TTestDispatcher() {
    Close();
}

TTestDispatcher::TFunction TTestDispatcher::Function() const {
    std::shared_ptr<TState> state = FState;
    return [state](const TCall& Call) {
        auto entry = std::make_shared<TState::TEntry>();
        entry->Call = &Call;
        std::unique_lock<std::mutex> lock(state->Mutex);
        if (state->Closed)
            return false;
        state->Queue.push_back(entry);
        state->Changed.notify_all();
        state->Changed.wait(lock, [&] { return entry->Finished; });
        return entry->Ran;
    };
}

bool TTestDispatcher::WaitForQueued(std::size_t Count, std::chrono::milliseconds Timeout) const {
    std::unique_lock<std::mutex> lock(FState->Mutex);
    return FState->Changed.wait_for(lock, Timeout, [&] { return FState->Queue.size() >= Count; });
}

std::size_t TTestDispatcher::Pump() {
    std::size_t ran = 0;
    for (;;) {
        std::shared_ptr<TState::TEntry> entry;
        {
            std::lock_guard<std::mutex> lock(FState->Mutex);
            if (FState->Queue.empty() || FState->Closed)
                return ran;
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
        ++ran;
    }
}

std::size_t TTestDispatcher::Queued() const {
    std::lock_guard<std::mutex> lock(FState->Mutex);
    return FState->Queue.size();
}

std::size_t TTestDispatcher::Handled() const {
    std::lock_guard<std::mutex> lock(FState->Mutex);
    return FState->Handled;
}

void TTestDispatcher::Close() {
    std::lock_guard<std::mutex> lock(FState->Mutex);
    FState->Closed = true;
    for (const auto& entry : FState->Queue)
        entry->Finished = true;
    FState->Queue.clear();
    FState->Changed.notify_all();
}
