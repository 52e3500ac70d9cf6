#pragma once
// The offer grid "DBGridRates": a read-only table view over its own offer table, sorted by title clicks
// (Ctrl+clicks build an order on several columns), with a current-row indicator and a find dialog on Ctrl+F.

#include "ui/OfferTableModel.h"

#include <QPointer>
#include <QTableView>
#include <optional>

class TFindDialog;
class TOrderHeader;
class TRowMarkerHeader;

class TDBGridRates final : public QTableView {
    Q_OBJECT

  public:
    // Pixel widths of the columns, in TOfferField order, for text at 96 dpi (they grow with larger text).
    static constexpr int kColumnWidths[TMemTableRates::kColumnCount] = {50, 160, 100, 100, 100, 50};

    // An empty grid with no order. Never throws.
    explicit TDBGridRates(QWidget* Parent = nullptr);
    // Stops watching the application for a Ctrl release.
    ~TDBGridRates() override;

    // The offer table the grid shows.
    TMemTableRates& Model() { return FModel; }
    const TMemTableRates& Model() const { return FModel; }

    // 1-based number of the current row; 0 when there is none.
    int CurrentRowNumber() const;
    // Makes row Number (1-based) current and selected; a number outside 1..row count leaves no current row.
    void SetCurrentRowNumber(int Number);
    // The offer on the current row; nullopt when there is none.
    std::optional<TOfferRow> CurrentOffer() const;

    // Who chose an order: the program (a rebuild, the amounts) or the user (title clicks).
    enum class TOrderBy { Program, User };
    // Sorts the table by Order and puts markers on exactly its titles. When the order changes, the first row
    // becomes current and is scrolled into view; else the current row stays. Discards a Ctrl+click order
    // still being built.
    void SetOrder(const TSortOrder& Order, TOrderBy By = TOrderBy::Program);
    // The order last applied (empty before the first one).
    TSortOrder Order() const { return FOrder; }
    // The order the user chose by title clicks, while no order of the program has replaced it (else empty).
    const TSortOrder& UserOrder() const { return FUserOrder; }
    // The Ctrl+click order being built, applied when Ctrl is released (empty when none).
    const TSortOrder& PendingOrder() const { return FPending; }

    // The column headers (for their markers).
    TOrderHeader& TitleHeader() const { return *FTitles; }
    // Opens the find dialog (as Ctrl+F does) and returns it.
    TFindDialog& OpenFindDialog();
    // What the grid says while it has no rows (drawn in the middle of the empty table).
    void SetEmptyText(const QString& Text);
    const QString& EmptyText() const { return FEmptyText; }

    // Where the focus frame around the current row is drawn (viewport coordinates); empty while the grid has
    // no focus or no current row.
    QRect CurrentRowFrame() const;

  signals:
    // A double-click on a row (not on a title, not on empty space).
    void DblClick();
    // Enter or Return with a current row.
    void ReturnPressed();

  protected:
    void keyPressEvent(QKeyEvent* Event) override;
    void keyReleaseEvent(QKeyEvent* Event) override;
    void mouseDoubleClickEvent(QMouseEvent* Event) override;
    void changeEvent(QEvent* Event) override;
    void paintEvent(QPaintEvent* Event) override;
    void resizeEvent(QResizeEvent* Event) override;
    void focusInEvent(QFocusEvent* Event) override;
    void focusOutEvent(QFocusEvent* Event) override;
    bool eventFilter(QObject* Watched, QEvent* Event) override;

  private:
    void TitleClicked(int LogicalIndex);
    void ApplyPending();
    void SetPending(TSortOrder Pending);
    void ShowMarkers();
    void CurrentRowMoved();
    void FitRowHeight();
    void FitNameColumn();

    TMemTableRates FModel;
    // A column's design width grown with the text (engine/DesignScale.h).
    int ColumnDesignWidth(int Column) const;

    TOrderHeader* FTitles;
    TRowMarkerHeader* FIndicator;
    TSortOrder FOrder;
    TSortOrder FUserOrder;
    TSortOrder FPending;
    QPointer<TFindDialog> FFind;
    QString FEmptyText;
};
