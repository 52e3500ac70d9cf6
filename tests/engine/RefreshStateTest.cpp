#include "engine/RefreshState.h"

#include <gtest/gtest.h>

namespace {

// The main window's part of the cycle, as the timer and the Refresh button drive it.
struct TWindow {
    TRefreshState State;
    bool RefreshEnabled = true;
    int Refreshes = 0;

    void ClickRefresh() {
        if (!RefreshEnabled) {
            return; // a disabled button takes no clicks
        }
        State.RefreshStarted();
        RefreshEnabled = false;
        ++Refreshes;
    }
    void Tick() {
        if (State.ShouldAutoRefresh(RefreshEnabled)) {
            ClickRefresh();
        }
        if (State.CountTick()) {
            RefreshEnabled = true;
        }
    }
};

TEST(RefreshState, FirstTickRefreshesOnceAndButtonReturnsOnTheSixtiethTickAfter) {
    TWindow window;
    EXPECT_TRUE(window.State.AutoRefreshPending());
    EXPECT_EQ(window.State.CooldownTicks(), 0);
    window.Tick();
    EXPECT_EQ(window.Refreshes, 1);
    EXPECT_FALSE(window.State.AutoRefreshPending());
    for (int tick = 2; tick <= 60; ++tick) {
        window.Tick();
        ASSERT_FALSE(window.RefreshEnabled) << "tick " << tick;
    }
    window.Tick(); // tick 61: the 60th after the one that refreshed
    EXPECT_TRUE(window.RefreshEnabled);
    for (int tick = 0; tick < 300; ++tick) {
        window.Tick();
    }
    EXPECT_EQ(window.Refreshes, 1); // never by itself again
    EXPECT_TRUE(window.RefreshEnabled);
}

TEST(RefreshState, ClickDisablesThroughTick60AndIgnoredClicksDoNotRestartTheCount) {
    TWindow window;
    for (int tick = 0; tick < 70; ++tick) {
        window.Tick();
    }
    ASSERT_TRUE(window.RefreshEnabled);
    window.ClickRefresh();
    EXPECT_EQ(window.State.CooldownTicks(), 0);
    for (int tick = 1; tick <= 60; ++tick) {
        window.Tick();
        ASSERT_FALSE(window.RefreshEnabled) << "tick " << tick;
        if (tick == 30) {
            window.ClickRefresh(); // the button is disabled: nothing happens
            EXPECT_EQ(window.State.CooldownTicks(), 30);
        }
    }
    window.Tick();
    EXPECT_TRUE(window.RefreshEnabled);
    EXPECT_EQ(window.Refreshes, 2);
}

TEST(RefreshState, AutomaticRefreshWaitsForAnEnabledButton) {
    TRefreshState state;
    EXPECT_FALSE(state.ShouldAutoRefresh(false));
    EXPECT_TRUE(state.ShouldAutoRefresh(true));
    state.RefreshStarted();
    EXPECT_FALSE(state.ShouldAutoRefresh(true));
}

TEST(RefreshState, TheTickTellsWhichRefreshItStartsAndOnlyRepeatedOnesRunWithoutTheLoader) {
    TRefreshState state;
    state.SetAutoRefreshMinutes(1);
    EXPECT_EQ(state.DueRefresh(false), std::nullopt);
    EXPECT_EQ(state.DueRefresh(true), TRefreshTrigger::First);
    state.RefreshStarted();
    for (int tick = 0; tick < 60; ++tick) {
        ASSERT_EQ(state.DueRefresh(true), std::nullopt) << "tick " << tick;
        state.CountTick();
    }
    EXPECT_EQ(state.DueRefresh(true), TRefreshTrigger::Repeated);
    EXPECT_TRUE(RefreshShowsLoader(TRefreshTrigger::User) && RefreshShowsLoader(TRefreshTrigger::First));
    EXPECT_FALSE(RefreshShowsLoader(TRefreshTrigger::Repeated));
    EXPECT_TRUE(RefreshDismissesAlert(TRefreshTrigger::User));
    EXPECT_FALSE(RefreshDismissesAlert(TRefreshTrigger::First) ||
                 RefreshDismissesAlert(TRefreshTrigger::Repeated));
}

TEST(RefreshState, TheButtonsHintCountsTheSecondsUntilItIsBack) {
    TWindow window;
    EXPECT_EQ(window.State.SecondsUntilRefresh(), 61); // not yet counted: 61 ticks would pass the cooldown
    window.Tick();                                     // the automatic refresh, counted in the same tick
    EXPECT_EQ(window.State.SecondsUntilRefresh(), 60);
    EXPECT_EQ(RefreshButtonHint(window.State.SecondsUntilRefresh()), "Обновление будет доступно через 60 с");
    int ticks = 0;
    while (!window.RefreshEnabled) {
        window.Tick();
        ++ticks;
    }
    EXPECT_EQ(ticks, 60);
    EXPECT_EQ(window.State.SecondsUntilRefresh(), 0);
    EXPECT_EQ(RefreshButtonHint(0), "Загрузить свежие курсы (F5)");
}

} // namespace

namespace {

// Ticks after the first (automatic) refresh until the next refresh, or -1 when none comes within Limit.
int TicksUntilNextRefresh(int Minutes, int Limit) {
    TWindow window;
    window.State.SetAutoRefreshMinutes(Minutes);
    window.Tick();
    EXPECT_EQ(window.Refreshes, 1);
    for (int tick = 1; tick <= Limit; ++tick) {
        window.Tick();
        if (window.Refreshes > 1) {
            return tick;
        }
    }
    return -1;
}

TEST(AutoRefresh, FiveMinutesRefreshAtTheThreeHundredthTickAndNotBeforeThenAgain) {
    EXPECT_EQ(TicksUntilNextRefresh(5, 1000), 300);
    TWindow window;
    window.State.SetAutoRefreshMinutes(5);
    for (int tick = 1; tick <= 1 + 3 * 300; ++tick) {
        window.Tick();
    }
    EXPECT_EQ(window.Refreshes, 4);
}

TEST(AutoRefresh, OffMeansTheFirstRefreshOnlyAndTheCooldownStaysTheFloor) {
    EXPECT_EQ(TicksUntilNextRefresh(0, 10000), -1);
    // One minute cannot come sooner than the button: it is back only after 60 ticks.
    EXPECT_EQ(TicksUntilNextRefresh(1, 1000), 61);
}

TEST(AutoRefresh, AUserClickRestartsTheInterval) {
    TWindow window;
    window.State.SetAutoRefreshMinutes(5);
    window.Tick();
    for (int tick = 0; tick < 100; ++tick) {
        window.Tick();
    }
    window.ClickRefresh();
    ASSERT_EQ(window.Refreshes, 2);
    int ticks = 0;
    while (window.Refreshes == 2 && ticks < 1000) {
        window.Tick();
        ++ticks;
    }
    // Five whole minutes after the click: its own second is not a tick.
    EXPECT_EQ(ticks, 301);
}

TEST(AutoRefresh, OnlyTheOfferedIntervalsReadBackAndEverythingElseIsOff) {
    EXPECT_EQ(AutoRefreshMinutesFromText(std::nullopt), 0);
    EXPECT_EQ(AutoRefreshMinutesFromText("0"), 0);
    EXPECT_EQ(AutoRefreshMinutesFromText("1"), 1);
    EXPECT_EQ(AutoRefreshMinutesFromText("5"), 5);
    EXPECT_EQ(AutoRefreshMinutesFromText("15"), 15);
    EXPECT_EQ(AutoRefreshMinutesFromText("60"), 60);
    for (const char* other : {"abc", "7", " 5", "5 ", "05", "-5", "5.0", "", "600000000000"}) {
        EXPECT_EQ(AutoRefreshMinutesFromText(std::string(other)), 0) << other;
    }
}

} // namespace
