#pragma once
// When the program refreshes by itself and when the Refresh button may be used again.

#include <cstdint>

class TRefreshState final {
  public:
    // Ticks that must pass after a refresh before the button comes back (it returns when the count exceeds this).
    static constexpr std::int32_t kCooldown = 60;

    // A refresh has started (by a click or automatically): no more automatic refresh, cooldown restarts.
    void RefreshStarted();
    // Step 1 of a timer tick: true when the tick must click Refresh (the automatic first refresh).
    bool ShouldAutoRefresh(bool RefreshEnabled) const;
    // Step 2 of a timer tick: counts the tick; true when the Refresh button must be enabled now.
    bool CountTick();

    bool AutoRefreshPending() const { return FAutoRefreshPending; }
    std::int32_t CooldownTicks() const { return FCooldownTicks; }

  private:
    bool FAutoRefreshPending = true;
    std::int32_t FCooldownTicks = 0;
};
