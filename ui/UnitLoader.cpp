#include "ui/UnitLoader.h"

#include "ui/Fonts.h"

#include <QGuiApplication>
#include <QScreen>

#include <algorithm>

TFormLoader* FormLoader = nullptr;

TProgressBar::TProgressBar(QWidget* Parent) : QProgressBar(Parent) {}

void TProgressBar::StepIt() {
    const int low = minimum();
    const int high = maximum();
    const long long span = static_cast<long long>(high) - low;
    long long position = static_cast<long long>(value()) + Step;
    // Past the maximum the bar starts again at the minimum and then takes what went over (max 4: 4 + 1 -> 1;
    // a larger overflow goes round as often as it needs to).
    if (span <= 0) {
        position = low;
    } else if (position > high) {
        position = low + (position - high - 1) % span + 1;
    } else if (position < low) {
        position = high - (low - position - 1) % span - 1;
    }
    setValue(static_cast<int>(position));
}

TFormLoader::TFormLoader(QWidget* MainWindow) : QWidget(nullptr), FMainWindow(MainWindow) {
    setObjectName(QStringLiteral("FormLoader"));
    setWindowFlags(Qt::Tool | Qt::WindowStaysOnTopHint | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint);
    setWindowTitle(QStringLiteral("Загружается..."));
    setFont(DesignFont(QStringLiteral("Tahoma"), 8, QFont::SansSerif));
    setFixedSize(kClientWidth, kClientHeight);

    ProgressBar = new TProgressBar(this);
    ProgressBar->setObjectName(QStringLiteral("ProgressBar"));
    ProgressBar->setGeometry(8, 8, 297, 16);
    ProgressBar->setRange(0, 4);
    ProgressBar->setValue(0);
    ProgressBar->setTextVisible(false);
    ProgressBar->setAccessibleName(QStringLiteral("Загрузка данных"));

    Timer = new QTimer(this);
    Timer->setObjectName(QStringLiteral("Timer"));
    Timer->setInterval(1000);
    connect(Timer, &QTimer::timeout, this, &TFormLoader::TimerTimer);
    Timer->start();
}

void TFormLoader::TimerTimer() {
    if (ProgressBar->value() == ProgressBar->maximum()) {
        hide();
    }
}

void TFormLoader::showEvent(QShowEvent* Event) {
    if (!FPlaced) {
        FPlaced = true;
        PlaceOverMainWindow();
    }
    QWidget::showEvent(Event);
}

void TFormLoader::PlaceOverMainWindow() {
    QScreen* screen = FMainWindow ? FMainWindow->screen() : QGuiApplication::primaryScreen();
    // A hidden main window still reports its last bounds, which is what the loader centres over.
    const QRect over = FMainWindow ? FMainWindow->frameGeometry()
                                   : (screen ? screen->availableGeometry() : QRect(0, 0, width(), height()));
    const QSize own = frameGeometry().size();
    QPoint topLeft(over.left() + (over.width() - own.width()) / 2,
                   over.top() + (over.height() - own.height()) / 2);
    const QPoint desktopOrigin = screen ? screen->virtualGeometry().topLeft() : QPoint(0, 0);
    topLeft.setX(std::max(topLeft.x(), desktopOrigin.x()));
    topLeft.setY(std::max(topLeft.y(), desktopOrigin.y()));
    move(topLeft);
}
