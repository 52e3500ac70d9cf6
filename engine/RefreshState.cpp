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
