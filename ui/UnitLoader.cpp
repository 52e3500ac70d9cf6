#include "ui/UnitLoader.h"

#include "engine/DesignScale.h"
#include "engine/RefreshStatus.h"
#include "ui/Fonts.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QPainter>
#include <QScreen>
#include <QStyleOptionProgressBar>

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

void TProgressBar::SetFailed(int Count) {
    const int failed = std::clamp(Count, 0, std::max(0, value() - minimum()));
    if (failed != FFailed) {
        FFailed = failed;
        update();
    }
}

void TProgressBar::paintEvent(QPaintEvent* Event) {
    QProgressBar::paintEvent(Event);
    const int span = maximum() - minimum();
    const int failed = std::min(FFailed, value() - minimum());
    if (failed <= 0 || span <= 0) {
        return;
    }
    // The failed share is the end of the filled part: red, and hatched so it differs in more than hue.
    QStyleOptionProgressBar option;
    initStyleOption(&option);
    const QRect contents = style()->subElementRect(QStyle::SE_ProgressBarContents, &option, this);
    const double unit = static_cast<double>(contents.width()) / span;
    const int from = static_cast<int>(unit * (value() - minimum() - failed));
    const int to = static_cast<int>(unit * (value() - minimum()));
    QRect share(contents.left() + from, contents.top(), to - from, contents.height());
    if (layoutDirection() == Qt::RightToLeft) {
        share.moveRight(contents.right() - from);
    }
    QPainter painter(this);
    painter.fillRect(share, QColor(196, 43, 28));
    painter.fillRect(share, QBrush(QColor(255, 255, 255, 90), Qt::BDiagPattern));
}

TFormLoader::TFormLoader(QWidget* MainWindow) : QWidget(nullptr), FMainWindow(MainWindow) {
    setObjectName(QStringLiteral("FormLoader"));
    setWindowFlags(Qt::Tool | Qt::WindowStaysOnTopHint | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint);
    setWindowTitle(QStringLiteral("Загружается..."));
    setFont(DesignFont(QStringLiteral("Tahoma"), 8, QFont::SansSerif));

    ProgressBar = new TProgressBar(this);
    ProgressBar->setObjectName(QStringLiteral("ProgressBar"));
    // Fixed measures for text at 96 dpi, grown with larger text (engine/DesignScale.h).
    const double scale = DesignScaleForDpi(logicalDpiY());
    const auto px = [scale](int Pixels) { return ScaledPixels(Pixels, scale); };
    ProgressBar->setGeometry(px(8), px(8), px(297), px(16));
    ProgressBar->setRange(0, 4);
    ProgressBar->setValue(0);
    ProgressBar->setTextVisible(false);
    ProgressBar->setAccessibleName(QStringLiteral("Загрузка данных"));

    // Under the bar: the count in words on the left, "Отмена" on the right, both as wide as the bar allows.
    ButtonCancel = new QPushButton(QStringLiteral("Отмена"), this);
    ButtonCancel->setObjectName(QStringLiteral("ButtonCancel"));
    ButtonCancel->setToolTip(
        QStringLiteral("Прекратить ожидание: то, что ещё не получено, не изменится (Esc)"));
    const QSize button = ButtonCancel->sizeHint().expandedTo(QSize(px(75), 0));
    const int rowTop = px(30);
    ButtonCancel->setGeometry(px(8) + px(297) - button.width(), rowTop, button.width(), button.height());
    connect(ButtonCancel, &QPushButton::clicked, this, &TFormLoader::CancelClick);
    LabelProgress = new QLabel(this);
    LabelProgress->setObjectName(QStringLiteral("LabelProgress"));
    LabelProgress->setGeometry(px(8), rowTop, px(297) - button.width() - px(6), button.height());
    setFixedSize(px(kClientWidth), rowTop + button.height() + px(8));
    ShowCount();

    Timer = new QTimer(this);
    Timer->setObjectName(QStringLiteral("Timer"));
    Timer->setInterval(1000);
    connect(Timer, &QTimer::timeout, this, &TFormLoader::TimerTimer);
    Timer->start();
}

void TFormLoader::StepIt() {
    const int before = ProgressBar->value();
    ProgressBar->StepIt();
    // A bar gone round past its maximum starts its count again.
    if (ProgressBar->value() <= before) {
        ProgressBar->SetFailed(0);
    }
    ShowCount();
}

void TFormLoader::StepFailed() {
    const int before = ProgressBar->value();
    ProgressBar->StepIt();
    ProgressBar->SetFailed(ProgressBar->value() <= before ? 1 : ProgressBar->Failed() + 1);
    ShowCount();
}

void TFormLoader::Reset() {
    ProgressBar->setValue(0);
    ProgressBar->SetFailed(0);
    ShowCount();
}

void TFormLoader::ShowCount() {
    const int failed = ProgressBar->Failed();
    const int in = ProgressBar->value() - ProgressBar->minimum();
    const QString text = QString::fromStdString(
        LoaderProgressText(in - failed, failed, ProgressBar->maximum() - ProgressBar->minimum()));
    LabelProgress->setText(text);
    ProgressBar->setAccessibleDescription(text);
    // A full bar has nothing left to give up.
    ButtonCancel->setEnabled(ProgressBar->value() < ProgressBar->maximum());
}

void TFormLoader::CancelClick() {
    hide();
    emit CancelRequested();
}

void TFormLoader::keyPressEvent(QKeyEvent* Event) {
    if (Event->key() == Qt::Key_Escape && Event->modifiers() == Qt::NoModifier) {
        CancelClick();
        return;
    }
    QWidget::keyPressEvent(Event);
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
