// The window's side of live rates: the kept feeds shown before the first refresh, and the live panel's and
// the refresh controller's wiring.
#include "ui/UnitMain.h"

#include "engine/FeedCache.h"
#include "engine/ServiceAddress.h"
#include "ui/FeedKeeper.h"
#include "ui/Guarded.h"
#include "ui/LivePanel.h"
#include "ui/OfferGrid.h"
#include "ui/Opener.h"
#include "ui/RefreshController.h"
#include "ui/RoutesView.h"

#include <optional>
#include <string>

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
    const auto nothing = std::make_shared<const std::string>();
    Guarded("the other service's data not cleared", [&] {
        for (const TFeed feed : kAllFeeds) {
            ReplaceFeed(feed, nothing);
        }
        // A rebuild over empty tables leaves the grid as it was; the other service's offers must go.
        DBGridRates->Model().Clear();
        FRoutesView->ShowRoutes(TRoutes{});
    });
    if (!FKeptFeedsRoot.empty()) {
        const std::filesystem::path folder = KeptFeedsFolderFor(FKeptFeedsRoot, FServiceBase);
        SetFeedKeeper(BackgroundFeedKeeper(folder));
        ShowKeptFeeds(folder);
    }
}

bool TFormMain::ShowKeptFeeds(const std::filesystem::path& Folder) {
    if (!FLivePanel->UseSavedFeeds() || Folder.empty()) {
        return false;
    }
    bool shown = false;
    for (const TFeed feed : kAllFeeds) {
        std::string problem;
        std::optional<TKeptFeed> kept = LoadKeptFeed(Folder, FeedName(feed), &problem);
        if (!problem.empty()) {
            qWarning("Kovrin: %s", problem.c_str());
        }
        if (!kept) {
            continue;
        }
        Guarded("kept feed not shown", [&] {
            ReplaceFeed(feed, std::make_shared<const std::string>(std::move(kept->Body)));
            if (feed != TFeed::News) {
                RebuildOffersAfterFeed();
            }
            FRefresher->FeedRestored(feed, WallClockAt(kept->ReceivedAt));
            shown = true;
        });
    }
    FRefresher->ShowStatus();
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
