#pragma once
// The main window: news, exchange rates, settings and manual tabs, the status bar and the one-second timer of
// the refresh cycle. FormCreate restores its state from the settings document, FormClose writes it back.

#include "engine/FeedCache.h"
#include "engine/Offers.h"
#include "engine/Protocol.h"
#include "engine/RateAlerts.h"
#include "engine/RefreshState.h"
#include "engine/RefreshStatus.h"
#include "net/TCP.h"

#include <QCheckBox>
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

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

class TDBGridRates;
class TNewsView;
class TNotifier;
class TRichEditURL;
struct TNotice;

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
    // Live rates, beside the hide list: kept feeds at start, automatic refresh, rate alerts.
    QWidget* PanelLive = nullptr;
    QCheckBox* CheckBoxUseSaved = nullptr;
    QComboBox* ComboBoxAutoRefresh = nullptr;
    QListWidget* ListBoxAlerts = nullptr;
    QComboBox* ComboBoxAlertSrc = nullptr;
    QLineEdit* EditAlertLevel = nullptr;
    QComboBox* ComboBoxAlertDst = nullptr;
    QPushButton* ButtonAlertAdd = nullptr;
    QPushButton* ButtonAlertRemove = nullptr;

    TRichEditURL* RichEditURLHelp = nullptr;

    QStatusBar* StatusBar = nullptr;
    // The status bar's one line about the data shown (its text is the label's accessible name).
    QLabel* LabelStatus = nullptr;
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
    // Points the next requests and exchanger pages at Base (no trailing slash); for tests and benchmarks.
    void SetServiceBaseUrl(std::string Base) { FServiceBase = std::move(Base); }
    // Longest single wait of the next feed requests, ms (30000 unless set otherwise); for tests that play a
    // silent or trickling service without waiting half a minute per feed.
    void SetFeedTimeout(std::int32_t Milliseconds) { FFeedTimeout = Milliseconds; }
    // The automatic first refresh and the Refresh button's cooldown.
    const TRefreshState& RefreshState() const { return FRefresh; }
    // What the status line says about the data shown.
    const TRefreshStatus& RefreshStatus() const { return FStatus; }
    // The clock the status line reads (the local time unless set otherwise); for tests.
    void SetClock(std::function<TWallClock()> Clock) { FClock = std::move(Clock); }

    // Where a feed answered with a whole 200 is kept for the next start (Feed, its body); none unless set.
    using TFeedKeeper = std::function<void(std::string_view Feed, std::shared_ptr<const std::string> Body)>;
    void SetFeedKeeper(TFeedKeeper Keeper) { FFeedKeeper = std::move(Keeper); }
    // Before the first refresh: unless "Показывать сохранённые курсы при запуске" is off, the feeds kept in
    // Folder go through the completions as fresh ones would (tables, lists, the saved pair, the grid),
    // without the loader, and the status line says how old the rates are. A damaged or unreadable kept feed
    // is left out (reported on stderr). True when any was shown. Never throws.
    bool ShowKeptFeeds(const std::filesystem::path& Folder);

    // The rate alerts as the settings tab lists them.
    const std::vector<TRateAlert>& RateAlerts() const { return FAlerts; }
    // Replaces the alerts (the list and the settings document follow).
    void SetRateAlerts(std::vector<TRateAlert> Alerts);
    // Checks the alerts against the feed tables and notifies for each that fired. Run after every refresh in
    // which the rates feed answered, shown or hidden. Never throws.
    void CheckRateAlerts();
    // The ways notifications are shown, tried in order; what none can show goes to the status line.
    TNotifier& Notifier() const { return *FNotifier; }
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
    // Recomputes the offer grid from the feed tables and the rates tab's controls (see ui/RebuildOffers.h).
    // Never throws beyond allocation.
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

  private:
    void BuildNewsPage();
    void BuildRatesPage();
    void BuildSettingsPage();
    void BuildManualPage();
    void ConnectHandlers();
    void ConnectKeyboard();
    void ApplyFrameExtents();
    // Moves and, if need be, shrinks the restored outer frame (the parts of it that were read) onto an
    // available screen area.
    void ApplyPlacement(std::optional<int> X, std::optional<int> Y, std::optional<int> Width,
                        std::optional<int> Height);
    // Shows the status model's line.
    void ShowStatus();
    // The Refresh button's tooltip: when it comes back, while it rests.
    void ShowRefreshHint();
    // Records Feed's outcome in the status model; when its exchange succeeded, runs Replace (which returns
    // the number of records taken) first. A Replace that throws ETableTooLarge has replaced nothing: the feed
    // failed as an answer too large. True when the feed replaced what was shown.
    bool TakeFeed(TFeed Feed, const TOData& Output, const std::function<std::size_t()>& Replace);
    // One completion: Feed's answer replaces what is shown unless its exchange failed; the loader steps, the
    // offers are rebuilt, a good body is kept, and the alerts are checked once the refresh is complete.
    void FeedReceived(TFeed Feed, TOData Output);
    // Puts Body of Feed on screen (table, lists or news) as its completion does; the number of records.
    std::size_t ReplaceFeed(TFeed Feed, const std::shared_ptr<const std::string>& Body);
    void BuildLivePanel();
    void ConnectLivePanel();
    // Reads the live settings and the alerts into the settings tab. Never throws.
    void RestoreLiveSettings();
    void FillAlertList();
    void UpdateAlertAddButton();
    void ButtonAlertAddClick();
    void ButtonAlertRemoveClick();
    void StoreRateAlerts();
    // An alert that only the status line could show.
    void NoticeOnStatusLine(const TNotice& Notice);
    // The user toggled hide-list items: their flags go into the settings document at once.
    void ListBoxHideToggled(const QItemSelection& Selected, const QItemSelection& Deselected);

    // Outer size asked for by FormCreate, re-applied whenever the frame's thickness becomes known; -1 where
    // no size was restored.
    QSize FWantedOuterSize{-1, -1};
    QSize FFrameExtents{-1, -1};

    // Fills the three currency lists from NamesTable and selects the saved pair, all without change events.
    void FillCurrencyLists();
    // Selects in Combo the first item equal (letters of either case) to the stored name under Key; no
    // selection when there is none.
    void SelectSavedCurrency(QComboBox& Combo, const std::string& Key);

    std::string FServiceBase;
    std::int32_t FFeedTimeout = kFeedTimeout;
    TRefreshState FRefresh;
    TRefreshStatus FStatus;
    std::function<TWallClock()> FClock = WallClockNow;
    // True while the names feed refills the lists: those selections are the stored flags, not the user's.
    bool FFillingLists = false;
    // The next automatic refresh is one of the repeated ones: it runs without the loader.
    bool FQuietRefresh = false;
    // The click comes from the timer, not from the user.
    bool FAutomaticClick = false;
    TFeedKeeper FFeedKeeper;
    // The rates rows of the chosen pair, for the rebuilds over one rates table.
    TQuoteRows FQuoteRows;
    std::vector<TRateAlert> FAlerts;
    TAlertWatch FAlertWatch;
    // The rates feed answered since the alerts were last checked.
    bool FAlertsDue = false;
    TNotifier* FNotifier = nullptr;
};

// True when the hide flag of the currency Code is stored and reads as true. A flag that is missing, empty,
// not a boolean, or unreadable counts as not hidden. Never throws.
bool IsCurrencyHidden(const std::string& Code);

// The program's one TFormMain, set by the start sequence (null before it and after the stop sequence).
extern TFormMain* FormMain;
