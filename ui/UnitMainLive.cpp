// The window's side of live rates: the kept feeds shown before the first refresh, and the live panel's and
// the refresh controller's wiring.
#include "ui/UnitMain.h"

#include "engine/FeedCache.h"
#include "engine/ServiceAddress.h"
#include "globals/Globals.h"
#include "ui/FeedKeeper.h"
#include "ui/Guarded.h"
#include "ui/HistoryPart.h"
#include "ui/LivePanel.h"
#include "ui/OfferGrid.h"
#include "ui/Opener.h"
#include "ui/RefreshController.h"
#include "ui/RoutesSearch.h"
#include "ui/RoutesView.h"

#include <QPointer>

#include <array>
#include <exception>
#include <optional>
#include <string>
#include <vector>

void TFormMain::ConnectParts() {
    connect(FLivePanel, &TLivePanel::AutoRefreshMinutesChanged, this,
            [this](int Minutes) { FRefresher->SetAutoRefreshMinutes(Minutes); });
    connect(FLivePanel, &TLivePanel::NoticeUnshown, this,
            [this](const QString& Text) { FRefresher->AlertNoticed(Text.toStdString()); });
    connect(FLivePanel, &TLivePanel::AlertPairActivated, this, &TFormMain::ShowAlertPair);
    // A leg opens its exchanger's page as "Обменять" opens an offer's.
    connect(FRoutesView, &TRoutesView::LegOpened, this, [this](std::int32_t EID) {
        OpenUrl(QString::fromStdString(ExchangerPageUrl(FServiceBase, EID)));
    });
    connect(FLivePanel, &TLivePanel::ServiceBaseChanged, this,
            [this](const std::string& Base) { FNextServiceBase = Base; });
}

void TFormMain::TakeNextServiceBase() {
    if (FNextServiceBase == FServiceBase) {
        return;
    }
    FServiceBase = FNextServiceBase;
    FRefresher->ServiceChanged();
    // The new service's kept feeds may show again until its fresh answers come.
    FFreshFeeds.fill(false);
    Guarded("the other service's data not cleared", [&] {
        for (const TFeed feed : kAllFeeds) {
            TFeedAnswer nothing;
            InstallFeed(feed, nothing);
        }
        // A rebuild over empty tables leaves the grid as it was; the other service's offers must go, and the
        // grid says why it is empty.
        DBGridRates->Model().Clear();
        FRoutesSearch->Clear();
        DBGridRates->SetEmptyText(QString::fromStdString(
            EmptyOffersHint(RatesTable, NamesTable, ExchangersTable, OfferControls())));
    });
    if (!FKeptFeedsRoot.empty()) {
        const std::filesystem::path folder = KeptFeedsFolderFor(FKeptFeedsRoot, FServiceBase);
        SetFeedKeeper(BackgroundFeedKeeper(folder));
        ShowKeptFeeds(folder);
    }
    // The rate history is kept per service too.
    if (FHistory != nullptr) {
        FHistory->ServiceChanged();
    }
}

// The kept feeds, read and cut as a refresh's answers would be; made on a worker.
struct TKeptAnswers {
    std::array<std::optional<TFeedAnswer>, kFeedCount> Answers;
    std::array<std::int64_t, kFeedCount> ReceivedAt{};
    std::vector<std::string> Problems;
};

namespace {

void ReadKeptFeeds(const std::filesystem::path& Folder, TKeptAnswers& Kept) {
    for (const TFeed feed : kAllFeeds) {
        std::string problem;
        std::optional<TKeptFeed> kept = LoadKeptFeed(Folder, FeedName(feed), &problem);
        if (!problem.empty()) {
            Kept.Problems.push_back(std::move(problem));
        }
        if (!kept) {
            continue;
        }
        TOData output;
        output.ResultCode = 200;
        output.Body = std::move(kept->Body);
        TFeedAnswer answer = PrepareFeed(feed, std::move(output));
        const auto at = static_cast<std::size_t>(feed);
        if (!answer.Usable()) {
            // Never written by this program (it keeps only what it showed), so an older bound or a hand.
            Kept.Problems.push_back("kept feed \"" + std::string(FeedName(feed)) + "\" is beyond its bound");
            continue;
        }
        Kept.Answers[at] = std::move(answer);
        Kept.ReceivedAt[at] = kept->ReceivedAt;
    }
}

} // namespace

bool TFormMain::ShowKeptFeeds(const std::filesystem::path& Folder) {
    if (!FLivePanel->UseSavedFeeds() || Folder.empty()) {
        return false;
    }
    auto kept = std::make_shared<TKeptAnswers>();
    if (JobControl) {
        // Read and cut off the GUI thread: a large kept feed must not hold the window before it is painted.
        QPointer<TFormMain> window(this);
        try {
            JobControl->AddJob([kept, Folder] { ReadKeptFeeds(Folder, *kept); },
                               [window, kept] {
                                   if (window) {
                                       window->InstallKeptFeeds(*kept);
                                   }
                               });
            return true;
        } catch (const std::exception& error) {
            qWarning("Kovrin: %s; the kept feeds are read at once", error.what());
        }
    }
    ReadKeptFeeds(Folder, *kept);
    return InstallKeptFeeds(*kept);
}

bool TFormMain::InstallKeptFeeds(TKeptAnswers& Kept) {
    for (const std::string& problem : Kept.Problems) {
        qWarning("Kovrin: %s", problem.c_str());
    }
    bool shown = false;
    for (const TFeed feed : kAllFeeds) {
        const auto at = static_cast<std::size_t>(feed);
        // A fresh answer that arrived first is newer than anything kept.
        if (!Kept.Answers[at] || FFreshFeeds[at]) {
            continue;
        }
        Guarded("kept feed not shown", [&] {
            InstallFeed(feed, *Kept.Answers[at]);
            if (feed != TFeed::News) {
                RebuildOffersAfterFeed();
            }
            FRefresher->FeedRestored(feed, WallClockAt(Kept.ReceivedAt[at]));
            shown = true;
        });
    }
    FRefresher->ShowStatus();
    if (shown) {
        FLivePanel->ShowAlertStandings();
    }
    return shown;
}

void TFormMain::ShowAlertPair(const QString& Give, const QString& Get) {
    if (isMinimized()) {
        showNormal();
    } else {
        show();
    }
    raise();
    activateWindow();
    PageControl->setCurrentWidget(TabSheetRates);
    for (QComboBox* combo : {ComboBoxSrc, ComboBoxDst}) {
        const int item = combo->findText(combo == ComboBoxSrc ? Give : Get, Qt::MatchExactly);
        if (item >= 0 && item != combo->currentIndex()) {
            combo->setCurrentIndex(item);
            // As if the user had picked it: stored and the offers rebuilt.
            ButtonedEditSrcChange(combo);
        }
    }
}
