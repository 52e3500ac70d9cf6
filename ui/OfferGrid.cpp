#include "ui/OfferGrid.h"

#include "engine/DesignScale.h"
#include "ui/FindDialog.h"
#include "ui/OfferGridHeaders.h"

#include <QApplication>
#include <QEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QStyledItemDelegate>
#include <algorithm>

namespace {

// Cells draw no focus frame of their own: the grid draws one around the whole current row.
class TRowFocusDelegate final : public QStyledItemDelegate {
  public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter* Painter, const QStyleOptionViewItem& Option,
               const QModelIndex& Index) const override {
        QStyleOptionViewItem option(Option);
        option.state &= ~QStyle::State_HasFocus;
        QStyledItemDelegate::paint(Painter, option, Index);
    }
};

} // namespace

TDBGridRates::TDBGridRates(QWidget* Parent)
    : QTableView(Parent), FTitles(new TOrderHeader(this)), FIndicator(new TRowMarkerHeader(this)) {
    setObjectName(QStringLiteral("DBGridRates"));
    setAccessibleName(QStringLiteral("Предложения обменников"));
    setHorizontalHeader(FTitles);
    setVerticalHeader(FIndicator);
    setModel(&FModel);

    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSortingEnabled(false); // title clicks are handled here, with Ctrl+click orders Qt does not know
    setShowGrid(true);
    setWordWrap(false);
    setCornerButtonEnabled(false);
    // Tab and Shift+Tab leave the grid instead of walking it cell by cell.
    setTabKeyNavigation(false);
    setItemDelegate(new TRowFocusDelegate(this));
    FIndicator->setMinimumSectionSize(1);
    FitRowHeight();

    for (int column = 0; column < TMemTableRates::kColumnCount; ++column)
        setColumnWidth(column, ColumnDesignWidth(column));
    setColumnHidden(static_cast<int>(TOfferField::EID), true);

    connect(FTitles, &QHeaderView::sectionClicked, this, &TDBGridRates::TitleClicked);
    connect(selectionModel(), &QItemSelectionModel::currentRowChanged, this, &TDBGridRates::CurrentRowMoved);
    // Like a dataset cursor: a table with rows always has a current row, the first one after a refill.
    connect(&FModel, &QAbstractItemModel::modelReset, this, [this] {
        if (FModel.rowCount() > 0 && !currentIndex().isValid())
            SetCurrentRowNumber(1);
        CurrentRowMoved();
    });
}

TDBGridRates::~TDBGridRates() {
    if (qApp)
        qApp->removeEventFilter(this);
}

int TDBGridRates::CurrentRowNumber() const {
    const QModelIndex current = currentIndex();
    return current.isValid() ? current.row() + 1 : 0;
}

void TDBGridRates::SetCurrentRowNumber(int Number) {
    if (Number < 1 || Number > FModel.rowCount()) {
        selectionModel()->clear();
        CurrentRowMoved();
        return;
    }
    // Stay in the column the user is in; the hidden id column never takes the cursor.
    int column =
        currentIndex().isValid() ? currentIndex().column() : static_cast<int>(TOfferField::Exchanger);
    if (isColumnHidden(column))
        column = static_cast<int>(TOfferField::Exchanger);
    const QModelIndex target = FModel.index(Number - 1, column);
    selectionModel()->setCurrentIndex(target,
                                      QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    scrollTo(target);
}

std::optional<TOfferRow> TDBGridRates::CurrentOffer() const {
    const int number = CurrentRowNumber();
    if (number < 1 || number > static_cast<int>(FModel.Rows().size()))
        return std::nullopt;
    return FModel.Rows()[static_cast<std::size_t>(number - 1)];
}

void TDBGridRates::SetOrder(const TSortOrder& Order, TOrderBy By) {
    SetPending({});
    const bool resorted = Order != FOrder;
    FOrder = Order;
    FUserOrder = By == TOrderBy::User ? Order : TSortOrder{};
    FModel.Sort(FOrder);
    ShowMarkers();
    // A new order puts the best offer by it at the top: that is the row to look at and act on.
    if (resorted && !FModel.Rows().empty())
        SetCurrentRowNumber(1);
    if (currentIndex().isValid())
        scrollTo(currentIndex());
    CurrentRowMoved();
}

TFindDialog& TDBGridRates::OpenFindDialog() {
    if (!FFind)
        FFind = new TFindDialog(*this, this);
    FFind->Open();
    return *FFind;
}

void TDBGridRates::TitleClicked(int LogicalIndex) {
    const auto field = TMemTableRates::FieldOfColumn(LogicalIndex);
    if (!field)
        return;
    if (FTitles->LastClickModifiers() & Qt::ControlModifier) {
        TSortOrder pending = FPending;
        auto same = std::find_if(pending.begin(), pending.end(),
                                 [&](const TSortKey& key) { return key.Field == *field; });
        if (same != pending.end())
            same->Descending = !same->Descending;
        else
            pending.push_back(TSortKey{*field, false});
        SetPending(std::move(pending));
        return;
    }
    const bool again = FOrder.size() == 1 && FOrder.front().Field == *field;
    SetOrder({TSortKey{*field, again && !FOrder.front().Descending}}, TOrderBy::User);
}

void TDBGridRates::SetPending(TSortOrder Pending) {
    const bool had = !FPending.empty();
    FPending = std::move(Pending);
    // The release of Ctrl may reach any widget of the program, so the application is watched, but only while
    // an order is waiting for it.
    if (!had && !FPending.empty())
        qApp->installEventFilter(this);
    else if (had && FPending.empty())
        qApp->removeEventFilter(this);
    ShowMarkers();
}

void TDBGridRates::ApplyPending() {
    if (FPending.empty())
        return;
    SetOrder(TSortOrder(FPending), TOrderBy::User);
}

void TDBGridRates::ShowMarkers() {
    FTitles->SetMarkers(FPending.empty() ? FOrder : FPending);
}

void TDBGridRates::CurrentRowMoved() {
    FIndicator->viewport()->update();
    viewport()->update(); // the row's focus frame moves with it
}

void TDBGridRates::keyPressEvent(QKeyEvent* Event) {
    if (Event->key() == Qt::Key_F && (Event->modifiers() & ~Qt::KeypadModifier) == Qt::ControlModifier) {
        OpenFindDialog();
        Event->accept();
        return;
    }
    if ((Event->key() == Qt::Key_Return || Event->key() == Qt::Key_Enter) && CurrentRowNumber() > 0) {
        Event->accept();
        emit ReturnPressed();
        return;
    }
    QTableView::keyPressEvent(Event);
}

QRect TDBGridRates::CurrentRowFrame() const {
    const QModelIndex current = currentIndex();
    if (!hasFocus() || !current.isValid()) {
        return {};
    }
    QRect row;
    for (int column = 0; column < FModel.columnCount(); ++column) {
        if (!isColumnHidden(column)) {
            row = row.united(visualRect(FModel.index(current.row(), column)));
        }
    }
    return row.intersected(viewport()->rect());
}

void TDBGridRates::SetEmptyText(const QString& Text) {
    if (Text == FEmptyText)
        return;
    FEmptyText = Text;
    viewport()->update();
}

void TDBGridRates::resizeEvent(QResizeEvent* Event) {
    QTableView::resizeEvent(Event);
    FitNameColumn();
}

void TDBGridRates::FitNameColumn() {
    // In a maximised window the name column takes the width the other columns leave (long names are the
    // ones cut short); otherwise every column keeps its own width.
    const int name = static_cast<int>(TOfferField::Exchanger);
    if (!window()->isMaximized() && !window()->isFullScreen()) {
        setColumnWidth(name, ColumnDesignWidth(name));
        return;
    }
    int others = 0;
    for (int column = 0; column < TMemTableRates::kColumnCount; ++column) {
        if (column != name && !isColumnHidden(column))
            others += columnWidth(column);
    }
    setColumnWidth(name, std::max(ColumnDesignWidth(name), viewport()->width() - others));
}

int TDBGridRates::ColumnDesignWidth(int Column) const {
    return ScaledPixels(kColumnWidths[Column], DesignScaleForDpi(logicalDpiY()));
}

void TDBGridRates::paintEvent(QPaintEvent* Event) {
    QTableView::paintEvent(Event);
    if (FModel.rowCount() == 0 && !FEmptyText.isEmpty()) {
        QPainter painter(viewport());
        painter.setPen(palette().color(QPalette::Disabled, QPalette::Text));
        painter.drawText(viewport()->rect().adjusted(8, 8, -8, -8), Qt::AlignCenter | Qt::TextWordWrap,
                         FEmptyText);
    }
    const QRect frame = CurrentRowFrame();
    if (frame.isEmpty()) {
        return;
    }
    // Dotted, in the colour of the row's own text: the style's focus frame is drawn in the highlight's colour
    // (Fusion), which does not show on a highlighted row, and only after a key was pressed. One pixel of the
    // design wide, so it grows with the scale.
    const bool selected = selectionModel()->isRowSelected(currentIndex().row(), QModelIndex());
    QPainter painter(viewport());
    painter.setPen(
        QPen(palette().color(selected ? QPalette::HighlightedText : QPalette::Text), 1, Qt::DotLine));
    painter.drawRect(frame.adjusted(1, 1, -2, -2));
}

void TDBGridRates::focusInEvent(QFocusEvent* Event) {
    QTableView::focusInEvent(Event);
    viewport()->update();
}

void TDBGridRates::focusOutEvent(QFocusEvent* Event) {
    QTableView::focusOutEvent(Event);
    viewport()->update();
}

void TDBGridRates::keyReleaseEvent(QKeyEvent* Event) {
    if (Event->key() == Qt::Key_Control)
        ApplyPending();
    QTableView::keyReleaseEvent(Event);
}

bool TDBGridRates::eventFilter(QObject* Watched, QEvent* Event) {
    if (!FPending.empty()) {
        switch (Event->type()) {
        case QEvent::KeyRelease:
            if (static_cast<QKeyEvent*>(Event)->key() == Qt::Key_Control)
                ApplyPending();
            break;
        case QEvent::MouseButtonPress:
            // A press without Ctrl means the release was missed (it happened outside the program).
            if (!(static_cast<QMouseEvent*>(Event)->modifiers() & Qt::ControlModifier))
                ApplyPending();
            break;
        case QEvent::ApplicationDeactivate:
            ApplyPending();
            break;
        default:
            break;
        }
    }
    return QTableView::eventFilter(Watched, Event);
}

void TDBGridRates::mouseDoubleClickEvent(QMouseEvent* Event) {
    const bool onRow = indexAt(Event->position().toPoint()).isValid();
    QTableView::mouseDoubleClickEvent(Event);
    if (onRow)
        emit DblClick();
}

void TDBGridRates::changeEvent(QEvent* Event) {
    QTableView::changeEvent(Event);
    if (Event->type() == QEvent::FontChange)
        FitRowHeight();
}

void TDBGridRates::FitRowHeight() {
    // One fixed height for every row, from the font: resizing rows to their contents costs a pass over all
    // rows.
    FIndicator->setDefaultSectionSize(fontMetrics().height() + 4);
}
