// kovrin-cli watch: its pure part (lines, when to print, when to stop), and the built program polling a
// scripted service whose rates change between polls.

#include "history/Sqlite.h"
#include "tests/support/ChildProcess.h"
#include "tests/support/FeedService.h"
#include "tests/support/OfferRow.h"
#include "tests/support/TempDir.h"
#include "tests/tools/ToolPaths.h"
#include "tools/kovrin-cli/WatchState.h"

#include <gtest/gtest.h>

#include <thread>

#include <atomic>
#include <regex>

namespace {

using namespace std::chrono_literals;

const TWatchTime kAt{{2026, 12, 9, 14, 5, 9}, 3 * 3600};

std::optional<TBestOffer> Best(std::int32_t Id, std::string Name, double Src, double Dst, double Reserve) {
    return TBestOffer{OfferRow(Id, std::move(Name), Src, Dst, Reserve), static_cast<long double>(Dst) / Src};
}

TEST(WatchLines, TextAndJsonCarryTheTimeTheExchangerTheRateAndTheReserve) {
    EXPECT_EQ(WatchTextLine(Best(2, "Beta", 1, 0.95, 50.5), kAt), "2026-12-09 14:05:09  Beta  0.95  50.5\n");
    EXPECT_EQ(WatchTextLine(Best(3, "Gamma\nline", 1.1, 1, 500), kAt),
              "2026-12-09 14:05:09  Gamma line  0.909090909090909  500\n");
    EXPECT_EQ(WatchTextLine(std::nullopt, kAt), "2026-12-09 14:05:09  (no offers)\n");
    EXPECT_EQ(
        WatchJsonLine(Best(2, "Be\"ta", 1, 0.95, 50.5), kAt),
        "{\"time\": \"2026-12-09T14:05:09+03:00\", \"EID\": 2, \"Exchanger\": \"Be\\\"ta\", \"SrcRate\": 1, "
        "\"DstRate\": 0.95, \"Rate\": 0.95, \"Reserve\": 50.5}\n");
    const TWatchTime west{{2026, 1, 2, 3, 4, 5}, -(9 * 3600 + 30 * 60)};
    EXPECT_NE(WatchJsonLine(std::nullopt, west).find("\"2026-01-02T03:04:05-09:30\", \"EID\": null"),
              std::string::npos);
}

TEST(WatchState, PrintsChangesOnlyAndEndsWhenTheLevelIsMet) {
    TWatchOptions options;
    options.Above = 1.0L;
    TWatchState state(options);
    EXPECT_FALSE(state.Answered(Best(2, "Beta", 1, 0.95, 50), kAt).Line.empty()); // the first poll prints
    TWatchStep same = state.Answered(Best(2, "Beta", 1, 0.95, 50), kAt);
    EXPECT_TRUE(same.Line.empty());
    EXPECT_FALSE(same.Exit);
    // The same rate from another exchanger is another best offer.
    EXPECT_FALSE(state.Answered(Best(7, "Beta", 1, 0.95, 50), kAt).Line.empty());
    EXPECT_FALSE(state.Failed().Exit);
    EXPECT_FALSE(state.Answered(Best(7, "Beta", 1, 0.95, 60), kAt).Line.empty()); // a new reserve
    const TWatchStep met = state.Answered(Best(1, "Alpha", 1, 1.0, 60), kAt);
    EXPECT_FALSE(met.Line.empty());
    EXPECT_EQ(met.Exit, 0);
}

TEST(WatchState, CountEndsWithFourWhenALevelWasNeverMetAndThreeWhenNoPollAnswered) {
    TWatchOptions below;
    below.Count = 2;
    below.Below = 0.5L;
    TWatchState levelNotMet(below);
    EXPECT_FALSE(levelNotMet.Answered(Best(2, "Beta", 1, 0.95, 50), kAt).Exit);
    EXPECT_EQ(levelNotMet.Answered(std::nullopt, kAt).Exit, kExitLevelNotMet);

    TWatchOptions plain;
    plain.Count = 2;
    TWatchState answered(plain);
    EXPECT_FALSE(answered.Failed().Exit);
    EXPECT_EQ(answered.Answered(Best(2, "Beta", 1, 0.95, 50), kAt).Exit, 0);
    TWatchState unreachable(plain);
    EXPECT_FALSE(unreachable.Failed().Exit);
    EXPECT_EQ(unreachable.Failed().Exit, 3);
    TWatchState levelUnreachable(below); // no poll brought a rate to judge the level by
    EXPECT_FALSE(levelUnreachable.Failed().Exit);
    EXPECT_EQ(levelUnreachable.Failed().Exit, 3);

    TWatchOptions atMost;
    atMost.Below = 0.95L; // reaching the level from above counts, as typed
    EXPECT_EQ(TWatchState(atMost).Answered(Best(2, "Beta", 1, 0.95, 50), kAt).Exit, 0);
}

// The feeds of the rates-tab tests, the rates taken in turn from Rates per rates request (the last one
// stays); a rates request listed in Failing is answered 503. The news, which a watch has no use for, fails.
class ScriptedRates {
  public:
    explicit ScriptedRates(std::vector<std::string> Rates, std::set<std::size_t> Failing = {})
        : FRates(std::move(Rates)), FFailing(std::move(Failing)) {
        FServer.SetResponder([this](const std::string& Request) {
            const std::string action = TFeedService::Action(Request);
            std::string body;
            if (action == "rates") {
                const std::size_t request = FRatesRequests++;
                if (FFailing.contains(request)) {
                    return TScript().Send(HttpResponseText("503 Service Unavailable", "busy"));
                }
                body = FRates[std::min(request, FRates.size() - 1)];
            } else if (action == "names") {
                body = "usd;US Dollar;x\neur;Euro;x\n";
            } else if (action == "exchangers") {
                body = "1;Alpha;;\n2;Beta;5;1\n3;Gamma;;\n";
            } else {
                return TScript().Send(HttpResponseText("500 Internal Server Error", "down"));
            }
            return TScript().Send(HttpResponseText("200 OK", body));
        });
    }
    std::string Base() const { return FServer.Url(""); }

  private:
    std::vector<std::string> FRates;
    std::set<std::size_t> FFailing;
    std::atomic<std::size_t> FRatesRequests{0};
    TScriptedServer FServer;
};

class Watch : public testing::Test {
  protected:
    TChildResult Run(const std::vector<std::string>& Args) { return RunChild(kCli, Args, Env(), 60s); }
    // A home of its own: the watch records its polls in the history under the data home.
    TChildEnv Env() const {
        return {{"XDG_CONFIG_HOME", Home.Path().string()}, {"XDG_DATA_HOME", Home.Path().string()}};
    }
    TTempDir Home;
};

std::vector<std::string> Lines(const std::string& Text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < Text.size()) {
        const std::size_t end = Text.find('\n', start);
        lines.push_back(Text.substr(start, end - start));
        start = end == std::string::npos ? Text.size() : end + 1;
    }
    return lines;
}

// Text lines without their time.
std::vector<std::string> Offers(const std::string& Out) {
    std::vector<std::string> offers;
    for (const std::string& line : Lines(Out)) {
        EXPECT_TRUE(std::regex_match(line, std::regex(R"(\d{4}-\d\d-\d\d \d\d:\d\d:\d\d  .*)"))) << line;
        offers.push_back(line.size() > 21 ? line.substr(21) : line);
    }
    return offers;
}

TEST_F(Watch, PrintsTheBestOfferWhenItChangesAndExitsZeroOnceTheLevelIsCrossed) {
    ScriptedRates service(
        {"1;usd;eur;1;0.9;1000\n2;usd;eur;1;0.95;50\n", "1;usd;eur;1;0.9;1000\n2;usd;eur;1;0.95;50\n",
         "1;usd;eur;1;0.97;1000\n2;usd;eur;1;0.95;50\n",
         "1;usd;eur;1;0.97;1000\n2;usd;eur;1;0.95;50\n3;usd;eur;1;1.01;7\n", "3;usd;eur;1;2;7\n"});
    const TChildResult result =
        Run({"watch", "usd", "Euro", "--interval", "1", "--above", "1", "--service", service.Base()});
    EXPECT_EQ(result.ExitCode, 0) << result.Err;
    EXPECT_EQ(Offers(result.Out),
              (std::vector<std::string>{"Beta  0.95  50", "Alpha  0.97  1000", "Gamma  1.01  7"}));
}

TEST_F(Watch, CountEndsTheWatchWithFourWhenTheLevelIsNeverMetOrZeroWithoutOne) {
    ScriptedRates service({"2;usd;eur;1;0.95;50\n"});
    const TChildResult notMet = Run({"watch", "US Dollar", "Euro", "--interval", "1", "--count", "2",
                                     "--below", "0.5", "--format", "json", "--service", service.Base()});
    EXPECT_EQ(notMet.ExitCode, 4) << notMet.Err;
    ASSERT_EQ(Lines(notMet.Out).size(), 1u) << notMet.Out;
    EXPECT_TRUE(std::regex_match(
        notMet.Out,
        std::regex(R"(\{"time": "\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d[+-]\d\d:\d\d", "EID": 2, )"
                   R"("Exchanger": "Beta", "SrcRate": 1, "DstRate": 0.95, "Rate": 0.95, "Reserve": 50\}\n)")))
        << notMet.Out;
    const TChildResult counted =
        Run({"watch", "usd", "eur", "--interval", "1", "--count", "1", "--service", service.Base()});
    EXPECT_EQ(counted.ExitCode, 0) << counted.Err;
}

TEST_F(Watch, AFailedPollSaysWhichFeedAndWhyAndTheWatchGoesOn) {
    ScriptedRates service({"2;usd;eur;1;0.95;50\n", "2;usd;eur;1;0.95;50\n", "1;usd;eur;1;1.5;9\n"}, {1});
    const TChildResult result =
        Run({"watch", "usd", "eur", "--interval", "1", "--above", "1.5", "--service", service.Base()});
    EXPECT_EQ(result.ExitCode, 0) << result.Err;
    EXPECT_EQ(Offers(result.Out), (std::vector<std::string>{"Beta  0.95  50", "Alpha  1.5  9"}));
    const std::vector<std::string> errors = Lines(result.Err);
    ASSERT_EQ(errors.size(), 1u) << result.Err;
    EXPECT_NE(errors[0].find("feed \"rates\""), std::string::npos) << errors[0];
    EXPECT_NE(errors[0].find("HTTP 503"), std::string::npos) << errors[0];
}

TEST_F(Watch, AnUnknownCurrencyEndsAtOnceAndABadCommandLineIsRefused) {
    ScriptedRates service({"2;usd;eur;1;0.95;50\n"});
    const TChildResult unknown =
        Run({"watch", "usd", "Dogecoin", "--interval", "60", "--service", service.Base()});
    EXPECT_EQ(unknown.ExitCode, 1);
    EXPECT_NE(unknown.Err.find("unknown currency \"Dogecoin\""), std::string::npos) << unknown.Err;
    EXPECT_EQ(unknown.Out, "");
    for (const std::vector<std::string>& bad : {std::vector<std::string>{"watch", "usd"},
                                                {"watch", "usd", "eur", "--interval", "0"},
                                                {"watch", "usd", "eur", "--count", "0"},
                                                {"watch", "usd", "eur", "--above", "abc"},
                                                {"watch", "usd", "eur", "--above", "1e300"},
                                                {"watch", "usd", "eur", "--below", "0"},
                                                {"watch", "usd", "eur", "--format", "csv"},
                                                {"watch", "usd", "eur", "--every", "5"}}) {
        const TChildResult result = Run(bad);
        EXPECT_EQ(result.ExitCode, 2) << bad.back() << ": " << result.Err;
        EXPECT_EQ(result.Out, "");
    }
}

TEST_F(Watch, SigtermBetweenPollsEndsWith143AndOnlyWholeLines) {
    ScriptedRates service({"2;usd;eur;1;0.95;50\n"});
    TBackgroundChild watch(kCli, {"watch", "usd", "eur", "--interval", "60", "--service", service.Base()},
                           Env());
    const std::optional<std::string> line = watch.ReadOutLine(20s);
    ASSERT_TRUE(line);
    EXPECT_NE(line->find("  Beta  0.95  50"), std::string::npos) << *line;
    EXPECT_EQ(watch.Stop(5s), 143);

    // A poll whose answer never comes (the exchange's own bound is minutes away) ends at the signal too.
    TScriptedServer silent;
    silent.SetResponder([](const std::string&) { return TScript().Send("HTTP/1.0 200 OK\r\n").Hold(); });
    TBackgroundChild waiting(kCli, {"watch", "usd", "eur", "--service", silent.Url("")},
                             {{"XDG_CONFIG_HOME", Home.Path().string()}});
    for (const auto until = std::chrono::steady_clock::now() + 20s;
         silent.ConnectionCount() < 3 && std::chrono::steady_clock::now() < until;)
        std::this_thread::sleep_for(10ms);
    ASSERT_EQ(silent.ConnectionCount(), 3u);
    const auto signalled = std::chrono::steady_clock::now();
    EXPECT_EQ(waiting.Stop(5s), 143);
    EXPECT_LT(std::chrono::steady_clock::now() - signalled, 2s);
}

TEST_F(Watch, FeedFilesAreReadAgainAtEveryPoll) {
    TTempDir feeds;
    WriteFileBytes(feeds / "names.txt", "usd;US Dollar;x\neur;Euro;x\n");
    WriteFileBytes(feeds / "exchangers.txt", "1;Alpha;;\n2;Beta;;\n");
    WriteFileBytes(feeds / "rates.txt", "2;usd;eur;1;0.95;50\n");
    TBackgroundChild watch(kCli, {"watch", "usd", "eur", "--interval", "1", "--feeds", feeds.Path().string()},
                           Env());
    const std::optional<std::string> first = watch.ReadOutLine(20s);
    ASSERT_TRUE(first);
    EXPECT_NE(first->find("  Beta  0.95  50"), std::string::npos) << *first;
    WriteFileBytes(feeds / "rates.txt", "1;usd;eur;1;0.99;10\n");
    const std::optional<std::string> second = watch.ReadOutLine(20s);
    ASSERT_TRUE(second);
    EXPECT_NE(second->find("  Alpha  0.99  10"), std::string::npos) << *second;
    EXPECT_EQ(watch.Stop(5s), 143);
    // Points from files would show as the build's service's: none is recorded.
    EXPECT_FALSE(std::filesystem::exists(Home.Path() / "kovrin" / "history.sqlite"));
}

TEST_F(Watch, EachPollIsRecordedAndHistoryPrintsThePointsUnlessNoRecordIsGiven) {
    ScriptedRates service({"1;usd;eur;1;0.9;1000\n2;usd;eur;1;0.95;50\n", "3;usd;eur;2;3;7\n"});
    ASSERT_EQ(
        Run({"watch", "usd", "eur", "--interval", "1", "--count", "2", "--service", service.Base()}).ExitCode,
        0);
    // The points are that service's: the build's own has none of them.
    EXPECT_EQ(Run({"history", "US Dollar", "Euro"}).ExitCode, 1);
    TChildResult history = Run(
        {"--service", service.Base(), "history", "US Dollar", "Euro", "--format", "csv", "--since", "24h"});
    EXPECT_EQ(history.ExitCode, 0) << history.Err;
    const std::vector<std::string> lines = Lines(history.Out);
    ASSERT_EQ(lines.size(), 3u) << history.Out;
    EXPECT_EQ(lines[0], "time,Rate,Median,Offers,EID,Exchanger,Reserve,Low,High");
    EXPECT_TRUE(std::regex_match(
        lines[1],
        std::regex(R"(\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d[+-]\d\d:\d\d,0.95,0.925,2,2,Beta,1000,0.95,0.95)")))
        << lines[1];
    EXPECT_NE(lines[2].find(",1.5,1.5,1,3,Gamma,7,"), std::string::npos) << lines[2];
    history = Run({"history", "usd", "eur", "--format", "json", "--service", service.Base()});
    EXPECT_NE(
        history.Out.find(R"("Rate": 0.95, "Median": 0.925, "Offers": 2, "EID": 2, "Exchanger": "Beta", )"
                         R"("Reserve": 1000)"),
        std::string::npos)
        << history.Out;

    // Nothing since a day to come: exit 0, nothing printed. An unknown pair: 1. A bad --since: 2.
    history = Run({"history", "usd", "eur", "--since", "2999-01-01", "--service", service.Base()});
    EXPECT_EQ(history.ExitCode, 0);
    EXPECT_EQ(history.Out, "");
    EXPECT_EQ(Run({"history", "eur", "usd"}).ExitCode, 1);
    EXPECT_EQ(Run({"history", "USD", "euro", "--service", service.Base()}).ExitCode,
              0); // as offers takes them
    EXPECT_EQ(Run({"history", "usd", "eur", "--since", "2026-02-30", "--service", service.Base()}).ExitCode,
              2);

    ScriptedRates other({"1;eur;usd;1;1.1;10\n"});
    ASSERT_EQ(Run({"watch", "eur", "usd", "--count", "1", "--no-record", "--service", other.Base()}).ExitCode,
              0);
    EXPECT_EQ(Run({"history", "eur", "usd", "--service", other.Base()}).ExitCode, 1);

    // A history this build cannot read (a newer Kovrin's) is said to be unreadable, not empty.
    TSqliteDb(Home.Path() / "kovrin" / "history.sqlite").Exec("PRAGMA user_version = 99");
    history = Run({"history", "usd", "eur", "--service", service.Base()});
    EXPECT_EQ(history.ExitCode, 1);
    EXPECT_NE(history.Err.find("cannot be read"), std::string::npos) << history.Err;
    EXPECT_EQ(history.Err.find("no history recorded"), std::string::npos) << history.Err;

    // A damaged page: the reader says so, names the file, fails, and leaves the file as it was.
    const std::filesystem::path file = Home.Path() / "kovrin" / "history.sqlite";
    std::int64_t page = 0;
    {
        TSqliteDb db(file);
        db.Exec("PRAGMA user_version = 2");
        TStatement root(db, "SELECT rootpage FROM sqlite_master WHERE name = 'point'");
        page = root.Step() ? root.Int(0) : 0;
    }
    std::string bytes = ReadFileBytes(file);
    ASSERT_TRUE(page > 1 && bytes.size() > static_cast<std::size_t>(page) * 4096);
    bytes.replace(static_cast<std::size_t>((page - 1) * 4096 + 8), 200, 200, '\xff');
    WriteFileBytes(file, bytes);
    history = Run({"history", "usd", "eur", "--service", service.Base()});
    EXPECT_EQ(history.ExitCode, 1);
    EXPECT_NE(history.Err.find(file.string() + " is damaged"), std::string::npos) << history.Err;
    EXPECT_TRUE(ReadFileBytes(file) == bytes);
    EXPECT_FALSE(std::filesystem::exists(file.string() + ".damaged"));
}

} // namespace
