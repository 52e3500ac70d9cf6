#include "ui/HistoryPart.h"

#include "engine/DesignScale.h"
#include "engine/ServiceAddress.h"
#include "globals/Globals.h"
#include "history/ChartSettings.h"
#include "history/HistoryRecorder.h"
#include "ui/Guarded.h"
#include "ui/LivePanel.h"
#include "ui/RateChart.h"
#include "ui/RateChartPanel.h"
#include "ui/RoutesView.h"
#include "ui/UnitMain.h"

#include <QAbstractButton>
#include <QDateTime>
#include <QPointer>
#include <QToolButton>

namespace {

std::int64_t NowMs() {
    return QDateTime::currentMSecsSinceEpoch();
}

} // namespace

THistoryPart::THistoryPart(TFormMain& Main)
    : QObject(&Main), FMain(Main), FToggle(new QToolButton(Main.PanelGo)), FPanel(new TRateChartPanel) {
    FToggle->setObjectName(QStringLiteral("ButtonChart"));
    FToggle->setText(QStringLiteral("&График"));
    FToggle->setCheckable(true);
    FToggle->setToolTip(QStringLiteral("Показать график лучшего курса под таблицей"));
    FToggle->setAccessibleName(QStringLiteral("График курса"));
    FToggle->setFocusPolicy(Qt::StrongFocus);
    // Beside the Exchange button, as wide as it; the gap grows with the text as the buttons do.
    const QRect exchange = Main.BitBtnExchange->geometry();
    const int gap = ScaledPixels(9, DesignScaleForDpi(Main.logicalDpiY()));
    FToggle->setGeometry(exchange.right() + gap, exchange.top(), exchange.width(), exchange.height());
    QWidget::setTabOrder(Main.BitBtnExchange, FToggle);
    QWidget::setTabOrder(FToggle, Main.BitBtnRefresh);

    FPanel->setObjectName(QStringLiteral("PanelChart"));
    FPanel->hide();
    Main.AddUnderGrid(FPanel);
    // Tab reaches the range buttons where the panel lies: after the routes, before the buttons under it all.
    QWidget* previous = Main.RoutesView().focusProxy();
    for (QAbstractButton* range : FPanel->RangeButtons()) {
        QWidget::setTabOrder(previous, range);
        previous = range;
    }
    QWidget::setTabOrder(previous, Main.BitBtnExchange);

    connect(FToggle, &QToolButton::toggled, this, [this](bool Shown) {
        ToggleChart(Shown);
        Guarded("Chart/Shown not stored", [&] { WriteChartShown(ConfigDoc, Shown); });
    });
    connect(FPanel, &TRateChartPanel::RangeChosen, this, [this](TChartRange Range) {
        Guarded("Chart/Range not stored", [&] { WriteChartRange(ConfigDoc, Range); });
        Reload();
    });
    for (QComboBox* combo : {Main.ComboBoxSrc, Main.ComboBoxDst}) {
        // A user's pick is remembered for the followed pairs; any change of the pair redraws the chart.
        connect(combo, &QComboBox::activated, this, [this] {
            if (const std::optional<THistoryPair> pair = CurrentPair(); pair && FRecorder) {
                FRecorder->PostChosen(CurrentService(), *pair, NowMs());
            }
        });
        // The index, not the text: typing a filter into the list changes no pair.
        connect(combo, &QComboBox::currentIndexChanged, this, [this] { Reload(); });
    }
    // The levels follow the alert list at once; the points stay as read.
    connect(&Main.LivePanel(), &TLivePanel::AlertsChanged, this, [this] {
        if (!FPanel->isHidden()) {
            Guarded("alert levels not shown", [&] { FPanel->Chart()->SetLevels(LevelsOf(CurrentPair())); });
        }
    });
    // The swap exchanges the lists silently; the chart follows once it is done.
    connect(
        Main.SpeedButtonSwap, &QToolButton::clicked, this, [this] { Reload(); }, Qt::QueuedConnection);
}

THistoryPart::~THistoryPart() = default;

void THistoryPart::SetHistoryFile(const std::filesystem::path& File) {
    Guarded("no rate history", [&] {
        FRecorder.reset();
        FReader.reset();
        FFile = File;
        if (!File.empty()) {
            FRecorder = std::make_unique<THistoryRecorder>(File);
        }
        Reload();
    });
}

void THistoryPart::Restore() {
    Guarded("chart settings not read", [&] {
        FPanel->SetRange(ReadChartRange(ConfigDoc));
        const QSignalBlocker silent(FToggle);
        FToggle->setChecked(ReadChartShown(ConfigDoc));
        ToggleChart(FToggle->isChecked());
    });
}

std::string THistoryPart::CurrentService() const {
    return ServiceKey(FMain.ServiceBaseUrl());
}

void THistoryPart::CurrenciesListed() {
    Reload();
}

void THistoryPart::ServiceChanged() {
    Reload();
}

std::optional<THistoryPair> THistoryPart::CurrentPair() const {
    const TOfferControls controls = FMain.OfferControls();
    if (!controls.SrcName || !controls.DstName || controls.SrcName->empty() || controls.DstName->empty()) {
        return std::nullopt;
    }
    return THistoryPair{*controls.SrcName, *controls.DstName, {}, {}};
}

void THistoryPart::RatesSettled() {
    if (!FRecorder) {
        return;
    }
    Guarded("rates not recorded", [&] {
        const int minutes = FMain.LivePanel().AutoRefreshMinutes();
        // The window hears of the recording on its own thread, and only while it is there.
        QPointer<THistoryPart> self(this);
        FRecorder->PostRefresh(CurrentService(), RatesTable, NamesTable, ExchangersTable, CurrentPair(),
                               FMain.LivePanel().RateAlerts(), NowMs(), minutes * 60LL * 1000,
                               [self](bool Written) {
                                   if (Written) {
                                       QMetaObject::invokeMethod(
                                           self,
                                           [self] {
                                               if (self)
                                                   self->Reload();
                                           },
                                           Qt::QueuedConnection);
                                   }
                               });
    });
}

void THistoryPart::ToggleChart(bool Shown) {
    FPanel->setVisible(Shown);
    Reload();
    // Once the widgets have heard of it: a window too small for the chart grows rather than squeeze it.
    QMetaObject::invokeMethod(&FMain, &TFormMain::FitContents, Qt::QueuedConnection);
}

void THistoryPart::Reload() {
    if (FPanel->isHidden()) {
        return;
    }
    Guarded("chart not read", [&] {
        const std::optional<THistoryPair> pair = CurrentPair();
        const TChartRange range = FPanel->Range();
        const std::int64_t now = NowMs();
        std::vector<TRatePoint> points;
        if (pair && !FFile.empty()) {
            if (!FReader) {
                // Why it cannot be opened goes to stderr as always, and to the chart, which would otherwise
                // say that nothing was recorded.
                std::string problem;
                FReader = THistoryStore::Open(FFile, [&problem](const std::string& Line) {
                    HistoryProblemToStderr(Line);
                    problem = Line;
                });
                FPanel->Chart()->SetUnavailable(FReader ? QString() : QString::fromStdString(problem));
            }
            if (FReader) {
                FReader->SetService(CurrentService());
                points = FReader->Read(*pair, now - RangeMs(range), false);
            }
        }
        const QString name = pair ? QString::fromStdString(pair->Give + " → " + pair->Get) : QString();
        FPanel->Chart()->SetLevels(LevelsOf(pair));
        FPanel->Chart()->SetSeries(name, range, std::move(points), now);
    });
}

std::vector<double> THistoryPart::LevelsOf(const std::optional<THistoryPair>& Pair) const {
    return Pair ? AlertLevelsFor(FMain.LivePanel().RateAlerts(), Pair->Give, Pair->Get)
                : std::vector<double>();
}
