#pragma once
// The main window: news, exchange rates, settings and manual tabs, the status bar and the one-second timer of
// the refresh cycle. FormCreate restores its state from the settings document, FormClose writes it back.

#include "engine/FeedAnswer.h"
#include "engine/Offers.h"
#include "engine/Protocol.h"
#include "engine/RefreshState.h"
#include "engine/RefreshStatus.h"
#include "engine/WindowPlacement.h"
#include "net/TCP.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMainWindow>
#include <QPushButton>
#include <QStatusBar>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>
#include <QWidget>

#include <QItemSelection>

#include <array>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class QShortcut;
class QSplitter;
class QVBoxLayout;
class TDBGridRates;
class THistoryPart;
struct TKeptAnswers;
class TLivePanel;
class TNewsView;
class TRefreshController;
class TRoutesSearch;
class TRichEditURL;
class TRoutesView;

class TFormMain final : public QMainWindow {
    Q_OBJECT
  public:
    // Client size at design.
    static constexpr int kClientWidth = 560;
    static constexpr int kClientHeight = 343;
    // The smallest outer size (frame included) the user can drag the window to.
    static constexpr int kMinOuterWidth = 568;
    static constexpr int kMinOuterHeight = 347;
    // Tab indices, counting visible tabs only.
    enum TTab { tabNews = 0, tabRates = 1, tabSettings = 2, tabManual = 3, kVisibleTabCount = 4 };

    // Builds every control and runs FormCreate, which reads ConfigDoc. A restoring error is shown in the
    // error box (ui/ErrorBox.h) and the window still opens. Never throws.
    explicit TFormMain(QWidget* Parent = nullptr);
    ~TFormMain() override;

    QTabWidget* PageControl = nullptr;
    QWidget* TabSheetNews = nullptr;
    QWidget* TabSheetRates = nullptr;
    QWidget* TabSheetSettings = nullptr;
    QWidget* TabSheetManual = nullptr;
    QWidget* TabSheetInformer = nullptr;

    TNewsView* EditNews = nullptr;

    QWidget* PanelControls = nullptr;
    QLineEdit* ButtonedEditSrc = nullptr;
    QComboBox* ComboBoxSrc = nullptr;
    QToolButton* SpeedButtonSwap = nullptr;
    QLineEdit* ButtonedEditDst = nullptr;
    QComboBox* ComboBoxDst = nullptr;
    TDBGridRates* DBGridRates = nullptr;
    QWidget* PanelGo = nullptr;
    QPushButton* BitBtnExchange = nullptr;
    QPushButton* BitBtnRefresh = nullptr;

    QLabel* LabelHide = nullptr;
    QListWidget* ListBoxHide = nullptr;

    TRichEditURL* RichEditURLHelp = nullptr;

    QStatusBar* StatusBar = nullptr;
    QTimer* Timer = nullptr;

    // Index of the selected tab among the visible tabs (0..3).
    int ActiveTab() const;
    // Selects the visible tab Index; any other value leaves the active page unchanged. True when it was
    // valid.
    bool SetActiveTab(int Index);

    // Restores placement, tab and amounts from ConfigDoc and loads the manual; stops at the first error and
    // shows it. Run once by the constructor. Never throws.
    void FormCreate();
    // Writes placement, tab, amounts, chosen currencies and hide flags into ConfigDoc. A key that cannot be
    // written is skipped (reported on stderr) so that the others are still written. Never throws.
    void FormClose();

    // Scheme and host the feed requests and exchanger pages use: ServiceBase unless set otherwise.
    const std::string& ServiceBaseUrl() const { return FServiceBase; }
    // Points the next requests and exchanger pages at Base (no trailing slash).
    void SetServiceBaseUrl(std::string Base) {
        FServiceBase = Base;
        FNextServiceBase = std::move(Base);
    }
    // The kept feeds of each service live below Root (KeptFeedsFolderFor): when the service address changes,
    // the next refresh keeps its feeds there and first shows what that service's folder holds.
    void SetKeptFeedsRoot(std::filesystem::path Root) { FKeptFeedsRoot = std::move(Root); }
    // Longest single wait of the next feed requests, ms (30000 unless set otherwise); for tests that play a
    // silent or trickling service without waiting half a minute per feed.
    void SetFeedTimeout(std::int32_t Milliseconds) { FFeedTimeout = Milliseconds; }

    // A feed answered with a whole 200, to be kept for the next start: its name, its body, when it came.
    struct TFeedToKeep {
        std::string Feed;
        std::shared_ptr<const std::string> Body;
        std::int64_t ReceivedAt = 0;
    };
    // Where a refresh's feeds are kept, all at once when it is over (so that writing them takes no core from
    // the refresh); none unless set.
    using TFeedKeeper = std::function<void(std::vector<TFeedToKeep> Feeds)>;
    // Feeds still to keep go to the keeper before now first.
    void SetFeedKeeper(TFeedKeeper Keeper);
    // Before the first refresh: unless the live panel says otherwise, the feeds kept in Folder are installed
    // as fresh ones would be (tables, lists, the saved pair, the grid), without the loader, and the status
    // line says how old the rates are. With a job runner they are read and cut on a worker and installed when
    // that ends, except a feed a fresh answer has replaced by then; true when they are being read. Without
    // one, at once; true when any was shown. A damaged, unreadable or oversized kept feed is left out
    // (reported on stderr). Never throws.
    bool ShowKeptFeeds(const std::filesystem::path& Folder);
    // Switches to the service address set on the settings tab, if it is another: what another service sent is
    // no longer shown, and that service's kept feeds are, when there are any.
    void TakeNextServiceBase();

    // The parts beside the form itself, owned by the window.
    // The live options and rate alerts on the settings tab.
    TLivePanel& LivePanel() const { return *FLivePanel; }
    // The automatic refresh, the Refresh button's cooldown and the status line.
    TRefreshController& Refresher() const { return *FRefresher; }
    // The routes through another currency, under the grid.
    TRoutesView& RoutesView() const { return *FRoutesView; }
    // Routes asked for and not yet listed: they are found on a worker after the grid is filled.
    bool RoutesPending() const;
    // The rate history: recording after each refresh and the chart under the grid.
    THistoryPart& History() const { return *FHistory; }
    // Room for further parts. Each takes ownership of Part:
    // a line between the currency controls and the grid (e.g. how fresh the rates are);
    void AddAboveGrid(QWidget* Part);
    // a view under the grid, sharing its height through a splitter (e.g. a chart); hide Part to toggle it;
    void AddUnderGrid(QWidget* Part);
    // A part was opened or closed: the least size is found again from the layout, and a window now too small
    // to show its contents grows to it, staying on its screen (GrownToFit). Never throws.
    void FitContents();
    // a view beside the grid, sharing its width through a splitter; hide Part to toggle it;
    void AddBesideGrid(QWidget* Part);
    // a group on the settings tab, under the live options (e.g. the service's address);
    void AddSettingsPart(QWidget* Part);
    // a page of its own, after the visible tabs (its tab index follows theirs). The page's index.
    int AddPage(QWidget* Page, const QIcon& Icon, const QString& Caption);

    // A notification was activated: the window comes up on the rates tab with the pair Give -> Get chosen
    // (as a user's pick) where both are in the lists.
    void ShowAlertPair(const QString& Give, const QString& Get);

    // What a feed's completion is given: the response record of its own request, to keep what it wants of it.
    using TFeedCompletion = std::function<void(TOData Output)>;
    // Submits the request of Feed ("news", "rates", "names" or "exchangers") to JobControl; Completion runs
    // on the UI thread once the exchange has ended, unless the window is gone by then. The records belong to
    // the job and are freed after the completion (or with the job runner, should it never complete). Throws
    // what AddJob throws (no thread could be made).
    void RequestFeed(std::string_view Feed, TFeedCompletion Completion);
    // The same for the window's own completion of Feed: the answer is decoded and cut on the job's worker
    // (within the feed's bound), and the completion installs it. Throws as above.
    void RequestFeed(TFeed Feed);

    // The feed completions: each replaces its table (or the news text), steps the loader and, for the data
    // feeds, rebuilds the offers, and tells the status line. A feed whose exchange failed (anything but a
    // whole 200 answer) replaces nothing and rebuilds nothing; it still steps the loader. Report any error on
    // stderr; never throw.
    void NewsReceived(TOData Output);
    void RatesReceived(TOData Output);
    void NamesReceived(TOData Output);
    void ExchangersReceived(TOData Output);

    // What the rates tab's currency lists and amount fields hold now (a list without selection gives
    // nullopt).
    TOfferControls OfferControls() const;
    // Recomputes the offer grid from the feed tables and the rates tab's controls (see ui/RebuildOffers.h),
    // and the routes view with it. Never throws beyond allocation.
    void RebuildOffers();
    // The same after a feed: keeps the user's or the amounts' order (see ui/RebuildOffers.h).
    void RebuildOffersAfterFeed();

  signals:
    // The window has been closed (after FormClose); the program ends on it.
    void Closed();

  public slots:
    // The refresh cycle's tick, every second.
    void TimerTimer();
    // Starts a refresh.
    void BitBtnRefreshClick();
    // Gives up the refresh under way (the loader's "Отмена", or Esc while the loader shows): the feeds not
    // yet in count as not received, their late answers replace nothing, and the status line says so. The
    // cooldown of Refresh runs on as after a failed refresh. Nothing when no refresh runs.
    void CancelRefresh();
    // A change of an amount field (text) or a currency list (a user's pick); Sender tells which.
    void ButtonedEditSrcChange(QObject* Sender);
    // Swaps amounts and currencies.
    void SpeedButtonSwapClick();
    // Opens the current offer's exchanger page (also on a double-click in the grid).
    void BitBtnExchangeClick();
    // A link clicked in the manual: opened with the desktop's opener.
    void RichEditURLHelpURLClick(QObject* Sender, const QString& URL);

  protected:
    void closeEvent(QCloseEvent* Event) override;
    void showEvent(QShowEvent* Event) override;
    void moveEvent(QMoveEvent* Event) override;
    void resizeEvent(QResizeEvent* Event) override;
    bool eventFilter(QObject* Watched, QEvent* Event) override;
    void changeEvent(QEvent* Event) override;

  private:
    // Stores Combo's chosen currency as the saved choice of its side; false (nothing stored) while it has no
    // choice.
    bool StoreChosenCurrency(const QComboBox& Combo);
    // After a swap: stores Combo's chosen currency, or without a choice the currency stored for the other
    // side before the swap (OtherStored), or removes its key when that side had none stored either.
    void StoreSwappedCurrency(const QComboBox& Combo, const std::optional<std::string>& OtherStored);
    // The fields' placeholders in a colour that reads on the theme's field colour (see PlaceholderColour).
    void ApplyPlaceholderColour();
    void BuildNewsPage();
    void BuildRatesPage();
    void BuildSettingsPage();
    void BuildManualPage();
    void ConnectHandlers();
    void ConnectKeyboard();
    void ApplyFrameExtents();
    // A design measure in pixels, grown with the text where it is drawn larger than designed
    // (engine/DesignScale.h).
    int Px(int DesignPixels) const;
    // The least outer size the window takes: the design minimum grown with the text, or what its layout
    // needs, whichever is larger, within the available area of its screen (Frame: the frame's thickness).
    QSize LeastOuterSize(QSize Frame) const;
    // Moves and, if need be, shrinks the restored outer frame (the parts of it that were read) onto an
    // available screen area.
    void ApplyPlacement(std::optional<int> X, std::optional<int> Y, std::optional<int> Width,
                        std::optional<int> Height);
    // One completion: Feed's answer replaces what is shown unless its exchange failed or it was refused;
    // the loader steps, the offers are rebuilt, a usable body is kept, the status line tells, and the alerts
    // are checked once the refresh is complete.
    void FeedReceived(TFeed Feed, TFeedAnswer Answer);
    // What follows once no feed of the refresh is awaited any more: the feeds are kept, the alerts and the
    // history are due.
    void RefreshSettled();
    void KeepReceivedFeeds();
    // Puts a usable answer of Feed on screen (table, lists or news); the number of records.
    std::size_t InstallFeed(TFeed Feed, TFeedAnswer& Answer);
    // Installs the kept feeds read by ShowKeptFeeds; true when any was shown.
    bool InstallKeptFeeds(TKeptAnswers& Kept);
    void ConnectParts();
    // Starts a refresh for Trigger: a user's click and the timer's refreshes run the same steps.
    void Refresh(TRefreshTrigger Trigger);
    // Recomputes the routes view for the controls, passing through no currency the hide list holds; nothing
    // when a rebuild of the offers would do nothing.
    void RebuildRoutes();
    // RebuildRoutes at the next turn of the event loop, once however often it is asked for before.
    void ScheduleRoutes();
    // ScheduleRoutes for the routes a feed's arrival held back, once no data feed is awaited.
    void ReleaseHeldRoutes();
    // The user toggled hide-list items: their flags go into the settings document at once.
    void ListBoxHideToggled(const QItemSelection& Selected, const QItemSelection& Deselected);

    // Outer size asked for by FormCreate, re-applied whenever the frame's thickness becomes known; -1 where
    // no size was restored.
    QSize FWantedOuterSize{-1, -1};
    // The stored frame and where it was placed, when it had to be moved or shrunk onto the screen.
    std::optional<TFramePlaced> FPlacedToFit;
    QSize FFrameExtents{-1, -1};
    // How much larger than designed the text is drawn, from 1 (engine/DesignScale.h); read once, at creation.
    double FDesignScale = 1.0;

    // Fills the three currency lists from NamesTable and selects the saved pair, all without change events.
    void FillCurrencyLists();
    // Selects in Combo the first item equal (letters of either case) to the stored name under Key; no
    // selection when there is none.
    void SelectSavedCurrency(QComboBox& Combo, const std::string& Key);

    std::string FServiceBase;
    std::string FNextServiceBase; // as set on the settings tab: becomes FServiceBase at the next refresh
    std::filesystem::path FKeptFeedsRoot;
    std::int32_t FFeedTimeout = kFeedTimeout;
    // True while the names feed refills the lists: those selections are the stored flags, not the user's.
    bool FFillingLists = false;
    TFeedKeeper FFeedKeeper;
    // The feeds of the refresh under way that are to be kept once it is over.
    std::vector<TFeedToKeep> FFeedsToKeep;
    // The feeds a fresh answer has replaced (in kAllFeeds order): a kept one arriving later stays out.
    std::array<bool, kFeedCount> FFreshFeeds{};
    // The rates rows of the chosen pair, for the rebuilds over one rates table.
    TQuoteRows FQuoteRows;
    TLivePanel* FLivePanel = nullptr;
    TRefreshController* FRefresher = nullptr;
    TRoutesView* FRoutesView = nullptr;
    TRoutesSearch* FRoutesSearch = nullptr;
    bool FRoutesDue = false;
    bool FRoutesHeld = false; // a feed's routes wait for the refresh's other data feeds
    THistoryPart* FHistory = nullptr;
    // The rates feed was replaced in the refresh under way: its points are recorded once it is complete.
    bool FHistoryDue = false;
    // Esc gives up a refresh while the loader shows it.
    QShortcut* FCancelShortcut = nullptr;
    // The grid's area: the grid, and the parts under and beside it.
    QSplitter* FGridColumn = nullptr;
    QSplitter* FGridRow = nullptr;
    QVBoxLayout* FRatesLayout = nullptr;
    QVBoxLayout* FSettingsColumn = nullptr;
    QWidget* FSettingsSide = nullptr;
};

// True when the hide flag of the currency Code is stored and reads as true. A flag that is missing, empty,
// not a boolean, or unreadable counts as not hidden. Never throws.
bool IsCurrencyHidden(const std::string& Code);

// The program's one TFormMain, set by the start sequence (null before it and after the stop sequence).
extern TFormMain* FormMain;
