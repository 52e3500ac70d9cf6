// The rate chart: a year of 5-minute points for one pair (105,120) drawn in one frame.
// Goal: the chart of that year painted in under 8 ms (median), the cut to pixel columns included.
//
// With --shot FILE [--dark] [--range 24h|7d|30d|1y] it instead renders the chart panel once into FILE (PNG),
// with two alert levels, for looking at what is drawn (QT_SCALE_FACTOR=2 for scale 2).

#include "bench/HistorySeries.h"
#include "bench/WindowBenchMain.h"
#include "ui/RateChart.h"
#include "ui/RateChartPanel.h"

#include <QApplication>
#include <QImage>
#include <QMouseEvent>
#include <QPainter>
#include <QStyleFactory>

#include <cstring>
#include <string>

namespace {

constexpr std::int64_t kEnd = 1796688000LL * 1000;

void BM_DrawYearChart(benchmark::State& State) {
    TRateChart chart;
    chart.resize(800, 300);
    chart.SetLevels({4010000, 3990000});
    std::vector<TRatePoint> series = BenchYearSeries(kEnd, kBenchYearOfPoints, false);
    QImage image(chart.size() * chart.devicePixelRatio(), QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(chart.devicePixelRatio());
    for (auto _ : State) {
        // A new series each time, as read from the store: the cut to columns is part of what a frame costs,
        // the copy made here for the next round is not.
        State.PauseTiming();
        std::vector<TRatePoint> read = series;
        State.ResumeTiming();
        chart.SetSeries(QStringLiteral("Bitcoin BTC → Сбербанк RUB"), TChartRange::Year, std::move(read),
                        kEnd);
        chart.render(&image);
    }
    State.counters["points"] = static_cast<double>(series.size());
}
BENCHMARK(BM_DrawYearChart)->Unit(benchmark::kMillisecond);

int Shot(int argc, char** argv) {
    QString file;
    bool dark = false;
    TChartRange range = TChartRange::Week;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--shot") == 0 && i + 1 < argc)
            file = QString::fromLocal8Bit(argv[++i]);
        else if (std::strcmp(argv[i], "--dark") == 0)
            dark = true;
        else if (std::strcmp(argv[i], "--range") == 0 && i + 1 < argc)
            range = RangeNamed(argv[++i]).value_or(range);
    }
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    if (dark) {
        QPalette palette;
        palette.setColor(QPalette::Window, QColor(0x2b, 0x2b, 0x2b));
        palette.setColor(QPalette::Base, QColor(0x1e, 0x1e, 0x1e));
        palette.setColor(QPalette::Text, QColor(0xe8, 0xe8, 0xe8));
        palette.setColor(QPalette::WindowText, QColor(0xe8, 0xe8, 0xe8));
        palette.setColor(QPalette::Button, QColor(0x35, 0x35, 0x35));
        palette.setColor(QPalette::ButtonText, QColor(0xe8, 0xe8, 0xe8));
        QApplication::setPalette(palette);
    }
    TRateChartPanel panel;
    panel.resize(720, 260);
    panel.SetRange(range);
    panel.Chart()->SetLevels({4010000, 3985000});
    panel.Chart()->SetSeries(QStringLiteral("Bitcoin BTC → Сбербанк RUB"), range,
                             BenchYearSeries(kEnd, kBenchYearOfPoints, true), kEnd);
    panel.show();
    QApplication::processEvents();
    // A pointer in the middle shows the crosshair.
    QMouseEvent move(QEvent::MouseMove, QPointF(panel.Chart()->width() * 0.6, 60), QPointF(), Qt::NoButton,
                     Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(panel.Chart(), &move);
    return panel.grab().save(file) ? 0 : 1;
}

} // namespace

int main(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--shot") == 0) {
            setenv("QT_QPA_PLATFORM", "offscreen", 0);
            QApplication app(argc, argv);
            return Shot(argc, argv);
        }
    }
    return RunWindowBenchmarks(argc, argv);
}
