#pragma once
// The hide list "ListBoxHide": a multi-selection list in which a click toggles the one item under it. Qt's
// multi-selection also toggles every item a drag passes over; here a drag toggles nothing more.

#include <QListWidget>

class THideList final : public QListWidget {
    Q_OBJECT
  public:
    explicit THideList(QWidget* Parent = nullptr);

  protected:
    QItemSelectionModel::SelectionFlags selectionCommand(const QModelIndex& Index,
                                                         const QEvent* Event = nullptr) const override;
};
