#include "ui/OfferGridHeaders.h"

#include <QAbstractItemView>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QStyleOptionHeader>

TOrderHeader::TOrderHeader(QWidget* Parent) : QHeaderView(Qt::Horizontal, Parent) {
    setSectionsClickable(true);
    setSectionsMovable(false);
    setHighlightSections(false);
    // Qt's own indicator can show one column only; the markers go into the title text instead.
    setSortIndicatorShown(false);
    setDefaultAlignment(Qt::AlignCenter);
}

void TOrderHeader::SetMarkers(const TSortOrder& Order) {
    FMarkers = Order;
    viewport()->update();
}

std::optional<TOrderHeader::TMarker> TOrderHeader::MarkerOf(int LogicalIndex) const {
    for (std::size_t i = 0; i < FMarkers.size(); ++i)
        if (static_cast<int>(FMarkers[i].Field) == LogicalIndex)
            return TMarker{FMarkers[i].Descending, static_cast<int>(i) + 1};
    return std::nullopt;
}

QString TOrderHeader::TitleText(int LogicalIndex) const {
    QString text =
        model() ? model()->headerData(LogicalIndex, Qt::Horizontal, Qt::DisplayRole).toString() : QString();
    if (const auto marker = MarkerOf(LogicalIndex)) {
        text += marker->Descending ? QStringLiteral(" ▼") : QStringLiteral(" ▲");
        if (FMarkers.size() > 1)
            text += QString::number(marker->Rank);
    }
    return text;
}

void TOrderHeader::initStyleOptionForIndex(QStyleOptionHeader* Option, int LogicalIndex) const {
    QHeaderView::initStyleOptionForIndex(Option, LogicalIndex);
    Option->text = TitleText(LogicalIndex);
    Option->sortIndicator = QStyleOptionHeader::None;
}

void TOrderHeader::mousePressEvent(QMouseEvent* Event) {
    FLastModifiers = Event->modifiers();
    QHeaderView::mousePressEvent(Event);
}

void TOrderHeader::mouseReleaseEvent(QMouseEvent* Event) {
    // sectionClicked is emitted from inside the release handler, so record first.
    FLastModifiers = Event->modifiers();
    QHeaderView::mouseReleaseEvent(Event);
}

TRowMarkerHeader::TRowMarkerHeader(QWidget* Parent) : QHeaderView(Qt::Vertical, Parent) {
    setSectionResizeMode(QHeaderView::Fixed);
    setSectionsClickable(false);
    setSectionsMovable(false);
    setHighlightSections(false);
}

QSize TRowMarkerHeader::sizeHint() const {
    return QSize(kWidth, defaultSectionSize());
}

void TRowMarkerHeader::paintSection(QPainter* Painter, const QRect& Rect, int LogicalIndex) const {
    QHeaderView::paintSection(Painter, Rect, LogicalIndex);
    const auto* view = qobject_cast<const QAbstractItemView*>(parentWidget());
    if (!view || view->currentIndex().row() != LogicalIndex)
        return;
    // A drawn triangle rather than a glyph: it looks the same whatever font the window uses.
    const int half = qMax(2, qMin(Rect.width(), Rect.height()) / 4);
    const QPointF centre = QRectF(Rect).center();
    QPainterPath triangle;
    triangle.moveTo(centre.x() - half / 2.0, centre.y() - half);
    triangle.lineTo(centre.x() + half, centre.y());
    triangle.lineTo(centre.x() - half / 2.0, centre.y() + half);
    triangle.closeSubpath();
    Painter->save();
    // The base painting can hand the painter back with an empty clip (seen for sections without text).
    Painter->setClipRect(Rect, Qt::ReplaceClip);
    Painter->setRenderHint(QPainter::Antialiasing);
    Painter->fillPath(triangle, palette().color(QPalette::ButtonText));
    Painter->restore();
}
