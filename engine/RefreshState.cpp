#include "engine/RefreshState.h"

#include <algorithm>
#include <limits>

void TRefreshState::RefreshStarted() {
    FAutoRefreshPending = false;
    FCooldownTicks = 0;
}

bool TRefreshState::ShouldAutoRefresh(bool RefreshEnabled) const {
    if (!RefreshEnabled) {
        return false;
    }
    // The count is taken before this tick adds to it: after the automatic refresh's own tick it reaches
    // 60 * Minutes exactly that many seconds later.
    return FAutoRefreshPending || (FAutoMinutes > 0 && FCooldownTicks >= 60 * FAutoMinutes);
}

std::optional<TRefreshTrigger> TRefreshState::DueRefresh(bool RefreshEnabled) const {
    if (!ShouldAutoRefresh(RefreshEnabled)) {
        return std::nullopt;
    }
    return FAutoRefreshPending ? TRefreshTrigger::First : TRefreshTrigger::Repeated;
}

void TRefreshState::SetAutoRefreshMinutes(int Minutes) {
    FAutoMinutes = std::clamp(Minutes, 0, 24 * 60);
}

int AutoRefreshMinutesFromText(const std::optional<std::string>& Stored) {
    if (!Stored) {
        return 0;
    }
    for (const int minutes : kAutoRefreshChoices) {
        if (*Stored == std::to_string(minutes)) {
            return minutes;
        }
    }
    return 0;
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
