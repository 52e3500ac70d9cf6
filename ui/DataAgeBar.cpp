#include "ui/DataAgeBar.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>

namespace {

// A warm or a red hue laid over the window's own colour: the text keeps the palette's text colour, so the
// note reads on light and dark themes alike.
QColor NoteBackground(const QPalette& Palette, TDataMark Mark) {
    const QColor base = Palette.color(QPalette::Window);
    const QColor hue = Mark == TDataMark::Failed ? QColor(220, 50, 40) : QColor(230, 160, 20);
    constexpr double kShare = 0.35;
    return QColor::fromRgbF(static_cast<float>(base.redF() * (1 - kShare) + hue.redF() * kShare),
                            static_cast<float>(base.greenF() * (1 - kShare) + hue.greenF() * kShare),
                            static_cast<float>(base.blueF() * (1 - kShare) + hue.blueF() * kShare));
}

} // namespace

TDataAgeBar::TDataAgeBar(QPushButton& Refresh, QWidget* Parent) : QWidget(Parent), FRefresh(Refresh) {
    setObjectName(QStringLiteral("DataAgeBar"));
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(10, 0, 10, 2); // in line with the fields above
    FAge = new QLabel(this);
    FAge->setObjectName(QStringLiteral("LabelDataAge"));
    FNote = new QLabel(this);
    FNote->setObjectName(QStringLiteral("LabelDataNote"));
    FNote->setAutoFillBackground(true);
    FNote->setContentsMargins(6, 0, 6, 0);
    FRetry = new QPushButton(QStringLiteral("&Повторить"), this);
    FRetry->setObjectName(QStringLiteral("ButtonRetry"));
    FRetry->setToolTip(QStringLiteral("Обновить курсы ещё раз"));
    row->addWidget(FAge);
    row->addWidget(FNote);
    row->addWidget(FRetry);
    row->addStretch(1);
    FNote->hide();
    FRetry->hide();
    // As tall with the button as without: the grid does not jump when the mark comes or goes.
    setMinimumHeight(FRetry->sizeHint().height() + row->contentsMargins().bottom());
    FRetry->setEnabled(FRefresh.isEnabled());
    FRefresh.installEventFilter(this);
    connect(FRetry, &QPushButton::clicked, this, [this] {
        if (FRefresh.isEnabled()) {
            FRefresh.click();
        }
    });
    hide(); // nothing to tell before there are rates
}

void TDataAgeBar::Show(const TDataAgeLine& Line) {
    const QString age = QString::fromStdString(Line.Age);
    if (FAge->text() != age) {
        FAge->setText(age);
    }
    const QString note = QString::fromStdString(Line.Note);
    if (FNote->text() != note) {
        FNote->setText(note);
    }
    if (FMark != Line.Mark) {
        FMark = Line.Mark;
        const bool marked = FMark == TDataMark::Kept || FMark == TDataMark::Failed;
        FNote->setVisible(marked);
        FRetry->setVisible(marked);
        Tint();
        setVisible(FMark != TDataMark::None);
    }
}

bool TDataAgeBar::eventFilter(QObject* Watched, QEvent* Event) {
    if (Watched == &FRefresh &&
        (Event->type() == QEvent::EnabledChange || Event->type() == QEvent::ToolTipChange)) {
        // While Refresh rests its tooltip says when it is back; so does Retry's.
        FRetry->setEnabled(FRefresh.isEnabled());
        FRetry->setToolTip(FRefresh.isEnabled() ? QStringLiteral("Обновить курсы ещё раз")
                                                : FRefresh.toolTip());
    }
    return QWidget::eventFilter(Watched, Event);
}

void TDataAgeBar::changeEvent(QEvent* Event) {
    if (Event->type() == QEvent::PaletteChange && FNote != nullptr) {
        Tint();
    }
    QWidget::changeEvent(Event);
}

void TDataAgeBar::Tint() {
    QPalette palette = FNote->palette();
    palette.setColor(QPalette::Window, NoteBackground(this->palette(), FMark));
    palette.setColor(QPalette::WindowText, this->palette().color(QPalette::WindowText));
    FNote->setPalette(palette);
}
