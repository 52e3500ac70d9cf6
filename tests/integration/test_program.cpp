// The start and stop sequence in process: what it shows at start, what it writes and releases at the stop.
#include "app/Program.h"
#include "engine/FeedCache.h"
#include "globals/Globals.h"
#include "net/PumpedDispatcher.h"
#include "settings/SettingsLocation.h"
#include "tests/integration/Pump.h"
#include "tests/support/FeedService.h"
#include "tests/support/ScopedEnv.h"
#include "tests/support/TempDir.h"
#include "tests/ui/RatesFeeds.h"
#include "ui/UnitDM.h"
#include "ui/UnitLoader.h"
#include "ui/UnitMain.h"

#include <QApplication>
#include <QMessageBox>

#include <gtest/gtest.h>

#include <chrono>
#include <stdexcept>

namespace {

class Program : public testing::Test {
  protected:
    TProgramOptions Options() const {
        TProgramOptions options;
        options.SettingsFile = FDir / "settings.xml";
        options.ServiceBase = "http://127.0.0.1:1"; // nothing listens there; no test refreshes
        options.FeedCache = FDir / "cache";
        options.HistoryFile = FDir / "history.sqlite";
        options.Timers = false;
        options.QuitSignals = false;
        options.AutosaveInterval = std::chrono::milliseconds(20);
        return options;
    }

    TTempDir FDir;
    TScopedEnv FConfigHome{"XDG_CONFIG_HOME", (FDir / "config").string()};
};

TEST_F(Program, StartsWithTheKeptFeedsAndStopsWritingTheSettingsAndReleasingEveryGlobal) {
    for (const auto& [feed, body] :
         {std::pair{"news", feeds::kNews}, std::pair{"rates", feeds::kRates},
          std::pair{"names", feeds::kNames}, std::pair{"exchangers", feeds::kExchangers}}) {
        ASSERT_TRUE(KeepFeed(FDir / "cache", feed, body, 1765281909));
    }
    TProgram program(Options());
    ASSERT_TRUE(program.Open());
    EXPECT_THROW(program.Open(), std::logic_error);
    ConfigWrite(ConfigDoc, "Rates/SrcCurr", "US Dollar");
    ConfigWrite(ConfigDoc, "Rates/DstCurr", "Euro");
    ASSERT_NE(JobControl, nullptr);
    program.ShowWindows();
    EXPECT_EQ(FormMain, &program.Main());
    EXPECT_EQ(FormLoader, &program.Loader());
    ASSERT_NE(DM, nullptr);
    EXPECT_TRUE(program.Main().isVisible());
    EXPECT_FALSE(program.Main().Timer->isActive());
    // The kept feeds are read on a worker: the window is up first, and shows them when they are ready.
    ASSERT_TRUE(PumpUntil([&] { return program.Main().ComboBoxSrc->isEnabled(); }));
    EXPECT_EQ(ShownOffers(*program.Main().DBGridRates),
              (std::vector<std::string>{"Beta 1 0.95", "Alpha 1 0.9", "Delta 1 0.8", "Gamma 1.1 1"}));
    // What changed reaches the file while the program runs: a crash would not lose it.
    EXPECT_TRUE(PumpUntil([&] {
        return ReadFileBytes(FDir / "settings.xml").find("<DstCurr>Euro</DstCurr>") != std::string::npos;
    }));

    program.Main().ButtonedEditSrc->setText("250");
    program.Main().close(); // writes the window's state into the document
    program.Stop();
    EXPECT_EQ(FormMain, nullptr);
    EXPECT_EQ(FormLoader, nullptr);
    EXPECT_EQ(DM, nullptr);
    EXPECT_EQ(JobControl, nullptr);
    EXPECT_TRUE(RatesTable.empty());
    EXPECT_TRUE(NamesTable.empty());
    const std::string saved = ReadFileBytes(FDir / "settings.xml");
    EXPECT_NE(saved.find("<SrcAmount>250</SrcAmount>"), std::string::npos) << saved;
    EXPECT_NE(saved.find("<SrcCurr>US Dollar</SrcCurr>"), std::string::npos) << saved;
    program.Stop(); // a second stop does nothing
}

TEST_F(Program, ASettingsFileOnlyReadOrMadeReadOnlyIsLeftAsItIs) {
    const std::string before = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<settings>\n"
                               "  <Rates>\n    <SrcAmount>7</SrcAmount>\n  </Rates>\n</settings>\n";
    for (const bool readOnlyFile : {false, true}) {
        ASSERT_TRUE(AtomicWriteFile(FDir / "settings.xml", before));
        TProgramOptions options = Options();
        options.SaveSettings = readOnlyFile;
        if (readOnlyFile) {
            std::filesystem::permissions(FDir / "settings.xml", std::filesystem::perms::owner_read);
        }
        {
            TProgram program(options);
            ASSERT_TRUE(program.Open());
            program.ShowWindows();
            EXPECT_EQ(program.Main().ButtonedEditSrc->text(), "7");
            program.Main().ButtonedEditSrc->setText("9");
            program.Main().close();
        }
        EXPECT_EQ(ReadFileBytes(FDir / "settings.xml"), before) << "read-only file: " << readOnlyFile;
        std::filesystem::permissions(FDir / "settings.xml", std::filesystem::perms::owner_all);
    }
}

TEST_F(Program, AnUnusableSettingsFileIsToldInTheWindowNotOnlyOnStderr) {
    WriteFileBytes(FDir / "settings.xml", "<settings><Rates>");
    TProgram program(Options());
    ASSERT_TRUE(program.Open());
    program.ShowWindows();
    auto* box = program.Main().findChild<QMessageBox*>(QStringLiteral("UnusableSettingsBox"));
    ASSERT_NE(box, nullptr);
    EXPECT_TRUE(box->isVisible());
    EXPECT_FALSE(box->isModal());
    EXPECT_TRUE(box->text().contains(QString::fromStdString((FDir / "settings.xml").string())));
    EXPECT_TRUE(box->detailedText().contains(QStringLiteral("settings.xml.damaged")));
}

TEST_F(Program, AGivenHandOffCarriesTheRefreshsCompletions) {
    TFeedService service;
    service.Answer("news", {feeds::kNews});
    service.Answer("rates", {feeds::kRates});
    service.Answer("names", {feeds::kNames});
    service.Answer("exchangers", {feeds::kExchangers});
    TPumpedDispatcher completions;
    TProgramOptions options = Options();
    options.ServiceBase = service.Base();
    options.Dispatcher = completions.Dispatcher();
    TProgram program(options);
    ASSERT_TRUE(program.Open());
    program.ShowWindows();
    program.Main().TimerTimer(); // the first refresh
    ASSERT_TRUE(completions.WaitForQueued(4, std::chrono::seconds(10)));
    QCoreApplication::processEvents();
    EXPECT_EQ(program.Loader().ProgressBar->value(), 0); // nothing arrives through Qt's loop
    completions.Pump();
    EXPECT_EQ(program.Loader().ProgressBar->value(), 4);
    EXPECT_FALSE(RatesTable.empty());
}

TEST_F(Program, WithoutAFeedCacheNothingIsKeptOrShownAndWithoutAJobRunnerThereIsNone) {
    ASSERT_TRUE(KeepFeed(FDir / "cache", "rates", feeds::kRates, 1765281909));
    TProgramOptions options = Options();
    options.FeedCache = std::filesystem::path();
    options.JobRunner = false;
    TProgram program(options);
    ASSERT_TRUE(program.Open());
    EXPECT_EQ(JobControl, nullptr);
    program.ShowWindows();
    EXPECT_TRUE(RatesTable.empty());
    EXPECT_THROW(TProgram().ShowWindows(), std::logic_error); // windows before the settings
}

} // namespace
