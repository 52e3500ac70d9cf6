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
