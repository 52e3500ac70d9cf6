#pragma once
// The loader window: a small always-on-top tool window whose four-step bar shows how many feeds of a refresh
// have arrived; it hides itself once the bar is full.

#include <QPointer>
#include <QProgressBar>
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
};

class TFormLoader final : public QWidget {
    Q_OBJECT
  public:
    // Client size at design.
    static constexpr int kClientWidth = 313;
    static constexpr int kClientHeight = 33;

    // Hidden at creation. MainWindow is the window the loader centres over the first time it shows; it may be
    // null (the loader then centres over the screen). The loader takes no parent: it is a window of its own.
    explicit TFormLoader(QWidget* MainWindow = nullptr);

    TProgressBar* ProgressBar = nullptr;
    QTimer* Timer = nullptr;

    // Steps the bar by one (see TProgressBar::StepIt).
    void StepIt() { ProgressBar->StepIt(); }
    // Sets the bar's position to 0.
    void Reset() { ProgressBar->setValue(0); }

  public slots:
    // Every second, shown or not: hides the window when the bar is at its maximum.
    void TimerTimer();

  protected:
    void showEvent(QShowEvent* Event) override;

  private:
    void PlaceOverMainWindow();

    QPointer<QWidget> FMainWindow;
    bool FPlaced = false;
};

// The program's one TFormLoader, set by the start sequence (null before it and after the stop sequence).
extern TFormLoader* FormLoader;
