#pragma once
// The chart of a pair's best rate over a span of time: the best rate as a line (each pixel column stroked
// from its lowest to its highest rate, so no spike is lost), the median as a second, lighter line, the pair's
// alert levels as dashed horizontal lines, the latest value labelled, and a crosshair with the time and value
// under the pointer. Where no point was recorded (Kovrin was not running) the line breaks.

#include "history/Decimate.h"
#include "history/HistoryRange.h"

#include <QWidget>

#include <array>
#include <cstdint>
#include <vector>

class TRateChart final : public QWidget {
    Q_OBJECT

  public:
    explicit TRateChart(QWidget* Parent = nullptr);

    // Shows Points (oldest first) of the pair PairName over the Range that ends at NowMs.
    void SetSeries(const QString& PairName, TChartRange Range, std::vector<TRatePoint> Points,
                   std::int64_t NowMs);
    // The alert levels drawn across the chart.
    void SetLevels(std::vector<double> Levels);
    const std::vector<double>& Levels() const { return FLevels; }
    // Why the history cannot be read (empty when it can): said where the chart would say nothing was
    // recorded.
    void SetUnavailable(const QString& Why);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

  protected:
    void paintEvent(QPaintEvent* Event) override;
    void mouseMoveEvent(QMouseEvent* Event) override;
    void leaveEvent(QEvent* Event) override;
    void resizeEvent(QResizeEvent* Event) override;
    void changeEvent(QEvent* Event) override;

  private:
    // The area the series is drawn in, inside the axis labels.
    QRect PlotRect() const;
    // Cuts the series to the plot's columns and finds the value axis; after a new series, levels or size.
    void Relayout();
    void UpdateAccessibleText();
    double YOf(double Value, const QRect& Plot) const;
    int XOf(std::int64_t TimeMs, const QRect& Plot) const;
    // A point's moment in full, for the crosshair and the description.
    QString TimeText(std::int64_t TimeMs) const;
    // The time axis's labels: its start, middle and end.
    std::array<QString, 3> AxisTimeTexts() const;

    QString FPair;
    QString FUnavailable;
    TChartRange FRange = TChartRange::Day;
    std::vector<TRatePoint> FPoints;
    std::vector<double> FLevels;
    std::int64_t FFromMs = 0;
    std::int64_t FToMs = 1;
    std::vector<TChartColumn> FColumns;
    double FLow = 0;
    double FHigh = 1;
    int FPointerX = -1; // the crosshair's column; -1: none
};
