// kovrin-cli history: the points the window and watch recorded for a pair, oldest first.

#include "engine/ServiceAddress.h"
#include "history/HistoryFile.h"
#include "history/HistoryRange.h"
#include "history/HistoryStore.h"
#include "tools/kovrin-cli/Args.h"
#include "tools/kovrin-cli/CliGlobals.h"
#include "tools/kovrin-cli/Commands.h"
#include "tools/kovrin-cli/CurrencyNames.h"
#include "tools/kovrin-cli/HistoryOutput.h"

#include <chrono>
#include <filesystem>
#include <iostream>
#include <limits>

namespace {

void HistoryHelp(std::ostream& Out) {
    Out << "Prints the rate history recorded for GIVE -> GET (by the window after each refresh and by watch\n"
           "after each poll), oldest first: every point of the last 30 days, hourly points (lowest, highest\n"
           "and last rate) for a year, daily ones before. GIVE and GET are display names or currency codes,\n"
           "in any letter case, as offers takes them, among the currencies the history holds.\n"
           "  --since WHEN         24h, 7d, 30d, 1y or YYYY-MM-DD (local midnight); default: everything\n"
           "  --format FORMAT      text (default); csv: a header line, then one line per point; json: one\n"
           "                       object per line (time, Rate, Median, Offers, EID, Exchanger, Reserve, "
           "Low,\n"
           "                       High)\n"
           "  --service URL        the service whose points are printed, as it was given to the window or\n"
           "                       watch (default: the build's service); each service keeps its own\n"
           "  --help               this text\n"
           "The history is $XDG_DATA_HOME/kovrin/history.sqlite (else ~/.local/share/kovrin/).\n"
           "exit codes:\n"
           "  0  done (also when the pair has no point in the span: nothing is printed)\n"
           "  1  no history was recorded for the pair, a history that cannot be read (a damaged one is\n"
           "     left as it is), or output that cannot be written\n"
           "  2  a bad command line\n";
}

int RunHistory(const std::vector<std::string>& Args) {
    const std::int64_t now = std::chrono::duration_cast<std::chrono::milliseconds>(
                                 std::chrono::system_clock::now().time_since_epoch())
                                 .count();
    std::int64_t since = std::numeric_limits<std::int64_t>::min();
    THistoryFormat format = THistoryFormat::Text;
    std::vector<std::string> currencies;
    // Only the service counts here: --cacert and --feeds, taken as every command takes them, ask nothing.
    TFeedSource source = DefaultFeedSource();
    TArgReader args(Args);
    while (args.More()) {
        if (args.IsOption("--help")) {
            std::cout << "usage: kovrin-cli " << kHistoryCommand.Usage << "\n";
            HistoryHelp(std::cout);
            return kExitDone;
        } else if (TakeGlobalOption(args, source)) {
        } else if (args.IsOption("--since")) {
            const std::string text = args.Value();
            const std::optional<std::int64_t> from = SinceMs(text, now);
            if (!from)
                throw EUsage("--since wants 24h, 7d, 30d, 1y or YYYY-MM-DD, got \"" + text + "\"");
            since = *from;
        } else if (args.IsOption("--format")) {
            const std::string text = args.Value();
            if (text == "text")
                format = THistoryFormat::Text;
            else if (text == "csv")
                format = THistoryFormat::Csv;
            else if (text == "json")
                format = THistoryFormat::Json;
            else
                throw EUsage("--format wants text, csv or json, got \"" + text + "\"");
        } else if (args.AtOption()) {
            throw EUsage("unknown option " + args.Next());
        } else {
            currencies.push_back(args.Next());
        }
    }
    const auto [give, get] = CurrencyPair(currencies);
    const std::filesystem::path file = HistoryFilePath();
    std::error_code error;
    // Reading makes no history where there is none.
    const bool exists = std::filesystem::exists(file, error);
    // Only the window and watch, which record, move a damaged file aside: a reader leaves the user's file be.
    std::unique_ptr<THistoryStore> store =
        exists ? THistoryStore::Open(file, HistoryProblemToStderr, THistoryDamage::Report) : nullptr;
    if (exists && !store) {
        // The line above says why (SQLite unavailable, a file of a newer Kovrin, a damaged one...): nothing
        // is said recorded or not.
        std::cerr << "kovrin-cli: the history in " << file.string() << " cannot be read\n";
        return kExitFailed;
    }
    if (store)
        store->SetService(ServiceKey(source.ServiceBase));
    const std::optional<std::vector<THistoryPair>> pairs =
        store ? store->Pairs() : std::optional(std::vector<THistoryPair>());
    if (!pairs) {
        std::cerr << "kovrin-cli: the history in " << file.string() << " cannot be read\n";
        return kExitFailed;
    }
    const THistoryPairMatch match = MatchHistoryPair(*pairs, give, get);
    const std::optional<THistoryPair>& pair = match.Pair;
    if (!pair) {
        std::cerr << "kovrin-cli: " << match.Problem << "\n";
        return kExitFailed;
    }
    // Written out as read, in whole lines of about 64 KiB: a year of points is never held at once (growing a
    // vector and a string of that size cost a fresh process more than reading them).
    constexpr std::size_t kChunk = 1 << 16;
    std::string out;
    out.reserve(kChunk + 512);
    bool first = true;
    const bool read = store->ReadEach(*pair, since, true, [&](const TRatePoint& Point) {
        if (first && format == THistoryFormat::Csv)
            out = HistoryCsvHeader();
        first = false;
        const std::int64_t seconds = Point.TimeMs >= 0 ? Point.TimeMs / 1000 : (Point.TimeMs - 999) / 1000;
        out += HistoryLine(Point, WatchTimeAt(seconds), format);
        if (out.size() >= kChunk) {
            std::cout << out;
            out.clear();
        }
    });
    std::cout << out << std::flush;
    if (!read) {
        std::cerr << "kovrin-cli: the history in " << file.string() << " cannot be read\n";
        return kExitFailed;
    }
    return std::cout ? kExitDone : kExitFailed;
}

} // namespace

const TCommand kHistoryCommand{
    "history",
    "history GIVE GET [--since 24h|7d|30d|1y|YYYY-MM-DD] [--format text|csv|json] [--service URL]",
    HistoryHelp,
    RunHistory,
};
