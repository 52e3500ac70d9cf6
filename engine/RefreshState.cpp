#include "engine/RefreshState.h"

#include <limits>

void TRefreshState::RefreshStarted() {
    FAutoRefreshPending = false;
    FCooldownTicks = 0;
}

bool TRefreshState::ShouldAutoRefresh(bool RefreshEnabled) const {
    return FAutoRefreshPending && RefreshEnabled;
}

bool TRefreshState::CountTick() {
    // Saturate rather than overflow a signed count when the program runs for decades without a refresh.
    if (FCooldownTicks < std::numeric_limits<std::int32_t>::max()) {
        ++FCooldownTicks;
    }
    return FCooldownTicks > kCooldown;
}

std::int32_t TRefreshState::SecondsUntilRefresh() const {
    return FCooldownTicks > kCooldown ? 0 : kCooldown + 1 - FCooldownTicks;
}

std::string RefreshButtonHint(std::int32_t SecondsUntilRefresh) {
    if (SecondsUntilRefresh <= 0) {
        return "Загрузить свежие курсы (F5)";
    }
    return "Обновление будет доступно через " + std::to_string(SecondsUntilRefresh) + " с";
}
