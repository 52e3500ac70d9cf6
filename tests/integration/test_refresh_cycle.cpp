// A refresh end to end, in process: the window's timer ticks called by hand, the real job runner and Qt
// hand-off, HTTP to a loopback feed service, and what the window then shows.
#include "app/Program.h"
#include "engine/FeedCache.h"
#include "engine/Functions.h"
#include "engine/ServiceAddress.h"
#include "globals/Globals.h"
#include "history/HistoryStore.h"
#include "tests/integration/Pump.h"
#include "tests/support/FeedService.h"
#include "tests/support/ScopedEnv.h"
#include "tests/support/TempDir.h"
#include "tests/ui/RatesFeeds.h"
#include "ui/ErrorBox.h"
#include "ui/FeedKeeper.h"
#include "ui/HistoryPart.h"
#include "ui/NewsView.h"
#include "ui/Opener.h"
#include "ui/RateChart.h"
#include "ui/RefreshController.h"
#include "ui/UnitLoader.h"
#include "ui/UnitMain.h"

#include <QCoreApplication>
#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <QToolButton>

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <memory>
#include <set>
#include <thread>
#include <utility>

namespace {

using namespace std::chrono_literals;

class RefreshCycle : public testing::Test {
  protected:
    void SetUp() override {
        Program = std::make_unique<TProgram>(Options());
        ASSERT_TRUE(Program->Open());
        FPreviousBox = SetErrorBox([this](const QString&, const QString& text) { BoxTexts << text; });
        FPreviousOpener = SetUrlOpener([this](const QString& url) { Opened << url; });
        Service.Answer("news", {feeds::kNews});
        Service.Answer("rates", {feeds::kRates});
        Service.Answer("names", {feeds::kNames});
        Service.Answer("exchangers", {feeds::kExchangers});
    }

    void TearDown() override {
        // As the program ends: no completion after this, then the windows and the runner go.
        Program.reset();
        SetErrorBox(FPreviousBox);
        SetUrlOpener(FPreviousOpener);
    }

    // The program's start with the settings in the test's folder, pointed at the service; both timers
    // stand still (ticks are called by hand) and no feed is kept unless a test says so.
    TProgramOptions Options() const {
        TProgramOptions options;
        options.SettingsFile = FDir / "settings.xml";
        options.ServiceBase = Service.Base();
        options.FeedCache = std::filesystem::path();
        options.HistoryFile = FDir / "history.sqlite";
        options.Timers = false;
        options.QuitSignals = false;
        return options;
    }

    // The rest of the start: the windows.
    TFormMain& Open() {
        Program->ShowWindows();
        Main = &Program->Main();
        Loader = &Program->Loader();
        return *Main;
    }

    int Bar() const { return Loader->ProgressBar->value(); }

    // Ticks until the Refresh button comes back; how many ticks that took (0 when it never did in 200).
    int TicksUntilEnabled() {
        for (int tick = 1; tick <= 200; ++tick) {
            Main->TimerTimer();
            if (Main->BitBtnRefresh->isEnabled()) {
                return tick;
            }
        }
        return 0;
    }

    TTempDir FDir;
    TScopedEnv FConfigHome{"XDG_CONFIG_HOME", (FDir / "config").string()};
    TFeedService Service;
    std::unique_ptr<TProgram> Program;
    TFormMain* Main = nullptr;
    TFormLoader* Loader = nullptr;
    QStringList BoxTexts;
    QStringList Opened;

  private:
    TErrorBox FPreviousBox;
    TUrlOpener FPreviousOpener;
};

// True once every feed has been kept in Folder.
bool AllKept(const std::filesystem::path& Folder) {
    for (const char* feed : {"news", "rates", "names", "exchangers"}) {
        if (!LoadKeptFeed(Folder, feed)) {
            return false;
        }
    }
    return true;
}

TEST_F(RefreshCycle, TheFirstTickFetchesAllFourFeedsAndShowsTheSavedPairsOffers) {
    ConfigWrite(ConfigDoc, "Rates/SrcCurr", "us dollar");
    ConfigWrite(ConfigDoc, "Rates/DstCurr", "EURO");
    TFormMain& main = Open();

    main.TimerTimer();
    EXPECT_FALSE(main.BitBtnRefresh->isEnabled());
    EXPECT_TRUE(Loader->isVisible());
    ASSERT_TRUE(PumpUntil([&] { return Bar() == 4; })) << "bar at " << Bar();
    EXPECT_TRUE(Loader->isVisible());
    Loader->TimerTimer();
    EXPECT_FALSE(Loader->isVisible());

    EXPECT_EQ(main.ComboBoxSrc->currentText(), QStringLiteral("US Dollar"));
    EXPECT_EQ(main.ComboBoxDst->currentText(), QStringLiteral("Euro"));
    EXPECT_EQ(ShownOffers(*main.DBGridRates),
              (std::vector<std::string>{"Beta 1 0.95", "Alpha 1 0.9", "Delta 1 0.8", "Gamma 1.1 1"}));
    EXPECT_EQ(main.EditNews->toPlainText(), QStringLiteral("Course news: see https://example.org/today"));
    EXPECT_TRUE(BoxTexts.isEmpty()) << BoxTexts.join('\n').toStdString();

    // On the wire: four POSTs to /callback, one per feed, every one with the same installation GUID.
    ASSERT_TRUE(Service.WaitForRequests(4));
    const std::string head = "POST /callback HTTP/1.0\r\n";
    const std::string cookie = "\r\nCookie: appguid=";
    const std::string version = "; version=1.0.1\r\nContent-Type: application/x-www-form-urlencoded\r\n";
    std::set<std::string> guids;
    std::multiset<std::string> actions;
    for (const std::string& bytes : Service.Received()) {
        ASSERT_EQ(bytes.rfind(head, 0), 0u) << bytes;
        const std::size_t guidAt = bytes.find(cookie);
        const std::size_t guidEnd = bytes.find(version);
        ASSERT_NE(guidAt, std::string::npos) << bytes;
        ASSERT_NE(guidEnd, std::string::npos) << bytes;
        const std::string guid = bytes.substr(guidAt + cookie.size(), guidEnd - guidAt - cookie.size());
        EXPECT_EQ(guid.size(), 38u) << guid;
        EXPECT_TRUE(RegexTest(kGuidPattern, guid)) << guid;
        EXPECT_EQ(bytes.find("User-Agent"), std::string::npos);
        const std::string action = TFeedService::Action(bytes);
        const std::string body = "action=" + action + "&";
        EXPECT_TRUE(bytes.ends_with("Content-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body))
            << bytes;
        guids.insert(guid);
        actions.insert(action);
    }
    EXPECT_EQ(actions, (std::multiset<std::string>{"exchangers", "names", "news", "rates"}));
    ASSERT_EQ(guids.size(), 1u);
    EXPECT_EQ(*guids.begin(), GetAppGuid()); // the one stored for this user

    // The refresh's best offer of the pair went into the history (the recorder finishes as the program goes).
    Program.reset();
    // It is the service's the window asked: each service keeps its own history.
    const std::unique_ptr<THistoryStore> history = THistoryStore::Open(FDir / "history.sqlite");
    ASSERT_TRUE(history);
    EXPECT_TRUE(history->Read({"US Dollar", "Euro", {}, {}}, 0).empty());
    history->SetService(ServiceKey(Service.Base()));
    const std::vector<TRatePoint> points = history->Read({"US Dollar", "Euro", {}, {}}, 0);
    ASSERT_EQ(points.size(), 1u);
    EXPECT_EQ(points[0].Exchanger, "Beta");
    EXPECT_EQ(points[0].Rate, 0.95);
    EXPECT_EQ(points[0].Offers, 4);
}

TEST_F(RefreshCycle, NamesArrivingLastBringTheOffersOnlyThen) {
    ConfigWrite(ConfigDoc, "Rates/SrcCurr", "US Dollar");
    ConfigWrite(ConfigDoc, "Rates/DstCurr", "Euro");
    Service.Answer("names", {feeds::kNames, 600ms});
    TFormMain& main = Open();

    main.TimerTimer();
    ASSERT_TRUE(PumpUntil([&] { return Bar() == 3; }));
    EXPECT_FALSE(RatesTable.empty());
    EXPECT_FALSE(ExchangersTable.empty());
    EXPECT_FALSE(main.ComboBoxSrc->isEnabled());
    EXPECT_EQ(main.DBGridRates->Model().rowCount(), 0);

    ASSERT_TRUE(PumpUntil([&] { return Bar() == 4; }));
    EXPECT_TRUE(main.ComboBoxSrc->isEnabled());
    EXPECT_EQ(ShownExchangers(*main.DBGridRates),
              (std::vector<std::string>{"Beta", "Alpha", "Delta", "Gamma"}));
}

TEST_F(RefreshCycle, ARatesFeedOfMegabytesArrivingInPiecesShowsTheOffersItHolds) {
    ConfigWrite(ConfigDoc, "Rates/SrcCurr", "US Dollar");
    ConfigWrite(ConfigDoc, "Rates/DstCurr", "Euro");
    // The pair's rows at both ends of a megabyte and more of other pairs' (cut while it arrives), then the
    // same with a malformed byte among them (left to the cut of the whole body, read leniently).
    std::string others;
    for (int row = 0; others.size() < (std::size_t{3} << 19); ++row) {
        others += std::to_string(row % 97) + ";gbp;jpy;1;" + std::to_string(150 + row % 13) + ";10\n";
    }
    const std::size_t half = feeds::kRates.find("42;");
    const std::string head = feeds::kRates.substr(0, half);
    const std::string tail = feeds::kRates.substr(half);
    const std::vector<std::string> offers = {"Beta 1 0.95", "Alpha 1 0.9", "Delta 1 0.8", "Gamma 1.1 1"};
    TFormMain& main = Open();
    bool first = true;
    for (const std::string& middle : {others, others + "\xFF\n" + others}) {
        Service.Answer("rates", {.Body = head + middle + tail, .Pieces = 16});
        RatesTable.clear();
        if (std::exchange(first, false)) {
            main.TimerTimer(); // the automatic refresh
        } else {
            ASSERT_GT(TicksUntilEnabled(), 0);
            QTest::mouseClick(main.BitBtnRefresh, Qt::LeftButton);
        }
        ASSERT_TRUE(PumpUntil([&] { return !RatesTable.empty() && Bar() == 4; }));
        EXPECT_GT(RatesTable.size(), 20000u);
        EXPECT_EQ(ShownOffers(*main.DBGridRates), offers);
    }
}

TEST_F(RefreshCycle, TheButtonRestsSixtyTicksAfterAClickAndTheProgramRefreshesByItselfOnce) {
    TFormMain& main = Open();
    main.show();
    main.TimerTimer(); // the automatic refresh
    ASSERT_TRUE(PumpUntil([&] { return Bar() == 4; }));
    EXPECT_EQ(TicksUntilEnabled(), 60); // on the 60th tick after the one that refreshed

    QTest::mouseClick(main.BitBtnRefresh, Qt::LeftButton);
    EXPECT_FALSE(main.BitBtnRefresh->isEnabled());
    EXPECT_EQ(Bar(), 0);
    ASSERT_TRUE(PumpUntil([&] { return Bar() == 4; }));
    ASSERT_TRUE(Service.WaitForRequests(8));

    for (int tick = 1; tick <= 30; ++tick) {
        main.TimerTimer();
    }
    QTest::mouseClick(main.BitBtnRefresh, Qt::LeftButton); // disabled: nothing happens
    PumpFor(200ms);
    EXPECT_EQ(Service.Requests(), 8u);
    EXPECT_EQ(main.Refresher().State().CooldownTicks(), 30);
    EXPECT_EQ(TicksUntilEnabled(), 31); // tick 61 after the click

    for (int tick = 1; tick <= 100; ++tick) {
        main.TimerTimer();
    }
    PumpFor(100ms);
    EXPECT_EQ(Service.Requests(), 8u);
    EXPECT_TRUE(main.BitBtnRefresh->isEnabled());
}

TEST_F(RefreshCycle, ASecondRefreshWithAnEmptyRatesFeedKeepsTheOffersOfThePairButNotItsKeptCopy) {
    ConfigWrite(ConfigDoc, "Rates/SrcCurr", "US Dollar");
    ConfigWrite(ConfigDoc, "Rates/DstCurr", "Euro");
    TFormMain& main = Open();
    const std::filesystem::path cache = FDir / "cache";
    main.SetFeedKeeper(BackgroundFeedKeeper(cache));
    main.TimerTimer();
    ASSERT_TRUE(PumpUntil([&] { return Bar() == 4; }));
    ASSERT_TRUE(PumpUntil([&] { return AllKept(cache); }));
    const std::vector<std::string> before = ShownOffers(*main.DBGridRates);
    ASSERT_EQ(before.size(), 4u);

    Service.Answer("rates", {"<html>maintenance</html>"});
    const std::string names = feeds::kNames + "gbp;Pound;x\n";
    Service.Answer("names", {names});
    ASSERT_GT(TicksUntilEnabled(), 0);
    main.BitBtnRefresh->click();
    ASSERT_TRUE(PumpUntil([&] { return Bar() == 4; }));
    EXPECT_TRUE(RatesTable.empty());
    EXPECT_EQ(ShownOffers(*main.DBGridRates), before);
    // The feeds are kept on one job: once the new names are, the rates were passed over.
    ASSERT_TRUE(PumpUntil([&] { return LoadKeptFeed(cache, "names")->Body == names; }));
    EXPECT_EQ(LoadKeptFeed(cache, "rates")->Body, feeds::kRates);
}

TEST_F(RefreshCycle, AnUnreachableServiceChangesNothingSaysSoAndStillCompletesTheBar) {
    TFormMain& main = Open();
    main.SetServiceBaseUrl("http://127.0.0.1:1"); // nothing listens on port 1
    main.EditNews->SetNewsText("old news");
    main.TimerTimer();
    EXPECT_EQ(main.Refresher().StatusLine(), QStringLiteral("Загрузка данных…"));
    ASSERT_TRUE(PumpUntil([&] { return Bar() == 4; }));
    EXPECT_EQ(main.EditNews->toPlainText(), QStringLiteral("old news"));
    EXPECT_FALSE(main.ComboBoxSrc->isEnabled());
    EXPECT_EQ(main.ComboBoxSrc->count(), 0);
    EXPECT_EQ(main.Refresher().StatusLine(),
              QStringLiteral("Данные не получены: нет связи с сервером. Курсов пока нет"));
    EXPECT_TRUE(BoxTexts.isEmpty()) << BoxTexts.join('|').toStdString();
}

TEST_F(RefreshCycle, ClosingWhileRequestsRunSavesTheSettingsAndRunsNoCompletionAfterTheLoop) {
    Service.Answer("news", {feeds::kNews, 400ms});
    for (const char* feed : {"rates", "names", "exchangers"}) {
        Service.Answer(feed, {"", 0ms, true});
    }
    TFormMain& main = Open();
    main.show();
    main.ButtonedEditSrc->setText("250");
    main.TimerTimer();
    ASSERT_TRUE(PumpUntil([&] { return Service.Requests() == 4; }));

    // The program's stop sequence: the close handler writes the settings, the loop ends, the hand-off closes,
    // the document is saved.
    main.close();
    Program->EndLoop();
    EXPECT_NE(ReadFileBytes(FDir / "settings.xml").find("<SrcAmount>250</SrcAmount>"), std::string::npos);

    // The news answer comes after the loop: its completion must not run.
    PumpFor(800ms);
    EXPECT_EQ(Bar(), 0);
    EXPECT_TRUE(main.EditNews->toPlainText().isEmpty());
    EXPECT_EQ(main.ComboBoxSrc->count(), 0);
    EXPECT_EQ(JobControl->PendingJobs(), 4u);
}

TEST_F(RefreshCycle, AServiceAddressSetOnTheSettingsTabIsAskedFromTheNextRefreshAndKeepsItsOwnFeeds) {
    ConfigWrite(ConfigDoc, "Rates/SrcCurr", "US Dollar");
    ConfigWrite(ConfigDoc, "Rates/DstCurr", "Euro");
    TFormMain& main = Open();
    const std::filesystem::path root = FDir / "cache";
    main.SetKeptFeedsRoot(root);
    main.SetFeedKeeper(BackgroundFeedKeeper(KeptFeedsFolderFor(root, Service.Base())));
    // The chart is open: it shows the points of the service asked, and only its.
    auto* chart = main.findChild<TRateChart*>();
    ASSERT_TRUE(chart != nullptr);
    main.History().Toggle()->setChecked(true);
    main.TimerTimer();
    ASSERT_TRUE(PumpUntil([&] { return Bar() == 4; }));
    ASSERT_EQ(ShownOffers(*main.DBGridRates).size(), 4u);
    ASSERT_TRUE(PumpUntil([&] { return chart->accessibleDescription().contains(QStringLiteral("95")); }))
        << chart->accessibleDescription().toStdString();

    TFeedService other;
    other.Answer("news", {"other news"});
    other.Answer("rates", {"1;usd;eur;1;0.5;1000\n"});
    other.Answer("names", {feeds::kNames});
    other.Answer("exchangers", {feeds::kExchangers});
    auto* edit = main.findChild<QLineEdit*>(QStringLiteral("EditServiceBase"));
    auto* problem = main.findChild<QLabel*>(QStringLiteral("LabelServiceBaseProblem"));
    ASSERT_TRUE(edit != nullptr && problem != nullptr);
    const auto enter = [&](const QString& Text) {
        edit->setFocus();
        edit->selectAll();
        QTest::keyClicks(edit, Text);
        QTest::keyClick(edit, Qt::Key_Return);
    };
    enter(QString::fromStdString(other.Base()) + QStringLiteral("/feeds"));
    EXPECT_FALSE(problem->isHidden());
    EXPECT_EQ(problem->text(),
              QStringLiteral("Адрес сервиса не принят: после имени сервера и порта ничего не допускается"));
    std::string stored;
    EXPECT_FALSE(ConfigRead(ConfigDoc, kServiceBaseKey, stored));

    enter(QString::fromStdString(other.Base()) + QStringLiteral("/"));
    EXPECT_TRUE(problem->isHidden());
    ASSERT_TRUE(ConfigRead(ConfigDoc, kServiceBaseKey, stored));
    EXPECT_EQ(stored, other.Base());
    PumpFor(50ms);
    EXPECT_EQ(other.Requests(), 0u); // from the next refresh on

    ASSERT_TRUE(PumpUntil(
        [&] { return LoadKeptFeed(KeptFeedsFolderFor(root, Service.Base()), "rates").has_value(); }));
    ASSERT_GT(TicksUntilEnabled(), 0);
    main.BitBtnRefresh->click();
    // What the first service sent is gone at once, and the grid does not claim the pair has no offers; the
    // second's arrives.
    EXPECT_TRUE(RatesTable.empty());
    EXPECT_TRUE(ShownOffers(*main.DBGridRates).empty());
    EXPECT_NE(main.DBGridRates->EmptyText(), QStringLiteral("Нет предложений для этой пары и суммы"));
    ASSERT_TRUE(PumpUntil([&] { return Bar() == 4; }));
    EXPECT_EQ(other.Requests(), 4u);
    EXPECT_EQ(Service.Requests(), 4u);
    EXPECT_EQ(ShownOffers(*main.DBGridRates), std::vector<std::string>{"Alpha 1 0.5"});
    ASSERT_TRUE(
        PumpUntil([&] { return LoadKeptFeed(KeptFeedsFolderFor(root, other.Base()), "rates").has_value(); }));
    EXPECT_EQ(LoadKeptFeed(KeptFeedsFolderFor(root, Service.Base()), "rates")->Body, feeds::kRates);
    EXPECT_EQ(main.ServiceBaseUrl(), other.Base());
    ASSERT_TRUE(PumpUntil([&] {
        return chart->accessibleDescription().startsWith(QStringLiteral("Последний курс")) &&
               !chart->accessibleDescription().contains(QStringLiteral("95"));
    })) << chart->accessibleDescription().toStdString();
}

TEST_F(RefreshCycle, ARefreshsFeedsAreKeptOnceItIsOver) {
    const std::filesystem::path cache = FDir / "cache";
    Service.Answer("names", {feeds::kNames, 600ms});
    TFormMain& main = Open();
    main.SetFeedKeeper(BackgroundFeedKeeper(cache));
    main.TimerTimer();
    ASSERT_TRUE(PumpUntil([&] { return Bar() == 3; }));
    PumpFor(100ms);
    // Writing them now would take a core from the feeds still awaited.
    EXPECT_FALSE(LoadKeptFeed(cache, "rates").has_value());
    ASSERT_TRUE(PumpUntil([&] { return Bar() == 4; }));
    ASSERT_TRUE(PumpUntil([&] { return AllKept(cache); }));
}

TEST_F(RefreshCycle, WithAOneMinuteIntervalItRefreshesByItselfWithoutTheLoaderAndKeepsEveryFeed) {
    ConfigWrite(ConfigDoc, "Rates/SrcCurr", "US Dollar");
    ConfigWrite(ConfigDoc, "Rates/DstCurr", "Euro");
    ConfigWrite(ConfigDoc, "Live/AutoMinutes", 1);
    TFormMain& main = Open();
    const std::filesystem::path cache = FDir / "cache";
    main.SetFeedKeeper(BackgroundFeedKeeper(cache));
    main.TimerTimer();
    ASSERT_TRUE(PumpUntil([&] { return Bar() == 4; }));
    Loader->TimerTimer();
    // The bodies are written on a job of its own once the refresh is over.
    ASSERT_TRUE(PumpUntil([&] { return AllKept(cache); }));
    EXPECT_EQ(LoadKeptFeed(cache, "rates")->Body, feeds::kRates);

    Service.Answer("rates", {"1;usd;eur;1;0.99;1000\n"});
    for (int tick = 1; tick <= 60; ++tick) {
        main.TimerTimer();
    }
    PumpFor(100ms);
    EXPECT_EQ(Service.Requests(), 4u);
    main.TimerTimer(); // the button is back and a minute has passed: a refresh by itself
    EXPECT_FALSE(main.BitBtnRefresh->isEnabled());
    EXPECT_FALSE(Loader->isVisible());
    ASSERT_TRUE(PumpUntil([&] { return ShownOffers(*main.DBGridRates).size() == 1; }));
    EXPECT_EQ(ShownOffers(*main.DBGridRates), std::vector<std::string>{"Alpha 1 0.99"});
    EXPECT_EQ(Service.Requests(), 8u);
    ASSERT_TRUE(PumpUntil([&] {
        const std::optional<TKeptFeed> rates = LoadKeptFeed(cache, "rates");
        return rates && rates->Body == "1;usd;eur;1;0.99;1000\n";
    }));
}

TEST_F(RefreshCycle, AfterOneGoodRunAStartWithoutTheServiceShowsTheKeptOffersAndKeepsThem) {
    ConfigWrite(ConfigDoc, "Rates/SrcCurr", "US Dollar");
    ConfigWrite(ConfigDoc, "Rates/DstCurr", "Euro");
    const std::filesystem::path cache = FDir / "cache";
    Open().SetFeedKeeper(BackgroundFeedKeeper(cache));
    Main->TimerTimer();
    ASSERT_TRUE(PumpUntil([&] { return Bar() == 4; }));
    ASSERT_TRUE(PumpUntil([&] { return AllKept(cache); }));
    const std::vector<std::string> offers = ShownOffers(*Main->DBGridRates);
    ASSERT_EQ(offers.size(), 4u);
    // The next start: the settings were saved, the tables and windows are new.
    Program = std::make_unique<TProgram>(Options());
    ASSERT_TRUE(Program->Open());
    ASSERT_TRUE(RatesTable.empty());

    TFormMain& main = Open();
    main.SetFeedKeeper(BackgroundFeedKeeper(cache));
    {
        TScriptedServer gone; // a port that closes every connection at once
        main.SetServiceBaseUrl(gone.Url(""));
    }
    ASSERT_TRUE(main.ShowKeptFeeds(cache));
    // Read on a worker, so the window is up before they are.
    ASSERT_TRUE(PumpUntil([&] { return main.ComboBoxSrc->isEnabled(); }));
    EXPECT_EQ(ShownOffers(*main.DBGridRates), offers);
    EXPECT_TRUE(main.ComboBoxSrc->isEnabled());
    EXPECT_EQ(main.Refresher().StatusLine().left(21), QStringLiteral("Сохранённые курсы от "));
    main.TimerTimer();
    ASSERT_TRUE(PumpUntil([&] { return Bar() == 4; }));
    EXPECT_EQ(ShownOffers(*main.DBGridRates), offers);
    EXPECT_TRUE(main.Refresher().StatusLine().startsWith(QStringLiteral("Данные не получены: ")))
        << main.Refresher().StatusLine().toStdString();
    EXPECT_TRUE(main.Refresher().StatusLine().contains(QStringLiteral(". Сохранённые курсы от ")));
    PumpFor(100ms);
    EXPECT_EQ(LoadKeptFeed(cache, "rates")->Body, feeds::kRates);
    EXPECT_TRUE(BoxTexts.isEmpty()) << BoxTexts.join('\n').toStdString();
}

TEST_F(RefreshCycle, TheOpenChartShowsThePairsHistoryOnceTheKeptListsChooseItWhateverTheRefreshDoes) {
    ConfigWrite(ConfigDoc, "Rates/SrcCurr", "US Dollar");
    ConfigWrite(ConfigDoc, "Rates/DstCurr", "Euro");
    ConfigWrite(ConfigDoc, "Chart/Shown", true);
    const std::filesystem::path cache = FDir / "cache";
    Open().SetFeedKeeper(BackgroundFeedKeeper(cache));
    const auto charted = [&] {
        return Main->findChild<TRateChart*>()->accessibleDescription().startsWith(
            QStringLiteral("Последний курс"));
    };
    Main->TimerTimer();
    ASSERT_TRUE(PumpUntil([&] { return charted() && AllKept(cache); }));
    Program = std::make_unique<TProgram>(Options()); // the next start; the service answers nothing
    ASSERT_TRUE(Program->Open());
    for (const char* feed : {"news", "rates", "names", "exchangers"}) {
        Service.Answer(feed, {"", 0ms, true});
    }
    ASSERT_TRUE(Open().ShowKeptFeeds(cache));
    Main->TimerTimer();
    EXPECT_TRUE(PumpUntil(charted)) << Main->findChild<TRateChart*>()->accessibleDescription().toStdString();
}

} // namespace
