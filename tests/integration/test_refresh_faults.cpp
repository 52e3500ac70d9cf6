// A refresh against the demo service misbehaving in each of its fault modes: the window keeps working, shows
// what an empty, foreign or cut-short answer gives, and the next refresh against the healed service brings
// every table and the offers back.
#include "app/Globals.h"
#include "engine/Protocol.h"
#include "net/TCP.h"
#include "tests/integration/Pump.h"
#include "tests/support/ChildProcess.h"
#include "tests/support/ScopedEnv.h"
#include "tests/support/TempDir.h"
#include "tests/ui/RatesFeeds.h"
#include "ui/ErrorBox.h"
#include "ui/NewsView.h"
#include "ui/Opener.h"
#include "ui/QtDispatcher.h"
#include "ui/UnitLoader.h"
#include "ui/UnitMain.h"

#include <QCoreApplication>
#include <QTest>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <memory>
#include <thread>

#ifdef KOVRIN_DEMO_SERVICE_PATH

namespace {

using namespace std::chrono_literals;

// The pair the demo service quotes by many exchangers.
const char* const kGive = "Bitcoin BTC";
const char* const kGet = "Сбербанк RUB";

struct TFaultCase {
    const char* Mode;
    // The answers hold no record: every table ends up empty.
    bool NoRecords;
    // No body at all arrives: the news view is emptied too (otherwise it shows whatever text came).
    bool NoBody;
};

class RefreshAgainstFaults : public testing::TestWithParam<TFaultCase> {
  protected:
    void SetUp() override {
        ASSERT_TRUE(ConfigOpen(ConfigDoc, FDir / "settings.xml", "settings"));
        ConfigWrite(ConfigDoc, "Rates/SrcCurr", kGive);
        ConfigWrite(ConfigDoc, "Rates/DstCurr", kGet);
        FPreviousBox = SetErrorBox([this](const QString&, const QString& text) { BoxTexts << text; });
        NamesTable.clear();
        RatesTable.clear();
        ExchangersTable.clear();

        FService = std::make_unique<TBackgroundChild>(
            KOVRIN_DEMO_SERVICE_PATH,
            std::vector<std::string>{"--port", "0", "--rates-rows", "3000", "--trickle-ms", "20"});
        const std::optional<std::string> line = FService->ReadOutLine(10s);
        ASSERT_TRUE(line && line->rfind("listening on ", 0) == 0) << line.value_or("(nothing)");
        FBase = line->substr(std::string("listening on ").size());

        Dispatcher = std::make_unique<TQtDispatcher>();
        JobControl = std::make_unique<TThreadCtrl>(Dispatcher->Dispatcher());
        Main = std::make_unique<TFormMain>();
        Main->Timer->stop();
        Main->SetServiceBaseUrl(FBase);
        // Short waits, so a silent or trickling service costs a few seconds and not minutes.
        Main->SetFeedTimeout(300);
        Loader = std::make_unique<TFormLoader>(Main.get());
        Loader->Timer->stop();
        FormLoader = Loader.get();
    }

    void TearDown() override {
        Dispatcher->Close();
        JobControl.reset();
        FormLoader = nullptr;
        Loader.reset();
        Main.reset();
        Dispatcher.reset();
        if (FService) {
            FService->Stop();
        }
        SetErrorBox(FPreviousBox);
        ConfigDoc.reset();
        NamesTable.clear();
        RatesTable.clear();
        ExchangersTable.clear();
    }

    // Switches the running service's fault mode ("none" heals it).
    void SetFault(const std::string& mode) {
        TIData request;
        request.Timeout = 5000;
        request.URL = FBase + "/control";
        request.PostParams = {{"fault", mode}};
        TOData response;
        HttpRequest(request, response);
        ASSERT_EQ(response.ResultCode, 200) << response.Body;
    }

    // Starts a refresh as the user would (ticking until the button is back) and waits for all four handlers.
    void Refresh() {
        for (int tick = 0; tick < 200 && !Main->BitBtnRefresh->isEnabled(); ++tick) {
            Main->TimerTimer();
        }
        ASSERT_TRUE(Main->BitBtnRefresh->isEnabled());
        Main->BitBtnRefresh->click();
        ASSERT_TRUE(PumpUntil([&] { return Loader->ProgressBar->value() == 4; }, 20s))
            << "only " << Loader->ProgressBar->value() << " feeds completed";
    }

    TTempDir FDir;
    TScopedEnv FConfigHome{"XDG_CONFIG_HOME", (FDir / "config").string()};
    std::unique_ptr<TBackgroundChild> FService;
    std::string FBase;
    std::unique_ptr<TQtDispatcher> Dispatcher;
    std::unique_ptr<TFormMain> Main;
    std::unique_ptr<TFormLoader> Loader;
    QStringList BoxTexts;

  private:
    TErrorBox FPreviousBox;
};

TEST_P(RefreshAgainstFaults, TheWindowKeepsWorkingAndTheNextHealthyRefreshRecoversEveryTable) {
    const TFaultCase fault = GetParam();

    Refresh();
    const TStringMatrix names = NamesTable;
    const TStringMatrix rates = RatesTable;
    const TStringMatrix exchangers = ExchangersTable;
    const QString news = Main->EditNews->toPlainText();
    const std::vector<std::string> offers = ShownExchangers(*Main->DBGridRates);
    ASSERT_FALSE(rates.empty());
    ASSERT_FALSE(offers.empty()) << "the demo pair shows no offers";

    SetFault(fault.Mode);
    Refresh();
    // Whatever arrived is a prefix of a healthy answer or foreign text: never more rows than a healthy feed.
    EXPECT_LE(RatesTable.size(), rates.size());
    EXPECT_LE(NamesTable.size(), names.size());
    EXPECT_TRUE(Main->ComboBoxSrc->isEnabled());
    if (fault.NoBody) {
        EXPECT_TRUE(Main->EditNews->toPlainText().isEmpty());
    }
    if (fault.NoRecords) {
        EXPECT_TRUE(NamesTable.empty());
        EXPECT_TRUE(RatesTable.empty());
        EXPECT_TRUE(ExchangersTable.empty());
        EXPECT_EQ(Main->ComboBoxSrc->count(), 0);
        // Without rates and names the rebuild stops early: the last complete offers stay on screen.
        EXPECT_EQ(ShownExchangers(*Main->DBGridRates), offers);
    }
    // The window still answers the user: typing an amount re-orders whatever is on screen, nothing is shown.
    QTest::keyClicks(Main->ButtonedEditSrc, "5");
    Main->ButtonedEditSrc->clear();
    EXPECT_TRUE(BoxTexts.isEmpty()) << BoxTexts.join(" | ").toStdString();

    SetFault("none");
    Refresh();
    EXPECT_EQ(NamesTable, names);
    EXPECT_EQ(RatesTable, rates);
    EXPECT_EQ(ExchangersTable, exchangers);
    EXPECT_EQ(Main->EditNews->toPlainText(), news);
    EXPECT_EQ(Main->ComboBoxSrc->currentText().toStdString(), kGive);
    EXPECT_EQ(Main->ComboBoxDst->currentText().toStdString(), kGet);
    EXPECT_EQ(ShownExchangers(*Main->DBGridRates), offers);
}

INSTANTIATE_TEST_SUITE_P(
    EachMode, RefreshAgainstFaults,
    testing::Values(TFaultCase{"empty-body", true, true}, TFaultCase{"garbage-body", true, false},
                    TFaultCase{"status-500", true, false}, TFaultCase{"redirect-loop", true, false},
                    TFaultCase{"stall", true, true}, TFaultCase{"close-mid-body", false, false},
                    TFaultCase{"trickle", false, false}),
    [](const testing::TestParamInfo<TFaultCase>& info) {
        std::string name = info.param.Mode;
        std::replace(name.begin(), name.end(), '-', '_');
        return name;
    });

} // namespace

#endif
