#pragma once
// The two headers of the offer grid: column titles that show a sort marker on every key of a (multi-column)
// order, and the indicator column that marks the current row.

#include "engine/Offers.h"

#include <QHeaderView>
#include <optional>

// Column titles with one marker per sort key: ▲ ascending or ▼ descending, and the key's rank when the order
// has several keys. Remembers the keyboard modifiers of the last click so the grid can tell a Ctrl+click.
class TOrderHeader final : public QHeaderView {
    Q_OBJECT

  public:
    // A marker of one title: direction and 1-based rank within the order.
    struct TMarker {
        bool Descending = false;
        int Rank = 1;
        bool operator==(const TMarker&) const = default;
    };

    // Horizontal, clickable titles without Qt's single sort indicator. Never throws.
    explicit TOrderHeader(QWidget* Parent = nullptr);

    // Shows markers on exactly the titles of Order and repaints.
    void SetMarkers(const TSortOrder& Order);
    // The order the markers show.
    const TSortOrder& Markers() const { return FMarkers; }
    // The marker on a column's title; nullopt when it has none.
    std::optional<TMarker> MarkerOf(int LogicalIndex) const;
    // The text a title shows: the model's title, followed by the rank when the order has several keys.
    QString TitleText(int LogicalIndex) const;
    // Keyboard modifiers held at the last mouse press or release on the titles.
    Qt::KeyboardModifiers LastClickModifiers() const { return FLastModifiers; }

  protected:
    void initStyleOptionForIndex(QStyleOptionHeader* Option, int LogicalIndex) const override;
    void mousePressEvent(QMouseEvent* Event) override;
    void mouseReleaseEvent(QMouseEvent* Event) override;

  private:
    TSortOrder FMarkers;
    Qt::KeyboardModifiers FLastModifiers;
};

// The narrow indicator column at the left of the grid: no row numbers, a ▶ marker on the view's current row,
// fixed row height.
class TRowMarkerHeader final : public QHeaderView {
    Q_OBJECT

  public:
    // Width of the indicator column in pixels.
    static constexpr int kWidth = 14;

    // Vertical, fixed-size sections, not clickable. Never throws.
    explicit TRowMarkerHeader(QWidget* Parent = nullptr);

    // Always kWidth wide.
    QSize sizeHint() const override;

  protected:
    void paintSection(QPainter* Painter, const QRect& Rect, int LogicalIndex) const override;
};
