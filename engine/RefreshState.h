#pragma once
// When the program refreshes by itself and when the Refresh button may be used again.

#include <array>
#include <cstdint>
#include <optional>
#include <string>

// Who starts a refresh: the user (the button or F5), the timer's automatic first refresh, or one of the
// repeated refreshes the user asked for in the settings.
enum class TRefreshTrigger { User, First, Repeated };

// The loader pops up for every refresh but the repeated ones, which must not come up over whatever the user
// is doing (the status line tells of them).
constexpr bool RefreshShowsLoader(TRefreshTrigger Trigger) {
    return Trigger != TRefreshTrigger::Repeated;
}
// Only a user's refresh says the alert on the status line has been read.
constexpr bool RefreshDismissesAlert(TRefreshTrigger Trigger) {
    return Trigger == TRefreshTrigger::User;
}

class TRefreshState final {
  public:
    // Ticks that must pass after a refresh before the button comes back (it returns when the count exceeds
    // this).
    static constexpr std::int32_t kCooldown = 60;

    // A refresh has started (by a click or automatically): no more automatic first refresh, cooldown
    // restarts.
    void RefreshStarted();
    // Step 1 of a timer tick: true when the tick must click Refresh: the automatic first refresh, or, with an
    // interval set, once that many ticks have been counted since the last refresh. Never before the button is
    // back, so the cooldown stays the floor.
    bool ShouldAutoRefresh(bool RefreshEnabled) const;
    // The same, telling which refresh the tick starts: First while the automatic first refresh is pending,
    // else Repeated; nullopt when the tick starts none.
    std::optional<TRefreshTrigger> DueRefresh(bool RefreshEnabled) const;
    // Refresh by itself every Minutes minutes after the first refresh; 0 (the default) only once.
    void SetAutoRefreshMinutes(int Minutes);
    int AutoRefreshMinutes() const { return FAutoMinutes; }
    // Step 2 of a timer tick: counts the tick; true when the Refresh button must be enabled now.
    bool CountTick();

    // Ticks still to come before the button returns (0 once it may be back).
    std::int32_t SecondsUntilRefresh() const;

    bool AutoRefreshPending() const { return FAutoRefreshPending; }
    std::int32_t CooldownTicks() const { return FCooldownTicks; }

  private:
    bool FAutoRefreshPending = true;
    std::int32_t FCooldownTicks = 0;
    int FAutoMinutes = 0;
};

// The intervals of automatic refresh the settings offer, in minutes; 0 is off.
inline constexpr std::array<int, 5> kAutoRefreshChoices = {0, 1, 5, 15, 60};

// The interval a stored "Live/AutoMinutes" text stands for: one of kAutoRefreshChoices written as plain
// digits; anything else (missing, "abc", "7", " 5") is 0, off. Never throws.
int AutoRefreshMinutesFromText(const std::optional<std::string>& Stored);

// The Refresh button's tooltip: while it rests, when it comes back ("Обновление будет доступно через 42 с");
// otherwise what it does.
std::string RefreshButtonHint(std::int32_t SecondsUntilRefresh);
