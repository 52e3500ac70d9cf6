#pragma once
// The thin line above the grid: the age of the rates in words and, when they are kept or left over from a
// failed refresh, a tinted note saying so and a "Повторить" button that refreshes as Refresh does.

#include "engine/DataAge.h"

#include <QWidget>

class QLabel;
class QPushButton;

class TDataAgeBar final : public QWidget {
    Q_OBJECT
  public:
    // Retry mirrors Refresh: enabled exactly when it is, and a click clicks it.
    TDataAgeBar(QPushButton& Refresh, QWidget* Parent = nullptr);

    // Shows Line; the widgets change only when its text or mark does.
    void Show(const TDataAgeLine& Line);
    // The "Повторить" button, shown while the last refresh failed.
    QPushButton* Retry() const { return FRetry; }

  protected:
    bool eventFilter(QObject* Watched, QEvent* Event) override;
    void changeEvent(QEvent* Event) override;

  private:
    void Tint();

    QPushButton& FRefresh;
    QLabel* FAge = nullptr;
    QLabel* FNote = nullptr;
    QPushButton* FRetry = nullptr;
    TDataMark FMark = TDataMark::None;
};
