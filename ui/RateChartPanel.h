#pragma once
// The rates tab's chart panel: the range buttons (24 часа, 7 дней, 30 дней, год) above the chart of the
// chosen pair. It decides nothing: the window gives it the points and hears which range was chosen.

#include "history/HistoryRange.h"

#include <QWidget>

class QAbstractButton;
class QButtonGroup;
class TRateChart;

class TRateChartPanel final : public QWidget {
    Q_OBJECT

  public:
    explicit TRateChartPanel(QWidget* Parent = nullptr);

    TRateChart* Chart() const { return FChart; }
    // The range buttons, left to right.
    QList<QAbstractButton*> RangeButtons() const;
    TChartRange Range() const;
    // Checks Range's button without telling RangeChosen.
    void SetRange(TChartRange Range);

  signals:
    // The user picked a range.
    void RangeChosen(TChartRange Range);

  private:
    QButtonGroup* FButtons;
    TRateChart* FChart;
};
