// Live rates in the window: the kept feeds shown at start, the settings tab's live options (and a
// settings.xml untouched by them until they are changed), and rate alerts with their notifications.
#include "engine/FeedCache.h"
#include "engine/LiveSettings.h"
#include "tests/support/ExchangeOutcome.h"
#include "tests/ui/RatesTabFixture.h"
#include "tests/ui/WindowSnapshot.h"
#include "ui/FeedKeeper.h"
#include "ui/LivePanel.h"
#include "ui/Notifier.h"
#include "ui/RefreshController.h"
#include "ui/UnitLoader.h"

#include <QCheckBox>
#include <QDBusConnection>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

namespace {

constexpr std::int64_t kKeptAt = 1765281909;

// A way of showing notices that records them and answers as told.
class TRecordingSink final : public TNoticeSink {
  public:
    explicit TRecordingSink(bool Shows) : FShows(Shows) {}
    void Show(const TNotice& Notice, TDone Done) override {
        Shown.push_back(Notice);
        Done(FShows);
    }
    void Activate(const TNotice& Notice) { emit Activated(Notice); }
    std::vector<TNotice> Shown;

  private:
    bool FShows;
};

class LiveRates : public TRatesTabTest {
  protected:
    void KeepAll(const std::filesystem::path& Folder) {
        ASSERT_TRUE(KeepFeed(Folder, "news", feeds::kNews, kKeptAt));
        ASSERT_TRUE(KeepFeed(Folder, "rates", feeds::kRates, kKeptAt));
        ASSERT_TRUE(KeepFeed(Folder, "names", feeds::kNames, kKeptAt));
        ASSERT_TRUE(KeepFeed(Folder, "exchangers", feeds::kExchangers, kKeptAt));
    }

    std::string SavedAtExit() {
        Main->FormClose();
        EXPECT_TRUE(ConfigSave(ConfigDoc, FDir / "settings.xml"));
        return ReadFileBytes(FDir / "settings.xml");
    }

    static std::string KeptText() {
        const TWallClock at = WallClockAt(kKeptAt);
        char text[64];
        std::snprintf(text, sizeof text, "Сохранённые курсы от %02d.%02d.%04d %02d:%02d", at.Day, at.Month,
                      at.Year, at.Hour, at.Minute);
        return text;
    }

    // A control of the live panel, by its object name.
    template <typename TControl> TControl* Live(const char* Name) const {
        auto* control = Main->LivePanel().findChild<TControl*>(QString::fromLatin1(Name));
        EXPECT_NE(control, nullptr) << Name;
        return control;
    }

    TTempDir Cache;
};

TEST_F(LiveRates, KeptFeedsShowTheSavedPairAtOnceAsFreshFeedsWouldWithoutTheLoader) {
    ConfigWrite(ConfigDoc, "Rates/SrcCurr", "US Dollar");
    ConfigWrite(ConfigDoc, "Rates/DstCurr", "Euro");
    ConfigWrite(ConfigDoc, "HideCurrencies/btc", true);
    Open();
    Deliver();
    const TShown fresh = Shown(*Main);
    ASSERT_EQ(fresh.Offers.size(), 4u);

    Main.reset();
    NamesTable.clear();
    RatesTable.clear();
    ExchangersTable.clear();
    KeepAll(Cache.Path());
    TFormLoader loader;
    FormLoader = &loader;
    Open();
    EXPECT_TRUE(Main->ShowKeptFeeds(Cache.Path()));
    FormLoader = nullptr;
    EXPECT_EQ(Shown(*Main), fresh);
    EXPECT_TRUE(Main->ComboBoxSrc->isEnabled());
    EXPECT_FALSE(loader.isVisible());
    EXPECT_EQ(loader.ProgressBar->value(), 0);
    EXPECT_EQ(Main->Refresher().StatusLine().toStdString(), KeptText());
    // Kept feeds are not a refresh: the first one still comes at the first tick.
    EXPECT_TRUE(Main->Refresher().State().AutoRefreshPending());
}

TEST_F(LiveRates, ADamagedKeptFeedIsLeftOutAndTheOthersAreStillShown) {
    ConfigWrite(ConfigDoc, "Rates/SrcCurr", "US Dollar");
    ConfigWrite(ConfigDoc, "Rates/DstCurr", "Euro");
    KeepAll(Cache.Path());
    const std::string record = ReadFileBytes(KeptFeedFile(Cache.Path(), "rates"));
    WriteFileBytes(KeptFeedFile(Cache.Path(), "rates"), record.substr(0, record.size() - 3));
    Open();
    EXPECT_TRUE(Main->ShowKeptFeeds(Cache.Path()));
    EXPECT_TRUE(RatesTable.empty());
    EXPECT_EQ(NamesTable.size(), 4u);
    EXPECT_EQ(Main->ComboBoxSrc->currentText(), "US Dollar");
    EXPECT_TRUE(ShownOffers(*Main->DBGridRates).empty());
    EXPECT_EQ(Main->Refresher().StatusLine(), ""); // no rates kept: no age to tell
    EXPECT_TRUE(BoxTexts.isEmpty());
}

TEST_F(LiveRates, OnlyAWholeTwoHundredIsKeptAndAFailureNeverReplacesTheKeptBody) {
    Open();
    Main->SetFeedKeeper(BackgroundFeedKeeper(Cache.Path())); // no job runner here: written at once
    Deliver();
    ASSERT_TRUE(LoadKeptFeed(Cache.Path(), "rates"));
    EXPECT_EQ(LoadKeptFeed(Cache.Path(), "rates")->Body, feeds::kRates);
    EXPECT_EQ(LoadKeptFeed(Cache.Path(), "news")->Body, feeds::kNews);

    TOData refused = ExchangeOutcome(TExchangeFailure::None, 503, "Service Unavailable");
    refused.Body = "9;usd;eur;1;5;1\n";
    Main->RatesReceived(refused);
    TOData cut = ExchangeOutcome(TExchangeFailure::Closed, 200, "OK");
    cut.Body = feeds::kNames.substr(0, 12);
    Main->NamesReceived(cut);
    EXPECT_EQ(LoadKeptFeed(Cache.Path(), "rates")->Body, feeds::kRates);
    EXPECT_EQ(LoadKeptFeed(Cache.Path(), "names")->Body, feeds::kNames);

    Main->RatesReceived(Answer("1;usd;eur;1;0.99;5\n"));
    EXPECT_EQ(LoadKeptFeed(Cache.Path(), "rates")->Body, "1;usd;eur;1;0.99;5\n");
}

TEST_F(LiveRates, TurningKeptFeedsOffShowsNothingAtStart) {
    KeepAll(Cache.Path());
    ConfigWrite(ConfigDoc, kUseSavedKey, false);
    Open();
    EXPECT_FALSE(Live<QCheckBox>("CheckBoxUseSaved")->isChecked());
    EXPECT_FALSE(Main->ShowKeptFeeds(Cache.Path()));
    EXPECT_TRUE(NamesTable.empty());
    EXPECT_FALSE(Main->ComboBoxSrc->isEnabled());
}

TEST_F(LiveRates, UntouchedLiveOptionsLeaveSettingsXmlAsItWasAndChangedOnesAreStored) {
    Open();
    Deliver();
    const std::string untouched = SavedAtExit();
    EXPECT_EQ(untouched.find("<Live>"), std::string::npos) << untouched;
    EXPECT_EQ(untouched.find("<Alerts>"), std::string::npos) << untouched;

    Live<QComboBox>("ComboBoxAutoRefresh")->setCurrentIndex(2);
    emit Live<QComboBox>("ComboBoxAutoRefresh")->activated(2);
    EXPECT_EQ(Stored(kAutoMinutesKey), "5");
    EXPECT_EQ(Main->Refresher().State().AutoRefreshMinutes(), 5);
    Live<QCheckBox>("CheckBoxUseSaved")->click();
    EXPECT_EQ(Stored(kUseSavedKey), "false");
    Live<QCheckBox>("CheckBoxUseSaved")->click();
    EXPECT_EQ(Stored(kUseSavedKey), "true"); // once stored, it follows
}

TEST_F(LiveRates, AStoredIntervalComesBackAndOneThatIsNoChoiceCountsAsOff) {
    ConfigWrite(ConfigDoc, kAutoMinutesKey, 15);
    Open();
    EXPECT_EQ(Live<QComboBox>("ComboBoxAutoRefresh")->currentIndex(), 3);
    EXPECT_EQ(Main->Refresher().State().AutoRefreshMinutes(), 15);
    Main.reset();
    ConfigWrite(ConfigDoc, kAutoMinutesKey, "abc");
    Open();
    EXPECT_EQ(Live<QComboBox>("ComboBoxAutoRefresh")->currentIndex(), 0);
    EXPECT_EQ(Main->Refresher().State().AutoRefreshMinutes(), 0);
    EXPECT_EQ(Stored(kAutoMinutesKey), "abc"); // left as the user wrote it until changed
}

TEST_F(LiveRates, AnAlertAddedOnTheSettingsTabIsStoredAndListed) {
    Open();
    Deliver();
    EXPECT_FALSE(Live<QPushButton>("ButtonAlertAdd")->isEnabled());
    Live<QComboBox>("ComboBoxAlertSrc")->setCurrentText("US Dollar");
    Live<QComboBox>("ComboBoxAlertDst")->setCurrentText("Euro");
    QTest::keyClicks(Live<QLineEdit>("EditAlertLevel"), "0.9x7"); // the letter is refused
    EXPECT_EQ(Live<QLineEdit>("EditAlertLevel")->text(), "0.97");
    ASSERT_TRUE(Live<QPushButton>("ButtonAlertAdd")->isEnabled());
    Live<QPushButton>("ButtonAlertAdd")->click();
    ASSERT_EQ(Main->LivePanel().RateAlerts().size(), 1u);
    EXPECT_EQ(Main->LivePanel().RateAlerts()[0], (TRateAlert{"US Dollar", "Euro", "0.97", true}));
    EXPECT_EQ(Stored("Alerts/Alert1/Give"), "US Dollar");
    EXPECT_EQ(Stored("Alerts/Alert1/Level"), "0.97");
    ASSERT_EQ(Live<QListWidget>("ListBoxAlerts")->count(), 1);
    EXPECT_EQ(Live<QListWidget>("ListBoxAlerts")->item(0)->text(),
              "уведомить, когда за 1 US Dollar дают не меньше 0.97 Euro\n"
              "лучший курс сейчас 0.95 — ещё 2,1 %");

    Live<QListWidget>("ListBoxAlerts")->item(0)->setCheckState(Qt::Unchecked);
    EXPECT_EQ(Stored("Alerts/Alert1/Enabled"), "false");
    Live<QListWidget>("ListBoxAlerts")->setCurrentRow(0);
    Live<QPushButton>("ButtonAlertRemove")->click();
    EXPECT_TRUE(Main->LivePanel().RateAlerts().empty());
    EXPECT_EQ(Stored("Alerts/Alert1/Give"), std::nullopt);
    EXPECT_EQ(Live<QLineEdit>("EditAlertLevel")->text(), ""); // none left: the fields are cleared
    // The same currency on both sides is no alert.
    Live<QComboBox>("ComboBoxAlertSrc")->setCurrentText("US Dollar");
    Live<QComboBox>("ComboBoxAlertDst")->setCurrentText("US Dollar");
    Live<QLineEdit>("EditAlertLevel")->setText("1");
    EXPECT_FALSE(Live<QPushButton>("ButtonAlertAdd")->isEnabled());
}

TEST_F(LiveRates, ASelectedAlertIsEditedInPlaceAndEachShowsItsBestRateAfterEveryRefresh) {
    Open();
    Main->LivePanel().SetRateAlerts(
        {{"US Dollar", "Euro", "0.97", true}, {"Euro", "US Dollar", "1.2", false}});
    auto* list = Live<QListWidget>("ListBoxAlerts");
    Deliver();
    EXPECT_EQ(list->item(1)->text(), "уведомить, когда за 1 Euro дают не меньше 1.2 US Dollar\n"
                                     "лучший курс сейчас 1.1 — ещё 9,1 %"); // off, but still told

    // Selecting an alert puts it into the fields; a change there is saved over it with Enter.
    list->setCurrentRow(1);
    EXPECT_EQ(Live<QComboBox>("ComboBoxAlertSrc")->currentText(), "Euro");
    EXPECT_EQ(Live<QComboBox>("ComboBoxAlertDst")->currentText(), "US Dollar");
    auto* level = Live<QLineEdit>("EditAlertLevel");
    EXPECT_EQ(level->text(), "1.2");
    EXPECT_FALSE(Live<QPushButton>("ButtonAlertSave")->isEnabled()); // nothing changed yet
    EXPECT_FALSE(Live<QPushButton>("ButtonAlertAdd")->isEnabled());  // it is listed already
    level->selectAll();
    QTest::keyClicks(level, "1,05"); // a decimal comma is kept as "."
    EXPECT_TRUE(Live<QPushButton>("ButtonAlertSave")->isEnabled());
    QTest::keyClick(level, Qt::Key_Return);
    EXPECT_EQ(
        Main->LivePanel().RateAlerts(),
        (std::vector<TRateAlert>{{"US Dollar", "Euro", "0.97", true}, {"Euro", "US Dollar", "1.05", false}}));
    EXPECT_EQ(Stored("Alerts/Alert2/Level"), "1.05");
    EXPECT_EQ(list->item(1)->text(), "уведомить, когда за 1 Euro дают не меньше 1.05 US Dollar\n"
                                     "лучший курс сейчас 1.1 — уровень достигнут");
    level->selectAll();
    QTest::keyClicks(level, "1.050"); // the same level written otherwise: the same alert
    EXPECT_FALSE(Live<QPushButton>("ButtonAlertSave")->isEnabled());
    EXPECT_FALSE(Live<QPushButton>("ButtonAlertAdd")->isEnabled());

    // The next refresh renews the rates in the list; without an offer that can pay it says so.
    Main->RatesReceived(Answer("1;usd;eur;1;0.96;1000\n2;usd;eur;1;0.99;0\n"));
    EXPECT_EQ(list->item(0)->text(), "уведомить, когда за 1 US Dollar дают не меньше 0.97 Euro\n"
                                     "лучший курс сейчас 0.96 — ещё 1,0 %");
    EXPECT_EQ(list->item(1)->text(), "уведомить, когда за 1 Euro дают не меньше 1.05 US Dollar\n"
                                     "сейчас нет предложений с резервом");
}

TEST_F(LiveRates, AfterARemovalOrAnEmptyNamesFeedTheFieldsShowTheSelectedAlert) {
    Open();
    Deliver();
    Main->LivePanel().SetRateAlerts(
        {{"US Dollar", "Euro", "0.97", true}, {"US Dollar", "Euro", "0.99", true}});
    Live<QListWidget>("ListBoxAlerts")->setCurrentRow(0);
    Live<QPushButton>("ButtonAlertRemove")->click();
    EXPECT_EQ(Live<QLineEdit>("EditAlertLevel")->text(), "0.99"); // the alert selected now
    EXPECT_FALSE(Live<QPushButton>("ButtonAlertSave")->isEnabled());
    Main->NamesReceived(Answer(""));
    Main->NamesReceived(Answer(feeds::kNames));
    EXPECT_EQ(Live<QComboBox>("ComboBoxAlertDst")->currentText(), "Euro");

    Main->LivePanel().SetRateAlerts(
        std::vector<TRateAlert>(kMaxRateAlerts, {"Euro", "US Dollar", "1", true}));
    EXPECT_TRUE(Live<QPushButton>("ButtonAlertAdd")->toolTip().contains("100")); // not "choose both"
}

TEST_F(LiveRates, TheReceivedAlertCurrencyShowsALongNameWholeAtTheWindowsLeastWidth) {
    Open().show(); // on the settings tab, at its design size, which is its least width too
    Main->LivePanel().SetCurrencyNames({QStringLiteral("Visa/MasterCard RUB")});
    auto* combo = Live<QComboBox>("ComboBoxAlertDst");
    combo->setSizeAdjustPolicy(QComboBox::AdjustToContents); // its hint then shows the name whole
    EXPECT_GE(combo->width(), combo->sizeHint().width());
}

TEST_F(LiveRates, AnAlertNotifiesOnCrossingOnceAndAgainAfterFallingEvenWhileHidden) {
    Open();
    auto* sink = new TRecordingSink(true);
    Main->LivePanel().Notifier().AddSink(sink);
    Main->LivePanel().SetRateAlerts({{"US Dollar", "Euro", "0.97", true}});
    Main->show();
    Main->hide(); // sent to the tray
    Deliver();    // best: Beta at 0.95
    EXPECT_TRUE(sink->Shown.empty());

    Main->RatesReceived(Answer("1;usd;eur;1;0.98;1000\n2;usd;eur;1;0.95;50\n"));
    ASSERT_EQ(sink->Shown.size(), 1u);
    EXPECT_EQ(sink->Shown[0].Title, "Kovrin");
    EXPECT_EQ(sink->Shown[0].Text,
              "За 1 US Dollar дают 0.98 Euro: обменник Alpha, резерв 1000 Euro (уровень 0.97)");
    Main->RatesReceived(Answer("1;usd;eur;1;0.99;1000\n"));
    EXPECT_EQ(sink->Shown.size(), 1u); // still above: no repeat
    Main->RatesReceived(Answer("1;usd;eur;1;0.9;1000\n"));
    Main->RatesReceived(Answer("2;usd;eur;1;0.975;10\n"));
    ASSERT_EQ(sink->Shown.size(), 2u);
    EXPECT_EQ(sink->Shown[1].Text,
              "За 1 US Dollar дают 0.975 Euro: обменник Beta, резерв 10 Euro (уровень 0.97)");
    // A failed rates feed is no check.
    Main->RatesReceived(ExchangeOutcome(TExchangeFailure::Refused));
    EXPECT_EQ(sink->Shown.size(), 2u);
}

TEST_F(LiveRates, AnAlertComparesAServicesRatesOnlyWithThatServicesEarlierOnes) {
    Open();
    auto* sink = new TRecordingSink(true);
    Main->LivePanel().Notifier().AddSink(sink);
    Main->LivePanel().SetRateAlerts({{"US Dollar", "Euro", "0.97", true}});
    const std::string first = Main->ServiceBaseUrl();
    Deliver();
    Main->RatesReceived(Answer("1;usd;eur;1;0.98;1000\n"));
    Main->SetServiceBaseUrl("https://127.0.0.2:8443");
    Main->RatesReceived(Answer("1;usd;eur;1;0.98;1000\n")); // above at its first check, too
    EXPECT_EQ(sink->Shown.size(), 2u);
    Main->RatesReceived(Answer("1;usd;eur;1;0.9;1000\n"));
    Main->SetServiceBaseUrl(first);
    Main->RatesReceived(Answer("1;usd;eur;1;0.99;1000\n")); // the first one never fell
    EXPECT_EQ(sink->Shown.size(), 2u);
}

TEST_F(LiveRates, ActivatingANotificationOpensTheRatesTabWithItsPairChosen) {
    Open();
    auto* sink = new TRecordingSink(true);
    Main->LivePanel().Notifier().AddSink(sink);
    Deliver();
    Main->SetActiveTab(TFormMain::tabSettings);
    sink->Activate({QStringLiteral("Kovrin"), QStringLiteral("..."), QStringLiteral("Euro"),
                    QStringLiteral("US Dollar")});
    EXPECT_TRUE(Main->isVisible());
    EXPECT_EQ(Main->ActiveTab(), TFormMain::tabRates);
    EXPECT_EQ(Main->ComboBoxSrc->currentText(), "Euro");
    EXPECT_EQ(Main->ComboBoxDst->currentText(), "US Dollar");
    EXPECT_EQ(Stored("Rates/SrcCurr"), "Euro");
    EXPECT_EQ(ShownExchangers(*Main->DBGridRates), (std::vector<std::string>{"Beta", "Alpha"}));
}

TEST_F(LiveRates, WithoutANotificationServiceOrATrayTheAlertGoesToTheStatusLine) {
    Open();
    Main->Refresher().SetClock([] { return TWallClock{2026, 12, 9, 14, 5, 9}; });
    // A session bus that is not there: the desktop's service cannot answer.
    const QDBusConnection nowhere = QDBusConnection::connectToBus(
        QStringLiteral("unix:path=/nonexistent/kovrin-test-bus"), QStringLiteral("kovrin-test-nowhere"));
    ASSERT_FALSE(nowhere.isConnected());
    auto* refusing = new TRecordingSink(false);
    Main->LivePanel().Notifier().AddSink(new TDBusNoticeSink(nullptr, nowhere));
    Main->LivePanel().Notifier().AddSink(new TTrayNoticeSink(nullptr));
    Main->LivePanel().Notifier().AddSink(refusing);
    Main->LivePanel().SetRateAlerts({{"US Dollar", "Euro", "0.9", true}});
    Deliver();
    EXPECT_EQ(refusing->Shown.size(), 1u); // every way was tried in turn
    const QString line =
        "Уведомление в 14:05: За 1 US Dollar дают 0.95 Euro: обменник Beta, резерв 50 Euro (уровень 0.9). "
        "Курсы обновлены в 14:05:09";
    EXPECT_EQ(Main->Refresher().StatusLine(), line);
    EXPECT_EQ(Main->findChild<QLabel*>("LabelStatus")->toolTip(),
              line); // the whole of a line the window is too narrow for
}

} // namespace
