#include "net/PumpedDispatcher.h"

TPumpedDispatcher::TPumpedDispatcher() : FHandOff(std::make_shared<THandOff>()) {}

TPumpedDispatcher::~TPumpedDispatcher() {
    Close();
}

TDispatcher TPumpedDispatcher::Dispatcher() const {
    std::shared_ptr<THandOff> handOff = FHandOff;
    return [handOff](const std::function<void()>& Call) { return handOff->Hand(Call); };
}

void TPumpedDispatcher::PumpUntil(const std::function<bool()>& Done) {
    while (!Done() && FHandOff->RunOne(true)) {
    }
}

std::size_t TPumpedDispatcher::Pump() {
    std::size_t ran = 0;
    while (FHandOff->RunOne(false)) {
        ++ran;
    }
    return ran;
}

bool TPumpedDispatcher::WaitForQueued(std::size_t Count, std::chrono::milliseconds Timeout) const {
    return FHandOff->WaitForQueued(Count, Timeout);
}

std::size_t TPumpedDispatcher::Queued() const {
    return FHandOff->Queued();
}

std::size_t TPumpedDispatcher::Handled() const {
    return FHandOff->Handled();
}

void TPumpedDispatcher::Close() noexcept {
    FHandOff->Close();
}
