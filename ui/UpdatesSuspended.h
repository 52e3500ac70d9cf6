#pragma once
// Suspends painting of a widget for a scope and restores it on every way out, exceptions included, so a
// refill of many items costs one repaint.

#include <QWidget>

class TUpdatesSuspended final {
  public:
    explicit TUpdatesSuspended(QWidget& Widget) : FWidget(Widget), FWasEnabled(Widget.updatesEnabled()) {
        FWidget.setUpdatesEnabled(false);
    }
    ~TUpdatesSuspended() { FWidget.setUpdatesEnabled(FWasEnabled); }
    TUpdatesSuspended(const TUpdatesSuspended&) = delete;
    TUpdatesSuspended& operator=(const TUpdatesSuspended&) = delete;

  private:
    QWidget& FWidget;
    bool FWasEnabled;
};
