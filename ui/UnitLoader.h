#pragma once
// The loader window: a small always-on-top tool window whose four-step bar shows how many feeds of a refresh
// have arrived, the ones that failed in a colour of their own and counted in words under it; "Отмена" (or
// Esc) gives up a refresh that stalls. It hides itself once the bar is full.

#include <QLabel>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QWidget>

// A progress bar that steps like the system's: past the maximum it starts over from the minimum.
class TProgressBar final : public QProgressBar {
    Q_OBJECT
  public:
    explicit TProgressBar(QWidget* Parent = nullptr);

    // Amount StepIt adds (1 by default).
    int Step = 1;

    // Adds Step to the position. A position beyond the maximum wraps: it becomes the minimum plus what went
    // past the maximum (max 4: 4 -> 1), as the Windows bar does; likewise below the minimum for negative
    // steps. Never throws.
    void StepIt();

    // How many of the steps taken stand for feeds that failed: they are drawn after the others, in a red
    // of their own. Never more than the position.
    void SetFailed(int Count);
    int Failed() const { return FFailed; }

  protected:
    void paintEvent(QPaintEvent* Event) override;

  private:
    int FFailed = 0;
};

class TFormLoader final : public QWidget {
    Q_OBJECT
  public:
    // Client width at design; the height takes the row of the count and "Отмена" under the bar.
    static constexpr int kClientWidth = 313;

    // Hidden at creation. MainWindow is the window the loader centres over the first time it shows; it may be
    // null (the loader then centres over the screen). The loader takes no parent: it is a window of its own.
    explicit TFormLoader(QWidget* MainWindow = nullptr);

    TProgressBar* ProgressBar = nullptr;
    QTimer* Timer = nullptr;
    // "Получено 2 из 4", or how many failed, beside the cancel button.
    QLabel* LabelProgress = nullptr;
    QPushButton* ButtonCancel = nullptr;

    // Steps the bar by one for a feed that came (see TProgressBar::StepIt).
    void StepIt();
    // Steps the bar by one for a feed that did not come.
    void StepFailed();
    // Sets the bar's position to 0, nothing failed.
    void Reset();

  signals:
    // The user gave up waiting ("Отмена" or Esc); the loader hides.
    void CancelRequested();

  public slots:
    // Every second, shown or not: hides the window when the bar is at its maximum.
    void TimerTimer();

  protected:
    void showEvent(QShowEvent* Event) override;
    void keyPressEvent(QKeyEvent* Event) override;

  private:
    void PlaceOverMainWindow();
    void ShowCount();
    void CancelClick();

    QPointer<QWidget> FMainWindow;
    bool FPlaced = false;
};

// The program's one TFormLoader, set by the start sequence (null before it and after the stop sequence).
extern TFormLoader* FormLoader;
