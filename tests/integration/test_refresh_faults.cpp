// A refresh against the demo service misbehaving in each of its fault modes: the window keeps working; a
// failed exchange replaces nothing on screen and the status line names the failure, while an answer the
// service gave (empty or foreign text with status 200) is taken as the service's word; the next refresh
// against the healed service brings every table and the offers back, and the status line gives the new time.
#include "app/Program.h"
#include "engine/Protocol.h"
#include "globals/Globals.h"
#include "net/TCP.h"
#include "tests/integration/Pump.h"
#include "tests/support/ChildProcess.h"
#include "tests/support/ScopedEnv.h"
#include "tests/support/TempDir.h"
#include "tests/ui/RatesFeeds.h"
#include "tests/ui/WindowSnapshot.h"
#include "ui/ErrorBox.h"
#include "ui/NewsView.h"
#include "ui/Opener.h"
#include "ui/RefreshController.h"
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

const TWallClock kFirst{2026, 12, 9, 14, 5, 9};
const TWallClock kFaulty{2026, 12, 9, 14, 6, 10};
const TWallClock kHealed{2026, 12, 9, 14, 7, 11};

struct TFaultCase {
    const char* Mode;
    // The service answers 200 with a body that holds no record: every table is replaced by an empty one.
    bool Answered;
    // How the status line names the failure of an exchange that did not succeed.
    const char* Cause;
};

class RefreshAgainstFaults : public testing::TestWithParam<TFaultCase> {
  protected:
    void SetUp() override {
        FPreviousBox = SetErrorBox([this](const QString&, const QString& text) { BoxTexts << text; });
        FService = std::make_unique<TBackgroundChild>(
            KOVRIN_DEMO_SERVICE_PATH,
            std::vector<std::string>{"--port", "0", "--rates-rows", "3000", "--trickle-ms", "20"});
        const std::optional<std::string> line = FService->ReadOutLine(10s);
        ASSERT_TRUE(line && line->rfind("listening on ", 0) == 0) << line.value_or("(nothing)");
        FBase = line->substr(std::string("listening on ").size());

        // The program's start with the settings in the test's folder; both timers stand still.
        TProgramOptions options;
        options.SettingsFile = FDir / "settings.xml";
        options.ServiceBase = FBase;
        options.FeedCache = std::filesystem::path();
        options.HistoryFile = std::filesystem::path();
        options.Timers = false;
        options.QuitSignals = false;
        Program = std::make_unique<TProgram>(options);
        ASSERT_TRUE(Program->Open());
        ConfigWrite(ConfigDoc, "Rates/SrcCurr", kGive);
        ConfigWrite(ConfigDoc, "Rates/DstCurr", kGet);
        Program->ShowWindows();
        Main = &Program->Main();
        Loader = &Program->Loader();
        // Short waits, so a silent or trickling service costs a few seconds and not minutes.
        Main->SetFeedTimeout(300);
        Main->Refresher().SetClock([this] { return Now; });
    }

    void TearDown() override {
        Program.reset();
        if (FService) {
            FService->Stop();
        }
        SetErrorBox(FPreviousBox);
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
    std::unique_ptr<TProgram> Program;
    TFormMain* Main = nullptr;
    TFormLoader* Loader = nullptr;
    QStringList BoxTexts;
    TWallClock Now = kFirst;

  private:
    TErrorBox FPreviousBox;
};

TEST_P(RefreshAgainstFaults, AFailureChangesNothingAndIsNamedAndTheHealedServiceBringsEverythingBack) {
    const TFaultCase fault = GetParam();

    Refresh();
    const TShown before = Shown(*Main);
    ASSERT_FALSE(before.Rates.empty());
    ASSERT_FALSE(before.Offers.empty()) << "the demo pair shows no offers";
    ASSERT_FALSE(before.Hide.isEmpty());
    EXPECT_EQ(Main->Refresher().StatusLine(), QStringLiteral("Курсы обновлены в 14:05:09"));

    SetFault(fault.Mode);
    Now = kFaulty;
    Refresh();
    const QString status = Main->Refresher().StatusLine();
    if (fault.Answered) {
        // The service's own word, handled as any answer: empty tables and lists; the rebuild stops at them,
        // so the grid keeps the last complete offers.
        EXPECT_TRUE(NamesTable.empty());
        EXPECT_TRUE(RatesTable.empty());
        EXPECT_TRUE(ExchangersTable.empty());
        EXPECT_EQ(Main->ComboBoxSrc->count(), 0);
        EXPECT_TRUE(Main->ComboBoxSrc->isEnabled());
        EXPECT_EQ(ShownOffers(*Main->DBGridRates), before.Offers);
        EXPECT_EQ(status, QStringLiteral("Показаны курсы от 14:05:09. Без записей: курсы, названия валют и "
                                         "обменники"));
    } else {
        EXPECT_EQ(Shown(*Main), before);
        EXPECT_TRUE(status.contains(QString::fromUtf8(fault.Cause))) << status.toStdString();
        EXPECT_TRUE(status.endsWith(QStringLiteral("Показаны курсы от 14:05:09"))) << status.toStdString();
    }
    // The window still answers the user: typing an amount re-orders whatever is on screen, nothing is shown.
    QTest::keyClicks(Main->ButtonedEditSrc, "5");
    Main->ButtonedEditSrc->clear();
    EXPECT_TRUE(BoxTexts.isEmpty()) << BoxTexts.join(" | ").toStdString();

    SetFault("none");
    Now = kHealed;
    Refresh();
    EXPECT_EQ(Shown(*Main), before);
    EXPECT_EQ(Main->ComboBoxSrc->currentText().toStdString(), kGive);
    EXPECT_EQ(Main->ComboBoxDst->currentText().toStdString(), kGet);
    EXPECT_EQ(Main->Refresher().StatusLine(), QStringLiteral("Курсы обновлены в 14:07:11"));
}

// The same service and program; the user gives up a refresh that stalls.
class CancelledRefresh : public RefreshAgainstFaults {};

TEST_F(CancelledRefresh, EndsAsAFailureOfTheFeedsNotInAndTheirLateAnswersChangeNothing) {
    Refresh();
    const TShown before = Shown(*Main);
    SetFault("stall");
    Main->SetFeedTimeout(1500); // the abandoned requests still end by themselves, after the cancel
    Now = kFaulty;
    for (int tick = 0; tick < 200 && !Main->BitBtnRefresh->isEnabled(); ++tick) {
        Main->TimerTimer();
    }
    Main->BitBtnRefresh->click();
    ASSERT_TRUE(Loader->isVisible());
    PumpFor(100ms);
    QTest::keyClick(Loader, Qt::Key_Escape);
    EXPECT_FALSE(Loader->isVisible());
    const QString cancelled =
        QStringLiteral("Обновление отменено: данные не получены. Показаны курсы от 14:05:09");
    EXPECT_EQ(Main->Refresher().StatusLine(), cancelled);
    EXPECT_FALSE(Main->BitBtnRefresh->isEnabled()); // the cooldown runs on, as after a failure

    // The stalled exchanges time out and complete: nothing they bring is counted or shown.
    ASSERT_TRUE(PumpUntil([] { return JobControl->PendingJobs() == 0; }, 10s));
    EXPECT_EQ(Main->Refresher().StatusLine(), cancelled);
    EXPECT_EQ(Loader->ProgressBar->value(), 0);
    EXPECT_EQ(Shown(*Main), before);

    SetFault("none");
    Now = kHealed;
    Refresh();
    EXPECT_EQ(Main->Refresher().StatusLine(), QStringLiteral("Курсы обновлены в 14:07:11"));
}

INSTANTIATE_TEST_SUITE_P(
    EachMode, RefreshAgainstFaults,
    testing::Values(TFaultCase{"empty-body", true, ""}, TFaultCase{"garbage-body", true, ""},
                    TFaultCase{"status-500", false, "Данные не получены: ошибка сервера (HTTP 500)"},
                    TFaultCase{"redirect-loop", false,
                               "Данные не получены: неожиданный ответ сервера (HTTP 302)"},
                    TFaultCase{"stall", false, "Данные не получены: сервер не ответил вовремя"},
                    TFaultCase{"close-mid-body", false, "не получены: сервер оборвал ответ"},
                    TFaultCase{"trickle", false, "Данные не получены: сервер не ответил вовремя"}),
    [](const testing::TestParamInfo<TFaultCase>& info) {
        std::string name = info.param.Mode;
        std::replace(name.begin(), name.end(), '-', '_');
        return name;
    });

} // namespace

#endif
