#pragma once
// When the program refreshes by itself and when the Refresh button may be used again.

#include <cstdint>
#include <string>

class TRefreshState final {
  public:
    // Ticks that must pass after a refresh before the button comes back (it returns when the count exceeds
    // this).
    static constexpr std::int32_t kCooldown = 60;

    // A refresh has started (by a click or automatically): no more automatic refresh, cooldown restarts.
    void RefreshStarted();
    // Step 1 of a timer tick: true when the tick must click Refresh (the automatic first refresh).
    bool ShouldAutoRefresh(bool RefreshEnabled) const;
    // Step 2 of a timer tick: counts the tick; true when the Refresh button must be enabled now.
    bool CountTick();

    // Ticks still to come before the button returns (0 once it may be back).
    std::int32_t SecondsUntilRefresh() const;

    bool AutoRefreshPending() const { return FAutoRefreshPending; }
    std::int32_t CooldownTicks() const { return FCooldownTicks; }

  private:
    bool FAutoRefreshPending = true;
    std::int32_t FCooldownTicks = 0;
};

// The Refresh button's tooltip: while it rests, when it comes back ("Обновление будет доступно через 42 с");
// otherwise what it does.
std::string RefreshButtonHint(std::int32_t SecondsUntilRefresh);
