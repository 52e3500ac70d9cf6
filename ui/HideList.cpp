#include "ui/HideList.h"

#include <QEvent>

THideList::THideList(QWidget* Parent) : QListWidget(Parent) {
    // A click toggles one item; Shift and Ctrl make no ranges.
    setSelectionMode(QAbstractItemView::MultiSelection);
}

QItemSelectionModel::SelectionFlags THideList::selectionCommand(const QModelIndex& Index,
                                                                const QEvent* Event) const {
    // The press toggled its item; moving on with the button down selects nothing further.
    if (Event != nullptr && Event->type() == QEvent::MouseMove) {
        return QItemSelectionModel::NoUpdate;
    }
    return QListWidget::selectionCommand(Index, Event);
}
