#pragma once
// The refresh cycle's own bookkeeping beside the main window: the automatic first (and repeated) refresh, the
// Refresh button's cooldown and tooltip, and the status line about the data shown. What it decides lives in
// engine/RefreshState and engine/RefreshStatus; this part moves those decisions onto the widgets.

#include "engine/RefreshState.h"
#include "engine/RefreshStatus.h"
#include "net/TCP.h"

#include <QObject>

#include <cstddef>
#include <functional>
#include <optional>
#include <string>

class QLabel;
class TDataAgeBar;
class QPushButton;
class QStatusBar;

class TRefreshController final : public QObject {
    Q_OBJECT
  public:
    // Steers Button (enabled and tooltip) and puts its line into Bar, as a label named "LabelStatus" whose
    // text is also its accessible name.
    TRefreshController(QPushButton& Button, QStatusBar& Bar, QObject* Parent);

    // Step 1 of a timer tick: the refresh the tick must start, if any.
    std::optional<TRefreshTrigger> DueRefresh() const;
    // Step 2 of a timer tick: counts it; the button comes back once the cooldown has passed.
    void CountTick();
    // A refresh starts: the cooldown restarts, the button rests, every feed is awaited again.
    void RefreshStarted(TRefreshTrigger Trigger);

    // Feed answered with a whole 200 and replaced what was shown (Records rows of a data feed).
    void FeedReplaced(TFeed Feed, std::size_t Records);
    // Feed's exchange failed (Output tells why), or its answer was refused; what was shown stays.
    void FeedFailed(TFeed Feed, const TOData& Output);
    // The user gave up the refresh under way (see TRefreshStatus::Cancel); the status line says so. The
    // cooldown runs on. False when no refresh ran.
    bool CancelRefresh();
    // Feed was shown from what an earlier run kept, received At.
    void FeedRestored(TFeed Feed, const TWallClock& At);
    // An alert that only the status line could show.
    void AlertNoticed(std::string Text);
    // Another service is asked from now on (see TRefreshStatus::ServiceChanged).
    void ServiceChanged() { FStatus.ServiceChanged(); }
    // True while a refresh has started and not every feed has answered.
    bool Running() const { return FStatus.Running(); }

    // Refresh by itself every Minutes minutes after the first refresh; 0 only once.
    void SetAutoRefreshMinutes(int Minutes) { FState.SetAutoRefreshMinutes(Minutes); }
    // The automatic first refresh and the cooldown.
    const TRefreshState& State() const { return FState; }
    // What the status line says about the data shown.
    const TRefreshStatus& Status() const { return FStatus; }
    // The status line as shown.
    QString StatusLine() const;
    // Adds to the status line when Refresh is back ("Обновление будет доступно через 42 с"), for F5 pressed
    // while it rests; the next status replaces it.
    void SayWhenRefreshIsBack();
    // The clock the status line reads (the local time unless set otherwise); for tests.
    void SetClock(std::function<TWallClock()> Clock) { FClock = std::move(Clock); }

    // Bar shows the age of the rates from now on, renewed with the status line.
    void AttachAgeBar(TDataAgeBar& Bar);

    // Shows the status model's line (a time from yesterday gains its date).
    void ShowStatus();

  private:
    void ShowRefreshHint();

    QPushButton& FButton;
    QLabel* FLine = nullptr;
    TDataAgeBar* FAgeBar = nullptr;
    TRefreshState FState;
    TRefreshStatus FStatus;
    std::function<TWallClock()> FClock = WallClockNow;
};
