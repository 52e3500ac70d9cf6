#include "ui/RateChart.h"

#include "engine/Offers.h"
#include "engine/RateAlerts.h"
#include "history/ChartAxis.h"
#include "ui/TextColours.h"

#include <QDateTime>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <array>
#include <cmath>
#include <iterator>
#include <limits>
#include <vector>

namespace {

// The pattern QDateTime::toString takes for an axis label's form.
QString QtTimeFormat(TAxisTimeFormat Format) {
    switch (Format) {
    case TAxisTimeFormat::Time:
        return QStringLiteral("HH:mm");
    case TAxisTimeFormat::DayMonth:
        return QStringLiteral("dd.MM");
    case TAxisTimeFormat::DayMonthYear:
        return QStringLiteral("dd.MM.yyyy");
    case TAxisTimeFormat::DayMonthTime:
        return QStringLiteral("dd.MM HH:mm");
    case TAxisTimeFormat::Full:
        break;
    }
    return QStringLiteral("dd.MM.yyyy HH:mm");
}

constexpr int kMargin = 6;
constexpr int kHorizontalLines = 4;

// Axis values and alert levels, as typed or as round as the axis makes them.
QString Number(double Value) {
    return QString::fromStdString(RateText(Value));
}

// Recorded rates, as the grid writes its rates.
QString Rate(double Value) {
    return QString::fromStdString(GridRateText(Value));
}

// The values of the value axis's grid lines: round values (1, 2, 2.5 or 5 times a power of ten apart) within
// [Low, High], about kHorizontalLines of them.
std::vector<double> Ticks(double Low, double High) {
    std::vector<double> ticks;
    const double rough = (High - Low) / kHorizontalLines;
    if (!(rough > 0) || !std::isfinite(rough)) {
        return ticks;
    }
    const double power = std::pow(10.0, std::floor(std::log10(rough)));
    double step = 10 * power;
    for (const double factor : {1.0, 2.0, 2.5, 5.0}) {
        if (rough <= factor * power) {
            step = factor * power;
            break;
        }
    }
    for (double k = std::ceil(Low / step); k * step <= High; ++k) {
        ticks.push_back(k * step);
    }
    return ticks;
}

} // namespace

TRateChart::TRateChart(QWidget* Parent) : QWidget(Parent) {
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    setAccessibleName(QStringLiteral("График курса"));
}

QSize TRateChart::sizeHint() const {
    return {480, 180};
}

QSize TRateChart::minimumSizeHint() const {
    return {240, 110};
}

void TRateChart::SetSeries(const QString& PairName, TChartRange Range, std::vector<TRatePoint> Points,
                           std::int64_t NowMs) {
    FPair = PairName;
    FRange = Range;
    FPoints = std::move(Points);
    FToMs = NowMs + 1;
    FFromMs = ChartStartMs(FPoints, FToMs - RangeMs(Range), FToMs);
    Relayout();
    UpdateAccessibleText();
    update();
}

void TRateChart::SetUnavailable(const QString& Why) {
    if (FUnavailable != Why) {
        FUnavailable = Why;
        setToolTip(Why.isEmpty() ? QString() : QStringLiteral("История недоступна: %1").arg(Why));
        UpdateAccessibleText();
        update();
    }
}

void TRateChart::SetLevels(std::vector<double> Levels) {
    FLevels = std::move(Levels);
    Relayout();
    update();
}

QRect TRateChart::PlotRect() const {
    const QFontMetrics metrics(font());
    int labelWidth = 0;
    for (const double value : Ticks(FLow, FHigh)) {
        labelWidth = std::max(labelWidth, metrics.horizontalAdvance(Number(value)));
    }
    return rect().adjusted(kMargin + labelWidth + kMargin, kMargin + metrics.height() / 2, -kMargin,
                           -(kMargin + metrics.height() + 2));
}

void TRateChart::Relayout() {
    // The columns' lowest and highest rates and medians are the range's points' whatever the number of
    // columns: the axis is set from them, and the points cut again only when its labels' width moved the
    // plot's edge. A year of points is so walked once per layout, not twice.
    FColumns = DecimateToColumns(FPoints, FFromMs, FToMs, std::max(1, PlotRect().width()));
    FLow = 0;
    FHigh = 0;
    bool any = false;
    const auto take = [&](double Value) {
        if (!std::isfinite(Value)) {
            return;
        }
        FLow = any ? std::min(FLow, Value) : Value;
        FHigh = any ? std::max(FHigh, Value) : Value;
        any = true;
    };
    for (const TChartColumn& column : FColumns) {
        if (column.Filled) {
            take(column.Low);
            take(column.High);
            take(column.MedianLow);
            take(column.MedianHigh);
        }
    }
    // Levels far from the rates would squash the line flat; only those near it widen the axis.
    const double span = any ? std::max(FHigh - FLow, std::abs(FHigh) * 0.01) : 0;
    for (const double level : FLevels) {
        if (!any || (level >= FLow - span && level <= FHigh + span)) {
            take(level);
        }
    }
    if (!any) {
        FLow = 0;
        FHigh = 1;
    }
    const double pad = FHigh > FLow ? (FHigh - FLow) * 0.08 : std::max(std::abs(FHigh) * 0.01, 0.5);
    FLow -= pad;
    FHigh += pad;
    if (const int columns = std::max(1, PlotRect().width());
        static_cast<std::size_t>(columns) != FColumns.size()) {
        FColumns = DecimateToColumns(FPoints, FFromMs, FToMs, columns);
    }
}

double TRateChart::YOf(double Value, const QRect& Plot) const {
    return Plot.bottom() - (Value - FLow) / (FHigh - FLow) * Plot.height();
}

int TRateChart::XOf(std::int64_t TimeMs, const QRect& Plot) const {
    return Plot.left() +
           static_cast<int>(static_cast<long double>(TimeMs - FFromMs) * Plot.width() / (FToMs - FFromMs));
}

QString TRateChart::TimeText(std::int64_t TimeMs) const {
    return QDateTime::fromMSecsSinceEpoch(TimeMs).toString(QStringLiteral("dd.MM.yyyy HH:mm"));
}

std::array<QString, 3> TRateChart::AxisTimeTexts() const {
    const std::array<std::int64_t, 3> times = {FFromMs, (FFromMs + FToMs) / 2, FToMs - 1};
    std::array<QDateTime, 3> moments;
    std::vector<TLocalMoment> local;
    for (std::size_t i = 0; i < times.size(); ++i) {
        moments[i] = QDateTime::fromMSecsSinceEpoch(times[i]);
        const QDate day = moments[i].date();
        const QTime time = moments[i].time();
        local.push_back({day.year(), day.month(), day.day(), time.hour(), time.minute()});
    }
    const QString format = QtTimeFormat(AxisTimeFormat(FRange, local));
    std::array<QString, 3> texts;
    for (std::size_t i = 0; i < moments.size(); ++i) {
        texts[i] = moments[i].toString(format);
    }
    return texts;
}

void TRateChart::UpdateAccessibleText() {
    // The lowest and highest from the columns (they hold the range's points), the latest found by its time.
    const auto end =
        std::lower_bound(FPoints.begin(), FPoints.end(), FToMs,
                         [](const TRatePoint& Point, std::int64_t Ms) { return Point.TimeMs < Ms; });
    const TRatePoint* last =
        end != FPoints.begin() && std::prev(end)->TimeMs >= FFromMs ? &*std::prev(end) : nullptr;
    double low = 0;
    double high = 0;
    bool any = false;
    for (const TChartColumn& column : FColumns) {
        if (column.Filled) {
            low = any ? std::min(low, column.Low) : column.Low;
            high = any ? std::max(high, column.High) : column.High;
            any = true;
        }
    }
    static const char* const kRangeText[] = {"24 часа", "7 дней", "30 дней", "год"};
    const QString range = QString::fromUtf8(kRangeText[static_cast<int>(FRange)]);
    setAccessibleName(QStringLiteral("График курса %1 за %2").arg(FPair, range));
    if (last == nullptr) {
        setAccessibleDescription(FUnavailable.isEmpty()
                                     ? QStringLiteral("За %1 курсы не записаны").arg(range)
                                     : QStringLiteral("История недоступна: %1").arg(FUnavailable));
        return;
    }
    setAccessibleDescription(QStringLiteral("Последний курс %1 (%2), наименьший %3, наибольший %4")
                                 .arg(Rate(last->Rate), TimeText(last->TimeMs), Rate(low), Rate(high)));
}

void TRateChart::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QPalette& colours = palette();
    painter.fillRect(rect(), colours.color(QPalette::Base));
    const QRect plot = PlotRect();
    const QColor text = colours.color(QPalette::Text);
    QColor grid = text;
    grid.setAlpha(40);
    const QFontMetrics metrics(font());

    // The value axis: grid lines at round values, and the times at both ends and the middle.
    // In a short chart only the labels that keep a line's height apart are written.
    int labelledY = std::numeric_limits<int>::max();
    for (const double value : Ticks(FLow, FHigh)) {
        const int y = static_cast<int>(std::lround(YOf(value, plot)));
        painter.setPen(grid);
        painter.drawLine(plot.left(), y, plot.right(), y);
        if (labelledY - y < metrics.height()) {
            continue;
        }
        labelledY = y;
        painter.setPen(text);
        painter.drawText(
            QRect(kMargin, y - metrics.height() / 2, plot.left() - 2 * kMargin, metrics.height()),
            Qt::AlignRight | Qt::AlignVCenter, Number(value));
    }
    const int timeTop = plot.bottom() + 3;
    const std::array<QString, 3> times = AxisTimeTexts();
    const QRect timeRow(plot.left(), timeTop, plot.width(), metrics.height());
    painter.drawText(timeRow, Qt::AlignLeft, times[0]);
    painter.drawText(timeRow, Qt::AlignHCenter, times[1]);
    painter.drawText(timeRow, Qt::AlignRight, times[2]);

    const bool dark = IsDarkPalette(colours);
    const QColor line = dark ? QColor(0x6c, 0xb6, 0xff) : QColor(0x1f, 0x5f, 0xbf);
    QColor median = line;
    median.setAlpha(110);
    const QColor levelColour = dark ? QColor(0xff, 0xb3, 0x47) : QColor(0xc0, 0x50, 0x00);

    for (const double level : FLevels) {
        const double y = YOf(level, plot);
        if (y < plot.top() || y > plot.bottom()) {
            continue;
        }
        painter.setPen(QPen(levelColour, 1, Qt::DashLine));
        painter.drawLine(QPointF(plot.left(), y), QPointF(plot.right(), y));
    }

    painter.setRenderHint(QPainter::Antialiasing);
    painter.setClipRect(plot.adjusted(-2, -2, 2, 2));
    // The median first, so the best rate lies over it; then the best rate with each column's range. Each
    // series is one drawLines call: a stroke per column segment would cost a rasterisation each. Both pens
    // are one pixel wide, told apart by colour: a one-pixel line is drawn pixel by pixel, where a wider one
    // is stroked into an outline and filled, several times the work for a year of columns.
    std::vector<QLineF> segments;
    segments.reserve(2 * FColumns.size());
    for (const bool best : {false, true}) {
        segments.clear();
        std::vector<QPointF> dots;
        const TChartColumn* previous = nullptr;
        int previousX = 0;
        for (std::size_t i = 0; i < FColumns.size(); ++i) {
            const TChartColumn& column = FColumns[i];
            if (!column.Filled) {
                continue;
            }
            const double x = plot.left() + static_cast<double>(i) + 0.5;
            const double first = best ? column.First : column.MedianLast;
            const double low = best ? column.Low : column.MedianLow;
            const double high = best ? column.High : column.MedianHigh;
            if (previous != nullptr && column.JoinsPrevious) {
                segments.emplace_back(
                    QPointF(previousX + 0.5, YOf(best ? previous->Last : previous->MedianLast, plot)),
                    QPointF(x, YOf(first, plot)));
            }
            if (high > low) {
                segments.emplace_back(QPointF(x, YOf(low, plot)), QPointF(x, YOf(high, plot)));
            }
            const bool joinsNext = [&] {
                for (std::size_t j = i + 1; j < FColumns.size(); ++j) {
                    if (FColumns[j].Filled) {
                        return FColumns[j].JoinsPrevious;
                    }
                }
                return false;
            }();
            // A point with no neighbour on either side is a dot, not nothing.
            if (best && !column.JoinsPrevious && !joinsNext) {
                dots.emplace_back(x, YOf(column.Last, plot));
            }
            previous = &column;
            previousX = plot.left() + static_cast<int>(i);
        }
        painter.setPen(QPen(best ? line : median, 1.0));
        painter.drawLines(segments.data(), static_cast<int>(segments.size()));
        painter.setBrush(line);
        for (const QPointF& dot : dots) {
            painter.drawEllipse(dot, 2.2, 2.2);
        }
        painter.setBrush(Qt::NoBrush);
    }
    painter.setClipping(false);

    // The levels' values over the series, on the background, so that a line crossing them cannot hide them.
    QColor levelBackground = colours.color(QPalette::Base);
    levelBackground.setAlpha(210);
    for (const double level : FLevels) {
        const double y = YOf(level, plot);
        if (y < plot.top() || y > plot.bottom()) {
            continue;
        }
        const QString value = Number(level);
        const QRectF box(plot.left() + 2, y - metrics.height(), metrics.horizontalAdvance(value) + 4,
                         metrics.height());
        painter.fillRect(box, levelBackground);
        painter.setPen(levelColour);
        painter.drawText(box, Qt::AlignCenter, value);
    }

    if (FPoints.empty() ||
        std::none_of(FColumns.begin(), FColumns.end(), [](const TChartColumn& C) { return C.Filled; })) {
        painter.setPen(text);
        // The reason, in the words of the part that failed, is the tooltip's: the chart may be a line high.
        painter.drawText(plot, Qt::AlignCenter,
                         FUnavailable.isEmpty() ? QStringLiteral("За этот период курсы не записаны")
                                                : QStringLiteral("История недоступна"));
        return;
    }

    // The latest value, labelled at its point.
    const auto lastIt = std::find_if(FPoints.rbegin(), FPoints.rend(), [&](const TRatePoint& P) {
        return P.TimeMs >= FFromMs && P.TimeMs < FToMs;
    });
    const auto label = [&](const QString& Text, QPointF Anchor, const QColor& Edge) {
        QRectF box(0, 0, metrics.horizontalAdvance(Text) + 8, metrics.height() + 2);
        box.moveCenter(Anchor);
        box.moveRight(std::min(box.right(), static_cast<qreal>(plot.right())));
        box.moveLeft(std::max(box.left(), static_cast<qreal>(plot.left())));
        box.moveTop(std::clamp(box.top(), static_cast<qreal>(rect().top()),
                               static_cast<qreal>(rect().bottom()) - box.height()));
        painter.setPen(Edge);
        painter.setBrush(colours.color(QPalette::Base));
        painter.drawRoundedRect(box, 3, 3);
        painter.setPen(text);
        painter.drawText(box, Qt::AlignCenter, Text);
        painter.setBrush(Qt::NoBrush);
    };
    if (lastIt != FPoints.rend()) {
        const QPointF at(XOf(lastIt->TimeMs, plot), YOf(lastIt->Rate, plot));
        painter.setPen(line);
        painter.setBrush(line);
        painter.drawEllipse(at, 3, 3);
        painter.setBrush(Qt::NoBrush);
        label(Rate(lastIt->Rate), at - QPointF(0, metrics.height()), line);
    }

    // The crosshair: the point nearest the pointer in time.
    if (FPointerX >= plot.left() && FPointerX <= plot.right()) {
        const std::int64_t at =
            FFromMs + static_cast<std::int64_t>(static_cast<long double>(FPointerX - plot.left()) *
                                                (FToMs - FFromMs) / std::max(1, plot.width()));
        auto next = std::lower_bound(FPoints.begin(), FPoints.end(), at,
                                     [](const TRatePoint& P, std::int64_t T) { return P.TimeMs < T; });
        if (next == FPoints.end() ||
            (next != FPoints.begin() && at - std::prev(next)->TimeMs < next->TimeMs - at)) {
            next = std::prev(next);
        }
        if (next->TimeMs >= FFromMs && next->TimeMs < FToMs) {
            const QPointF point(XOf(next->TimeMs, plot), YOf(next->Rate, plot));
            painter.setPen(QPen(text, 1, Qt::DotLine));
            painter.drawLine(QPointF(point.x(), plot.top()), QPointF(point.x(), plot.bottom()));
            painter.drawLine(QPointF(plot.left(), point.y()), QPointF(plot.right(), point.y()));
            QString tip = TimeText(next->TimeMs) + QStringLiteral("  ") + Rate(next->Rate);
            if (next->Low != next->High) {
                tip += QStringLiteral(" (%1…%2)").arg(Rate(next->Low), Rate(next->High));
            }
            tip += QStringLiteral(", медиана ") + Rate(next->Median);
            label(tip, QPointF(point.x(), plot.top() + metrics.height()), text);
        }
    }
}

void TRateChart::mouseMoveEvent(QMouseEvent* Event) {
    FPointerX = static_cast<int>(Event->position().x());
    update();
}

void TRateChart::leaveEvent(QEvent*) {
    FPointerX = -1;
    update();
}

void TRateChart::resizeEvent(QResizeEvent*) {
    Relayout();
}

void TRateChart::changeEvent(QEvent* Event) {
    if (Event->type() == QEvent::FontChange) {
        Relayout();
    }
    QWidget::changeEvent(Event);
}
