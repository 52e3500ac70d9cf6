// A keystroke in the amount given, with the demo service's 100,000-row feeds in the window and "Bitcoin BTC"
// -> "Сбербанк RUB" chosen: from the key press to the offer grid rebuilt and re-sorted, the routes through
// other currencies found again and listed, and the window painted. Goal: within 25 ms (median).
//
// The keys are a user's typing "0.25" and deleting it again, one key per iteration, so the grid and the
// routes follow an amount that filters by reserve and one that is gone.
//
// Measured in the same run, as the baseline the machine's load cannot move apart from the figure: the same
// keystrokes with only what runs inside the key press timed (the grid rebuilt and re-sorted), while the
// routes and the paint, which come after the key press, run untimed.

#include "bench/DemoWindow.h"
#include "bench/WindowBenchMain.h"
#include "ui/RoutesView.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <benchmark/benchmark.h>

#include <array>
#include <string>

namespace {

using namespace demo_window;

struct TKey {
    int Code;
    const char* Text;
};
constexpr std::array<TKey, 8> kKeys = {{{Qt::Key_0, "0"},
                                        {Qt::Key_Period, "."},
                                        {Qt::Key_2, "2"},
                                        {Qt::Key_5, "5"},
                                        {Qt::Key_Backspace, ""},
                                        {Qt::Key_Backspace, ""},
                                        {Qt::Key_Backspace, ""},
                                        {Qt::Key_Backspace, ""}}};

// A key pressed and released in Edit, as the platform delivers it.
void Type(QLineEdit& Edit, const TKey& Key) {
    QKeyEvent press(QEvent::KeyPress, Key.Code, Qt::NoModifier, QString::fromLatin1(Key.Text));
    QCoreApplication::sendEvent(&Edit, &press);
    QKeyEvent release(QEvent::KeyRelease, Key.Code, Qt::NoModifier, QString::fromLatin1(Key.Text));
    QCoreApplication::sendEvent(&Edit, &release);
}

// What the key press left for the event loop: the routes, found on a worker, and the paint of everything
// that changed.
void Settle(const TFormMain& Main) {
    QCoreApplication::processEvents();
    while (Main.RoutesPending()) {
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    QCoreApplication::processEvents(); // whatever the routes posted, such as the routes view's paint
}

void Run(benchmark::State& state, bool Whole) {
    TDemoService service;
    if (service.Base().empty()) {
        state.SkipWithError(("the demo service did not start: " + DemoServicePath().string()).c_str());
        return;
    }
    WarmUp(service.Base());
    TProgramRun program(service.Base());
    program.StartDeadline();
    if (!program.Refresh()) {
        state.SkipWithError("the refresh did not fill the grid");
        return;
    }
    Settle(*program.Main);
    QLineEdit& edit = *program.Main->ButtonedEditSrc;
    edit.setFocus();
    edit.clear();
    Settle(*program.Main);
    std::size_t key = 0;
    int routes = 0;
    int offers = 0;
    for (auto _ : state) {
        Type(edit, kKeys[key]);
        if (!Whole) {
            state.PauseTiming();
        }
        Settle(*program.Main);
        if (!Whole) {
            state.ResumeTiming();
        }
        key = (key + 1) % kKeys.size();
        if (key == kKeys.size() / 2) { // "0.25" typed
            routes = program.Main->RoutesView().RouteCount();
            offers = program.Main->DBGridRates->Model().rowCount();
        }
    }
    state.counters["rates_rows"] = static_cast<double>(RatesTable.size());
    state.counters["offers_at_0.25"] = offers;
    state.counters["routes_at_0.25"] = routes;
}

// The whole keystroke: grid, routes and paint.
void BM_AmountKeystrokeGridAndRoutes(benchmark::State& state) {
    Run(state, true);
}
BENCHMARK(BM_AmountKeystrokeGridAndRoutes)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(static_cast<benchmark::IterationCount>(kKeys.size()) * 4)
    ->Repetitions(9)
    ->ReportAggregatesOnly(true);

// The baseline: the key press alone, the grid rebuilt and re-sorted within it.
void BM_AmountKeystrokeGridOnly(benchmark::State& state) {
    Run(state, false);
}
BENCHMARK(BM_AmountKeystrokeGridOnly)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(static_cast<benchmark::IterationCount>(kKeys.size()) * 4)
    ->Repetitions(9)
    ->ReportAggregatesOnly(true);

} // namespace

int main(int argc, char** argv) {
    return RunWindowBenchmarks(argc, argv);
}
