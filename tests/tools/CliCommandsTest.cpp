// kovrin-cli's offers, feed and guid commands and the demo service, run as the built programs.

#include "engine/Functions.h"
#include "engine/Offers.h"
#include "engine/Protocol.h"
#include "engine/Routes.h"
#include "net/TCP.h"
#include "tests/support/ChildProcess.h"
#include "tests/support/TempDir.h"
#include "tests/support/TestCertificates.h"
#include "tests/tools/ToolPaths.h"
#include "tools/kovrin-cli/RoutesOutput.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <filesystem>
#include <regex>
#include <string>
#include <string_view>
#include <thread>

namespace {

// Count copies of Row, one after the other.
std::string Repeated(std::string_view Row, int Count) {
    std::string text;
    text.reserve(Row.size() * static_cast<std::size_t>(Count));
    for (int i = 0; i < Count; ++i) {
        text += Row;
    }
    return text;
}

constexpr const char* kSeed = "4242";
constexpr const char* kRows = "3000";

using TCsvRow = std::vector<std::string>;

// RFC 4180: quoted fields may hold commas, doubled quotes and line breaks.
std::vector<TCsvRow> ParseCsv(const std::string& text) {
    std::vector<TCsvRow> rows;
    TCsvRow row;
    std::string field;
    bool quoted = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (quoted) {
            if (c == '"' && i + 1 < text.size() && text[i + 1] == '"')
                field += '"', ++i;
            else if (c == '"')
                quoted = false;
            else
                field += c;
        } else if (c == '"') {
            quoted = true;
        } else if (c == ',') {
            row.push_back(std::move(field));
            field.clear();
        } else if (c == '\n') {
            row.push_back(std::move(field));
            field.clear();
            rows.push_back(std::move(row));
            row.clear();
        } else {
            field += c;
        }
    }
    EXPECT_TRUE(field.empty() && row.empty()) << "the CSV does not end with a line feed";
    return rows;
}

// A child environment whose per-user store lives in Home, so no test touches the real one.
TChildEnv StoreIn(const std::filesystem::path& home) {
    return {{"XDG_CONFIG_HOME", home.string()}};
}

TChildResult Cli(const std::vector<std::string>& args, const std::filesystem::path& home) {
    return RunChild(kCli, args, StoreIn(home));
}

struct TTables {
    TStringMatrix Rates, Names, Exchangers;
};

TTables ReadTables(const std::filesystem::path& dir) {
    return {FeedTable(kFeedRates, ReadFileBytes(dir / "rates.txt")),
            FeedTable(kFeedNames, ReadFileBytes(dir / "names.txt")),
            FeedTable(kFeedExchangers, ReadFileBytes(dir / "exchangers.txt"))};
}

// What the rates tab would show.
std::vector<TOfferRow> ExpectedOffers(const TTables& tables, const TOfferControls& controls) {
    return TabOffers(tables.Rates, tables.Names, tables.Exchangers, controls);
}

void ExpectCsvShows(const std::string& csv, const std::vector<TOfferRow>& expected) {
    const auto rows = ParseCsv(csv);
    ASSERT_EQ(rows.size(), expected.size() + 1);
    EXPECT_EQ(rows[0], (TCsvRow{"EID", "Exchanger", "SrcRate", "DstRate", "Reserve", "BL"}));
    for (std::size_t i = 0; i < expected.size(); ++i) {
        TCsvRow cells;
        for (const auto field : {TOfferField::EID, TOfferField::Exchanger, TOfferField::SrcRate,
                                 TOfferField::DstRate, TOfferField::Reserve, TOfferField::BL})
            cells.push_back(OfferCellText(expected[i], field));
        ASSERT_EQ(rows[i + 1], cells) << "offer " << i;
    }
}

void WriteDemoFeeds(const std::filesystem::path& dir) {
    const auto written =
        RunChild(kService, {"--write-feeds", dir.string(), "--seed", kSeed, "--rates-rows", kRows});
    ASSERT_EQ(written.ExitCode, 0) << written.Err;
}

// The demo service on a free loopback port; Url() is its base once it has printed its first line.
class TDemoService final {
  public:
    explicit TDemoService(std::vector<std::string> extra = {}) {
        std::vector<std::string> args = {"--port", "0", "--seed", kSeed, "--rates-rows", kRows};
        args.insert(args.end(), extra.begin(), extra.end());
        FChild = std::make_unique<TBackgroundChild>(kService, args);
        const auto line = FChild->ReadOutLine(std::chrono::seconds(10));
        const std::string prefix = "listening on ";
        if (line && line->rfind(prefix, 0) == 0)
            FUrl = line->substr(prefix.size());
    }
    const std::string& Url() const { return FUrl; }
    TBackgroundChild& Child() { return *FChild; }

  private:
    std::unique_ptr<TBackgroundChild> FChild;
    std::string FUrl;
};

// True once every one of Wanted stands among Lines: the service logs each request from the thread that served
// it, so lines of requests close together may come in any order.
auto HasAll(std::vector<std::string> wanted) {
    return [wanted = std::move(wanted)](const std::vector<std::string>& lines) {
        return std::all_of(wanted.begin(), wanted.end(), [&](const std::string& line) {
            return std::find(lines.begin(), lines.end(), line) != lines.end();
        });
    };
}

// A loopback port with nothing listening: bound, then closed again.
int ClosedPort() {
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
    getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
    close(fd);
    return ntohs(address.sin_port);
}

} // namespace

TEST(CliOffers, FromTheServiceMatchTheEngineOverTheWrittenFeeds) {
    TTempDir home;
    TTempDir feeds;
    WriteDemoFeeds(feeds.Path());
    TDemoService service;
    ASSERT_FALSE(service.Url().empty()) << "the service printed no address";

    const auto run =
        Cli({"--service", service.Url(), "offers", "Bitcoin BTC", "Сбербанк RUB", "--format", "csv"},
            home.Path());
    ASSERT_EQ(run.ExitCode, 0) << run.Err;
    const auto expected = ExpectedOffers(ReadTables(feeds.Path()), {"Bitcoin BTC", "Сбербанк RUB", "", ""});
    ASSERT_GE(expected.size(), 100u) << "a popular pair";
    ExpectCsvShows(run.Out, expected);

    // Three feed requests, each with the installation's GUID and the protocol tag.
    auto guid = Cli({"guid"}, home.Path()).Out;
    ASSERT_FALSE(guid.empty());
    guid.pop_back();
    std::vector<std::string> wanted;
    for (const std::string feed : {"rates", "names", "exchangers"})
        wanted.push_back("POST /callback action=" + feed + " appguid=" + guid +
                         " version=1.0.1 status=200 bytes=" +
                         std::to_string(ReadFileBytes(feeds / (feed + ".txt")).size()));
    const auto log = service.Child().ReadErrUntil(HasAll(wanted), std::chrono::seconds(5));
    EXPECT_TRUE(HasAll(wanted)(log)) << "a feed request is missing from the log";
}

TEST(CliOffers, OverHttpsWithAPrivateCaTheSameAsOverHttp) {
    TTempDir home;
    TTempDir keys;
    const TTestCertificates files = MakeTestCertificates(keys.Path());
    TDemoService plain;
    TDemoService secure({"--tls-cert", files.ServerCert.string(), "--tls-key", files.ServerKey.string()});
    ASSERT_EQ(secure.Url().rfind("https://127.0.0.1:", 0), 0u) << secure.Url();

    const std::vector<std::string> pair = {"offers", "Bitcoin BTC", "Сбербанк RUB"};
    auto args = [&](std::vector<std::string> Global) {
        Global.insert(Global.end(), pair.begin(), pair.end());
        return Global;
    };
    const auto overHttp = Cli(args({"--service", plain.Url()}), home.Path());
    const auto overHttps =
        Cli(args({"--service", secure.Url(), "--cacert", files.CaFile.string()}), home.Path());
    ASSERT_EQ(overHttps.ExitCode, 0) << overHttps.Err;
    EXPECT_FALSE(overHttp.Out.empty());
    EXPECT_EQ(overHttps.Out, overHttp.Out);

    const auto untrusted = Cli(args({"--service", secure.Url()}), home.Path());
    EXPECT_EQ(untrusted.ExitCode, 3);
    EXPECT_NE(untrusted.Err.find("certificate not trusted: unknown issuer"), std::string::npos)
        << untrusted.Err;
}

TEST(CliOffers, GiveAmountFromFilesOrdersByWhatIsReceived) {
    TTempDir home;
    TTempDir feeds;
    WriteDemoFeeds(feeds.Path());
    // Codes stand for their currencies when they are no display name.
    const auto run = Cli({"offers", "sberbank rub", "btc", "--feeds", feeds.Path().string(), "--give-amount",
                          "1000000", "--format", "csv"},
                         home.Path());
    ASSERT_EQ(run.ExitCode, 0) << run.Err;
    const auto expected =
        ExpectedOffers(ReadTables(feeds.Path()), {"Сбербанк RUB", "Bitcoin BTC", "1000000", ""});
    ASSERT_GE(expected.size(), 10u);
    ExpectCsvShows(run.Out, expected);
    for (std::size_t i = 1; i < expected.size(); ++i)
        EXPECT_GE(expected[i - 1].DstRate, expected[i].DstRate);

    // The table has the grid's titles and one line per offer.
    const auto table =
        Cli({"--feeds", feeds.Path().string(), "offers", "sberbank rub", "btc", "--give-amount", "1000000"},
            home.Path());
    ASSERT_EQ(table.ExitCode, 0) << table.Err;
    EXPECT_EQ(table.Out.rfind("Обменник", 0), 0u);
    for (const char* title : {"Отдаёте", "Получаете", "Резерв", "BL"})
        EXPECT_NE(table.Out.find(title), std::string::npos) << title;
    EXPECT_EQ(static_cast<std::size_t>(std::count(table.Out.begin(), table.Out.end(), '\n')),
              expected.size() + 1);
}

TEST(CliOffers, NamesWithCommasAndQuotesSurviveCsvAndJson) {
    TTempDir home;
    TTempDir feeds;
    WriteFileBytes(feeds / "names.txt", "a;Alpha;A\nb;Beta;B\n");
    WriteFileBytes(feeds / "exchangers.txt", "1;Change, Ltd;4;1\n2;Обмен \"Экспресс\";;\n");
    WriteFileBytes(feeds / "rates.txt", "1;a;b;1;30.5;5000\n2;a;b;1;31;0.375\n");

    const auto csv =
        Cli({"--feeds", feeds.Path().string(), "offers", "Alpha", "Beta", "--format", "csv"}, home.Path());
    ASSERT_EQ(csv.ExitCode, 0) << csv.Err;
    EXPECT_EQ(csv.Out, "EID,Exchanger,SrcRate,DstRate,Reserve,BL\n"
                       "2,\"Обмен \"\"Экспресс\"\"\",1,31,0.38,\n"
                       "1,\"Change, Ltd\",1,30.5,5000,4\n");

    const auto json =
        Cli({"--feeds", feeds.Path().string(), "offers", "Alpha", "Beta", "--format", "json"}, home.Path());
    ASSERT_EQ(json.ExitCode, 0) << json.Err;
    EXPECT_EQ(json.Out,
              "[\n"
              "  {\"EID\": 2, \"Exchanger\": \"Обмен \\\"Экспресс\\\"\", \"SrcRate\": 1, \"DstRate\": 31, "
              "\"Reserve\": 0.38, \"BL\": null},\n"
              "  {\"EID\": 1, \"Exchanger\": \"Change, Ltd\", \"SrcRate\": 1, \"DstRate\": 30.5, "
              "\"Reserve\": 5000, \"BL\": 4}\n"
              "]\n");
}

// A script tells "the service is down" (3) from "the pair is wrong" (1), and the line on stderr says why.
TEST(CliOffers, FailuresExitWithTheirCodeAndOneLineNamingTheCause) {
    TTempDir home;
    TTempDir feeds;
    WriteDemoFeeds(feeds.Path());

    const auto unknown =
        Cli({"--feeds", feeds.Path().string(), "offers", "Bitcoin BTC", "Dogecoin"}, home.Path());
    EXPECT_EQ(unknown.ExitCode, 1);
    EXPECT_EQ(unknown.Err, "kovrin-cli: unknown currency \"Dogecoin\"\n");
    EXPECT_TRUE(unknown.Out.empty());

    const std::string closed = "http://127.0.0.1:" + std::to_string(ClosedPort());
    const auto unreachable = Cli({"offers", "a", "b", "--service", closed}, home.Path());
    EXPECT_EQ(unreachable.ExitCode, 3);
    EXPECT_EQ(unreachable.Err, "kovrin-cli: could not fetch feed \"rates\" from " + closed +
                                   "/callback: connection refused\n");
    EXPECT_TRUE(unreachable.Out.empty());
    const auto feedUnreachable = Cli({"feed", "news", "--service", closed}, home.Path());
    EXPECT_EQ(feedUnreachable.ExitCode, 3);
    EXPECT_EQ(feedUnreachable.Err,
              "kovrin-cli: could not fetch feed \"news\" from " + closed + "/callback: connection refused\n");

    // A service that answers 500 for one feed (its file is missing) names that feed and the status.
    std::filesystem::remove(feeds / "names.txt");
    TDemoService broken({"--feeds", feeds.Path().string()});
    ASSERT_FALSE(broken.Url().empty());
    const auto failed =
        Cli({"--service", broken.Url(), "offers", "Bitcoin BTC", "Сбербанк RUB"}, home.Path());
    EXPECT_EQ(failed.ExitCode, 3);
    EXPECT_EQ(failed.Err, "kovrin-cli: could not fetch feed \"names\" from " + broken.Url() +
                              "/callback: HTTP 500 Internal Server Error\n");

    // A feed file that cannot be read is no service failure.
    const auto missing = Cli({"--feeds", feeds.Path().string(), "offers", "a", "b"}, home.Path());
    EXPECT_EQ(missing.ExitCode, 1);
    EXPECT_EQ(missing.Err, "kovrin-cli: could not read feed \"names\" from " +
                               (feeds / "names.txt").string() + ": No such file or directory\n");
    // Nor is one larger than a service's answer may be (here a sparse terabyte): refused before it is read.
    WriteFileBytes(feeds / "names.txt", "");
    std::filesystem::resize_file(feeds / "names.txt", std::uintmax_t{1} << 40);
    const auto huge = Cli({"--feeds", feeds.Path().string(), "offers", "a", "b"}, home.Path());
    EXPECT_EQ(huge.ExitCode, 1);
    EXPECT_EQ(huge.Err, "kovrin-cli: could not read feed \"names\" from " + (feeds / "names.txt").string() +
                            ": larger than 256 MiB, more than an answer of the service may be\n");
    // A names feed without a record fails as that feed, not as an unknown currency; a watch goes on after it.
    TDemoService garbled({"--fault", "names=garbage-body"});
    const auto noNames = Cli({"--service", garbled.Url(), "offers", "BTC", "Сбербанк RUB"}, home.Path());
    EXPECT_EQ(std::tie(noNames.ExitCode, noNames.Err),
              std::tuple(3, "kovrin-cli: could not use feed \"names\" from " + garbled.Url() +
                                "/callback: it held no records\n"));
    const auto watched = Cli(
        {"--service", garbled.Url(), "watch", "BTC", "RUB", "--count", "2", "--interval", "1", "--no-record"},
        home.Path());
    EXPECT_EQ(watched.ExitCode, 3);
    // So does a rates or exchangers feed without one: not a pair without offers, nor a level never met.
    TDemoService noExchangers({"--fault", "exchangers=empty-body"});
    const auto watchedOnce = Cli({"--service", noExchangers.Url(), "watch", "BTC", "Сбербанк RUB", "--count",
                                  "1", "--above", "1", "--no-record"},
                                 home.Path());
    EXPECT_EQ(std::tie(watchedOnce.ExitCode, watchedOnce.Out, watchedOnce.Err),
              std::tuple(3, "",
                         "kovrin-cli: could not use feed \"exchangers\" from " + noExchangers.Url() +
                             "/callback: it held no records\n"));
    WriteDemoFeeds(feeds.Path());
    WriteFileBytes(feeds / "rates.txt", "Kovrin demo rates: exchanger, from, to, give, get, reserve\n");
    const auto noRates =
        Cli({"--feeds", feeds.Path().string(), "offers", "BTC", "Сбербанк RUB"}, home.Path());
    EXPECT_EQ(std::tie(noRates.ExitCode, noRates.Out, noRates.Err),
              std::tuple(3, "",
                         "kovrin-cli: could not use feed \"rates\" from " + (feeds / "rates.txt").string() +
                             ": it held no records\n"));
}

TEST(CliOffers, AFeedWhoseTableWouldPassTheBudgetFailsLikeAnExchange) {
    TTempDir home;
    TTempDir feeds;
    WriteDemoFeeds(feeds.Path());
    // Short exchangers rows make a table of almost twice their bytes: 21 MB of them would pass 32 MiB.
    WriteFileBytes(feeds / "exchangers.txt", Repeated("1;a;;\n", 3'500'000));

    const auto refused =
        Cli({"--feeds", feeds.Path().string(), "offers", "Bitcoin BTC", "Сбербанк RUB"}, home.Path());
    EXPECT_EQ(refused.ExitCode, 3);
    EXPECT_EQ(refused.Err, "kovrin-cli: could not use feed \"exchangers\" from " +
                               (feeds / "exchangers.txt").string() + ": its table would pass 32 MiB\n");
    EXPECT_TRUE(refused.Out.empty());

    // Rates read a piece at a time fail as the whole file would: before the exchangers, and before a currency
    // the names do not have.
    WriteFileBytes(feeds / "rates.txt", Repeated("1;a;b;1;1;1\n", 1'400'000));
    const auto rates =
        Cli({"--feeds", feeds.Path().string(), "offers", "Bitcoin BTC", "Dogecoin"}, home.Path());
    EXPECT_EQ(rates.ExitCode, 3);
    EXPECT_EQ(rates.Err, "kovrin-cli: could not use feed \"rates\" from " + (feeds / "rates.txt").string() +
                             ": its table would pass 32 MiB\n");
}

TEST(CliOffers, FeedFilesMayBePipesWrittenOneAfterTheOther) {
    TTempDir home;
    TTempDir demo;
    WriteDemoFeeds(demo.Path());
    TTempDir feeds;
    std::filesystem::copy_file(demo / "exchangers.txt", feeds / "exchangers.txt");
    ASSERT_EQ(mkfifo((feeds / "rates.txt").c_str(), 0600), 0);
    ASSERT_EQ(mkfifo((feeds / "names.txt").c_str(), 0600), 0);
    // The writer gives the names only once the rates are read: they must be read first.
    std::thread writer([&] {
        for (const char* name : {"rates.txt", "names.txt"})
            WriteFileBytes(feeds / name, ReadFileBytes(demo / name));
    });
    const auto run =
        Cli({"--feeds", feeds.Path().string(), "offers", "Bitcoin BTC", "Сбербанк RUB"}, home.Path());
    writer.join();
    EXPECT_EQ(run.ExitCode, 0) << run.Err;
    EXPECT_FALSE(run.Out.empty());
}

TEST(CliRoutes, JsonAndCsvShapesAmountsAndExitCodes) {
    TTempDir home;
    TTempDir feeds;
    WriteFileBytes(feeds / "names.txt", "a;Alpha;A\nx;Ex;X\nb;Beta;B\n");
    WriteFileBytes(feeds / "exchangers.txt", "1;One;;\n2;Two, Ltd;4;1\n");
    WriteFileBytes(feeds / "rates.txt", "1;a;b;1;10;100\n1;a;x;1;4;40\n2;x;b;1;3;90\n");
    const std::string dir = feeds.Path().string();

    const auto json = Cli({"--feeds", dir, "routes", "Alpha", "b", "--format", "json"}, home.Path());
    ASSERT_EQ(json.ExitCode, 0) << json.Err;
    EXPECT_EQ(json.Out, "{\"Direct\": 10, \"Routes\": [\n"
                        "  {\"Via\": [\"Ex\"], \"Rate\": 12, \"Give\": 7.5, \"Get\": 90, \"Legs\": [\n"
                        "    {\"EID\": 1, \"Exchanger\": \"One\", \"From\": \"Alpha\", \"To\": \"Ex\", "
                        "\"SrcRate\": 1, \"DstRate\": 4, \"Reserve\": 40},\n"
                        "    {\"EID\": 2, \"Exchanger\": \"Two, Ltd\", \"From\": \"Ex\", \"To\": \"Beta\", "
                        "\"SrcRate\": 1, \"DstRate\": 3, \"Reserve\": 90}]}\n"
                        "]}\n");
    const auto csv = Cli({"--feeds", dir, "routes", "Alpha", "Beta", "--get-amount", "30", "--format", "csv"},
                         home.Path());
    ASSERT_EQ(csv.ExitCode, 0) << csv.Err;
    EXPECT_EQ(csv.Out, "Route,Via,Rate,Give,Get,Leg,EID,Exchanger,From,To,SrcRate,DstRate,Reserve\n"
                       "1,Ex,12,2.5,30,1,1,One,Alpha,Ex,2.5,10,40\n"
                       "1,Ex,12,2.5,30,2,2,\"Two, Ltd\",Ex,Beta,10,30,90\n");
    const auto none = Cli({"--feeds", dir, "routes", "Alpha", "Beta", "--get-amount", "101"}, home.Path());
    EXPECT_EQ(none.Out, "Прямых предложений нет\nМаршрутов нет\n");

    const auto unknown = Cli({"--feeds", dir, "routes", "Alpha", "Gamma"}, home.Path());
    EXPECT_EQ(unknown.ExitCode, 1);
    EXPECT_EQ(unknown.Err, "kovrin-cli: unknown currency \"Gamma\"\n");
    EXPECT_EQ(Cli({"--feeds", dir, "routes", "Alpha", "Beta", "--legs", "4"}, home.Path()).ExitCode, 2);
}

// Against the demo service, bitcoins fetch more roubles through Tether than from any exchanger at once.
TEST(CliRoutes, FromTheDemoServiceBeatTheDirectOfferAsTheEngineFinds) {
    TTempDir home;
    TTempDir feeds;
    WriteDemoFeeds(feeds.Path());
    TDemoService service;
    ASSERT_FALSE(service.Url().empty()) << "the service printed no address";
    const auto run = Cli({"--service", service.Url(), "routes", "Bitcoin BTC", "Сбербанк RUB", "--legs", "3",
                          "--format", "json"},
                         home.Path());
    ASSERT_EQ(run.ExitCode, 0) << run.Err;
    const TTables tables = ReadTables(feeds.Path());
    TRouteOptions options;
    options.MaxLegs = 3;
    const TRoutes routes = FindRoutes(tables.Rates, tables.Names, tables.Exchangers,
                                      {"Bitcoin BTC", "Сбербанк RUB", "", ""}, options);
    ASSERT_EQ(routes.Routes.size(), 10u);
    EXPECT_GT(routes.Routes[0].Rate, *routes.Direct);
    EXPECT_EQ(run.Out, RoutesJson(routes));
    // A name that fits several currencies is told as such, as offers tells it.
    const auto ambiguous =
        Cli({"--feeds", feeds.Path().string(), "routes", "Bitcoin BTC", "rub"}, home.Path());
    EXPECT_EQ(ambiguous.ExitCode, 1);
    EXPECT_EQ(ambiguous.Err.rfind("kovrin-cli: ambiguous currency \"rub\": ", 0), 0u) << ambiguous.Err;
}

TEST(CliCommands, VersionAndUnknownOptions) {
    TTempDir home;
    const auto version = Cli({"--version"}, home.Path());
    EXPECT_EQ(version.ExitCode, 0);
    EXPECT_EQ(version.Out, std::string("kovrin-cli ") + KOVRIN_VERSION + "\n");
    // A reader that closed the pipe (`| head` had its lines) ends a command with 1, as lost output, quietly.
    ASSERT_EQ(mkfifo((home / "pipe").c_str(), 0600), 0);
    const auto left = RunChild(
        "/bin/bash", {"-c", R"(exec 3<>"$0" 4>"$0" 3<&-; "$1" request --json "$2" >&4)",
                      (home / "pipe").string(), kCli, "http://127.0.0.1:" + std::to_string(ClosedPort())});
    EXPECT_EQ(left.ExitCode, 1);
    EXPECT_EQ(left.Err.find("could not be written"), std::string::npos) << left.Err;

    const auto unknown = Cli({"--foo"}, home.Path());
    EXPECT_EQ(unknown.ExitCode, 2);
    EXPECT_EQ(unknown.Err,
              "kovrin-cli: unknown option --foo; usage: kovrin-cli COMMAND [ARGS...] (see --help)\n");
    EXPECT_TRUE(unknown.Out.empty());
    const auto inCommand = Cli({"feed", "rates", "--foo"}, home.Path());
    EXPECT_EQ(inCommand.ExitCode, 2);
    EXPECT_EQ(inCommand.Err.rfind("kovrin-cli feed: unknown option --foo; usage: kovrin-cli feed ", 0), 0u)
        << inCommand.Err;

    const auto serviceVersion = RunChild(kService, {"--version"});
    EXPECT_EQ(serviceVersion.ExitCode, 0);
    EXPECT_EQ(serviceVersion.Out, std::string("kovrin-demo-service ") + KOVRIN_VERSION + "\n");
    // A flag-like word is named as an unknown option whether or not a value follows it.
    for (const std::vector<std::string>& args : {std::vector<std::string>{"--foo"}, {"--foo", "1"}, {"-x"}}) {
        const auto serviceUnknown = RunChild(kService, args);
        EXPECT_EQ(serviceUnknown.ExitCode, 2);
        EXPECT_EQ(serviceUnknown.Err.rfind("kovrin-demo-service: unknown option " + args.front() +
                                               "\nusage: kovrin-demo-service ",
                                           0),
                  0u)
            << serviceUnknown.Err;
    }
}

TEST(CliCommands, BadArgumentsExitTwoWithUsage) {
    TTempDir home;
    const std::vector<std::vector<std::string>> bad = {
        {"offers", "a"},
        {"offers", "a", "b", "c"},
        {"offers", "a", "b", "--give-amount", "12345678901"},
        {"offers", "a", "b", "--give-amount", "1.2.3"},
        {"offers", "a", "b", "--get-amount", ""},
        {"offers", "a", "b", "--get-amount"},
        {"offers", "a", "b", "--format", "xml"},
        {"offers", "a", "b", "--colour"},
        {"feed"},
        {"feed", "weather"},
        {"feed", "news", "--format", "tsv"},
        {"feed", "rates", "--format", "csv"},
        {"guid", "extra"},
        {"--service"},
        // Every command that takes a service checks its address as the settings tab does.
        {"offers", "a", "b", "--service", "ftp://127.0.0.1"},
        {"--service", "127.0.0.1:8765", "routes", "a", "b"},
        {"feed", "news", "--service=http://127.0.0.1/callback"},
        {"watch", "a", "b", "--count", "1", "--service", "http://127.0.0.1:0"},
    };
    for (const auto& args : bad) {
        const auto run = Cli(args, home.Path());
        EXPECT_EQ(run.ExitCode, 2) << args.front() << " " << args.back();
        EXPECT_NE(run.Err.find("usage: kovrin-cli"), std::string::npos) << run.Err;
        EXPECT_TRUE(run.Out.empty());
    }
    EXPECT_EQ(
        Cli({"feed", "news", "--service", "https://user@host"}, home.Path())
            .Err.rfind(
                "kovrin-cli feed: --service \"https://user@host\": nothing may follow the host and port", 0),
        0u);
    for (const char* command : {"offers", "feed", "guid"}) {
        const auto help = Cli({command, "--help"}, home.Path());
        EXPECT_EQ(help.ExitCode, 0) << command;
        EXPECT_NE(help.Out.find(std::string("usage: kovrin-cli ") + command), std::string::npos) << help.Out;
    }
}

TEST(CliFeed, RawAndTabSeparatedForms) {
    TTempDir home;
    TTempDir feeds;
    WriteFileBytes(feeds / "names.txt", "heading\na;Tab\there;A\r\nb;Back\\slash;B\n");
    WriteFileBytes(feeds / "news.txt", " \r\n\tНовость: www.example.com\n\n ");
    const auto dir = feeds.Path().string();

    const auto tsv = Cli({"feed", "names", "--format", "tsv", "--feeds", dir}, home.Path());
    ASSERT_EQ(tsv.ExitCode, 0) << tsv.Err;
    EXPECT_EQ(tsv.Out, "a\tTab\\there\tA\\r\nb\tBack\\\\slash\tB\n");

    const auto raw = Cli({"--feeds", dir, "feed", "names"}, home.Path());
    EXPECT_EQ(raw.Out, ReadFileBytes(feeds / "names.txt"));

    const auto news = Cli({"--feeds", dir, "feed", "news"}, home.Path());
    EXPECT_EQ(news.Out, "Новость: www.example.com\n");
}

TEST(CliGuid, StableUntilTheStoreIsRemoved) {
    TTempDir home;
    const auto first = Cli({"guid"}, home.Path());
    const auto second = Cli({"guid"}, home.Path());
    ASSERT_EQ(first.ExitCode, 0) << first.Err;
    EXPECT_TRUE(std::regex_match(first.Out, std::regex(R"(\{[0-9A-F]{8}(-[0-9A-F]{4}){3}-[0-9A-F]{12}\}\n)")))
        << first.Out;
    EXPECT_EQ(first.Out, second.Out);

    for (const auto& entry : std::filesystem::directory_iterator(home.Path()))
        std::filesystem::remove_all(entry.path());
    const auto third = Cli({"guid"}, home.Path());
    EXPECT_EQ(third.ExitCode, 0);
    EXPECT_NE(third.Out, first.Out);
}

TEST(DemoService, ClickPagesAndOneLogLinePerRequest) {
    TTempDir home;
    TDemoService service;
    ASSERT_FALSE(service.Url().empty());
    const auto exchangers =
        FeedTable(kFeedExchangers, Cli({"--service", service.Url(), "feed", "exchangers"}, home.Path()).Out);
    ASSERT_FALSE(exchangers.empty());
    const auto [id, name] = std::pair{std::string(exchangers[3][0]), std::string(exchangers[3][1])};

    TIData request;
    request.Timeout = 5000;
    request.URL = service.Url() + "/click/" + id;
    TOData page;
    HttpRequest(request, page);
    EXPECT_EQ(page.ResultCode, 200);
    EXPECT_NE(page.Body.find("<h1>" + name + "</h1>"), std::string::npos) << page.Body;

    request.URL = service.Url() + "/click/999999";
    TOData missing;
    HttpRequest(request, missing);
    EXPECT_EQ(missing.ResultCode, 404);

    TOData unknownAction;
    auto feed = MakeFeedRequest(service.Url(), "weather", "{GUID}");
    HttpRequest(feed, unknownAction);
    EXPECT_EQ(unknownAction.ResultCode, 200);
    EXPECT_TRUE(unknownAction.Body.empty());

    const std::vector<std::string> expected = {
        "GET /click/" + id +
            " action=- appguid=- version=- status=200 bytes=" + std::to_string(page.Body.size()),
        "GET /click/999999 action=- appguid=- version=- status=404 bytes=" +
            std::to_string(missing.Body.size()),
        "POST /callback action=weather appguid={GUID} version=1.0.1 status=200 bytes=0",
    };
    const auto log = service.Child().ReadErrUntil(HasAll(expected), std::chrono::seconds(5));
    EXPECT_TRUE(HasAll(expected)(log)) << "a request is missing from the log";
    EXPECT_EQ(service.Child().Stop(), 0) << "SIGTERM ends the service cleanly";
}
