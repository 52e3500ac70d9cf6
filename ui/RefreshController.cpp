#include "ui/RefreshController.h"

#include "ui/DataAgeBar.h"

#include <QLabel>
#include <QPushButton>
#include <QStatusBar>

TRefreshController::TRefreshController(QPushButton& Button, QStatusBar& Bar, QObject* Parent)
    : QObject(Parent), FButton(Button) {
    setObjectName(QStringLiteral("RefreshController"));
    FLine = new QLabel(&Bar);
    FLine->setObjectName(QStringLiteral("LabelStatus"));
    // No accessible name of its own: the text is the name, and every change of it is announced.
    FLine->setAccessibleDescription(QStringLiteral("Состояние данных"));
    FLine->setTextInteractionFlags(Qt::TextSelectableByMouse);
    // A long line is cut at the window's edge (its tooltip holds it whole): it never widens the window, nor
    // the least width the window takes when a part is opened.
    FLine->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    Bar.addWidget(FLine, 1);
    ShowRefreshHint();
}

std::optional<TRefreshTrigger> TRefreshController::DueRefresh() const {
    return FState.DueRefresh(FButton.isEnabled());
}

void TRefreshController::CountTick() {
    if (FState.CountTick()) {
        FButton.setEnabled(true);
        FSayWhenBack = false;
    }
    ShowRefreshHint();
    ShowStatus();
}

void TRefreshController::RefreshStarted(TRefreshTrigger Trigger) {
    if (RefreshDismissesAlert(Trigger)) {
        FStatus.AlertDismissed(); // the user is here and has read it
    }
    FState.RefreshStarted();
    FSayWhenBack = false;
    FButton.setEnabled(false);
    ShowRefreshHint();
    FStatus.RefreshStarted();
    ShowStatus();
}

void TRefreshController::FeedReplaced(TFeed Feed, std::size_t Records) {
    FStatus.FeedReplaced(Feed, Records, FClock());
}

void TRefreshController::FeedFailed(TFeed Feed, const TOData& Output) {
    FStatus.FeedFailed(Feed, Output);
}

bool TRefreshController::CancelRefresh() {
    if (!FStatus.Cancel()) {
        return false;
    }
    ShowStatus();
    return true;
}

void TRefreshController::FeedRestored(TFeed Feed, const TWallClock& At) {
    FStatus.FeedRestored(Feed, At);
}

void TRefreshController::AlertNoticed(std::string Text) {
    FStatus.AlertNoticed(std::move(Text), FClock());
    ShowStatus();
}

QString TRefreshController::StatusLine() const {
    return FLine->text();
}

void TRefreshController::AttachAgeBar(TDataAgeBar& Bar) {
    FAgeBar = &Bar;
    ShowStatus();
}

void TRefreshController::ShowStatus() {
    const TWallClock now = FClock();
    QString line = QString::fromStdString(FStatus.Text(now));
    // Kept and counting down until Refresh is back: the next second's status must not wipe it out.
    if (FSayWhenBack && !FButton.isEnabled()) {
        const QString hint = QString::fromStdString(RefreshButtonHint(FState.SecondsUntilRefresh()));
        line = line.isEmpty() ? hint : line + QStringLiteral(". ") + hint;
    }
    FLine->setText(line);
    FLine->setToolTip(line); // the whole of a line the window is too narrow for
    if (FAgeBar != nullptr) {
        FAgeBar->Show(DataAgeLine(FStatus, now));
    }
}

void TRefreshController::SayWhenRefreshIsBack() {
    FSayWhenBack = true;
    ShowStatus();
}

void TRefreshController::ShowRefreshHint() {
    const QString hint =
        QString::fromStdString(RefreshButtonHint(FButton.isEnabled() ? 0 : FState.SecondsUntilRefresh()));
    FButton.setToolTip(hint);
    FButton.setAccessibleDescription(hint);
}
