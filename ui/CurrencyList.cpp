#include "ui/CurrencyList.h"

#include <QAbstractItemView>
#include <QCompleter>
#include <QLineEdit>
#include <QScreen>

#include <algorithm>

namespace {

// Some styles ignore a list's visible-items limit and open it as tall as its items: the popup is cut to half
// the screen it opens on.
void CutPopupToHalfScreen(QComboBox& Combo) {
    QWidget* popup = Combo.view()->window();
    if (const QScreen* shown = Combo.screen()) {
        const int limit = shown->availableGeometry().height() / 2;
        if (popup->height() > limit) {
            popup->resize(popup->width(), limit);
        }
    }
}

} // namespace

TCurrencyList::TCurrencyList(QWidget* Parent) : QComboBox(Parent) {
    setEditable(true);
    setInsertPolicy(QComboBox::NoInsert); // typing never adds a currency
    auto* completer = new QCompleter(model(), this);
    completer->setCompletionMode(QCompleter::PopupCompletion);
    completer->setFilterMode(Qt::MatchContains);
    completer->setCaseSensitivity(Qt::CaseInsensitive);
    setCompleter(completer);
    connect(lineEdit(), &QLineEdit::editingFinished, this, [this] { RestoreChosenText(); });
}

void TCurrencyList::showPopup() {
    FitPopupsToScreen();
    QComboBox::showPopup();
    CutPopupToHalfScreen(*this);
}

void THalfScreenList::showPopup() {
    QComboBox::showPopup();
    CutPopupToHalfScreen(*this);
}

void TCurrencyList::focusInEvent(QFocusEvent* Event) {
    FitPopupsToScreen();
    QComboBox::focusInEvent(Event);
}

void TCurrencyList::FitPopupsToScreen() {
    const QScreen* shown = screen();
    if (!shown) {
        return;
    }
    if (FWantedRows == 0) {
        FWantedRows = maxVisibleItems();
    }
    const int hinted = view()->sizeHintForRow(0);
    const int row = std::max(1, hinted > 0 ? hinted : fontMetrics().height());
    // One row is left for the popup's frame.
    const int rows = std::clamp(shown->availableGeometry().height() / 2 / row - 1, 1, FWantedRows);
    setMaxVisibleItems(rows);
    completer()->setMaxVisibleItems(rows);
}

void TCurrencyList::RestoreChosenText() {
    const QString chosen = ChosenCurrency(*this);
    if (lineEdit()->text() != chosen) {
        lineEdit()->setText(chosen);
    }
}

QString ChosenCurrency(const QComboBox& Combo) {
    const int index = Combo.currentIndex();
    return index >= 0 ? Combo.itemText(index) : QString();
}
