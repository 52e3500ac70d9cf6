#pragma once
// The grid's find dialog: a small non-modal "Найти" window that moves a table view's current row to the next
// row whose visible cell text contains the searched text.

#include <QDialog>
#include <vector>

class QAbstractItemModel;
class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QTableView;

// How a search runs.
struct TFindOptions {
    bool MatchCase = false; // false: letters match whatever their case
    bool Down = true;       // false: search towards the first row
    bool Wrap = true;       // continue from the other end, back to the starting row itself
};

// One hit: the row and the column whose text matched.
struct TFindHit {
    int Row = -1;
    int Column = -1;
};

// The next row after From (before it when searching up) with a cell of Columns whose display text contains
// Text; From = -1 means no current row (start at the first row going down, at the last going up). Row -1 when
// nothing matches or Text is empty. Never throws.
TFindHit FindNextRow(const QAbstractItemModel& Model, const std::vector<int>& Columns, int From,
                     const QString& Text, const TFindOptions& Options);

class TFindDialog final : public QDialog {
    Q_OBJECT

  public:
    // The message shown in the dialog when a search finds nothing.
    static inline const QString kNotFound = QStringLiteral("Не найдено");

    // A dialog searching View (which must outlive it), owned by Parent. Never throws.
    explicit TFindDialog(QTableView& View, QWidget* Parent = nullptr);

    // Shows the dialog (not modal), raises it and selects the search text.
    void Open();
    // The options the controls hold.
    TFindOptions Options() const;
    // The line of status text under the controls ("Не найдено" after a failed search, else empty).
    QString StatusText() const;

  public slots:
    // Searches from the view's current row and moves it to the hit; says "Не найдено" when there is none.
    void FindNext();

  private:
    QTableView& FView;
    QLineEdit* FEdit;
    QCheckBox* FMatchCase;
    QRadioButton* FUp;
    QRadioButton* FDown;
    QCheckBox* FWrap;
    QPushButton* FFindNext;
    QLabel* FStatus;
};
