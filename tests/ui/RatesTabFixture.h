#pragma once
// Shared by the rates-tab tests: a window whose timer stays still and that is handed the feeds directly, as
// the completions of a refresh would be.

#include "tests/ui/MainWindowFixture.h"
#include "tests/ui/RatesFeeds.h"
#include "ui/UnitMain.h"

#include <memory>
#include <string>

class TRatesTabTest : public TMainWindowTest {
  protected:
    void SetUp() override {
        TMainWindowTest::SetUp();
        RatesTable.clear();
        ExchangersTable.clear();
    }
    void TearDown() override {
        Main.reset();
        RatesTable.clear();
        ExchangersTable.clear();
        TMainWindowTest::TearDown();
    }

    // A window whose timer stays still: these tests hand it the feeds themselves.
    TFormMain& Open() {
        Main = std::make_unique<TFormMain>();
        Main->Timer->stop();
        return *Main;
    }

    static TOData Answer(const std::string& Body) {
        TOData output;
        output.ResultCode = 200;
        output.Body = Body;
        return output;
    }

    // All four feeds, data feeds in the order a refresh often finishes them.
    void Deliver() {
        Main->NewsReceived(Answer(feeds::kNews));
        Main->RatesReceived(Answer(feeds::kRates));
        Main->ExchangersReceived(Answer(feeds::kExchangers));
        Main->NamesReceived(Answer(feeds::kNames));
    }

    // A window showing US Dollar -> Euro.
    TFormMain& OpenWithPair() {
        ConfigWrite(ConfigDoc, "Rates/SrcCurr", "US Dollar");
        ConfigWrite(ConfigDoc, "Rates/DstCurr", "Euro");
        TFormMain& main = Open();
        Deliver();
        return main;
    }

    std::unique_ptr<TFormMain> Main;
};
