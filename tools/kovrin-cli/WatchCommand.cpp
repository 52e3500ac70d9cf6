// kovrin-cli watch: polls the service and prints the best offer for a pair whenever it changes, until a level
// is crossed, a number of polls is done, or SIGINT / SIGTERM arrives (at once, a poll under way included).

#include "engine/Protocol.h"
#include "engine/RateAlerts.h"
#include "engine/ServiceAddress.h"
#include "engine/Text.h"
#include "history/FollowedPairs.h"
#include "history/HistoryFile.h"
#include "history/HistoryStore.h"
#include "tools/kovrin-cli/CliGlobals.h"
#include "tools/kovrin-cli/Commands.h"
#include "tools/kovrin-cli/OffersQuery.h"
#include "tools/kovrin-cli/WatchState.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdint>
#include <ctime>
#include <fcntl.h>
#include <iostream>
#include <poll.h>
#include <tuple>
#include <unistd.h>
#include <utility>

namespace {

// The stop signal that arrived (0: none yet), and a pipe that wakes the wait between polls.
volatile std::sig_atomic_t StopSignal = 0;
int StopPipe[2] = {-1, -1};
// Set while a poll runs: its exchanges may wait for minutes on a server that trickles, so a signal then ends
// the process at once. Every line printed has been flushed already, and nothing else is left to write.
volatile std::sig_atomic_t PollUnderWay = 0;

void OnStopSignal(int Signal) {
    if (PollUnderWay != 0) {
        ::_exit(128 + Signal);
    }
    if (StopSignal == 0) {
        StopSignal = Signal;
    }
    const int saved = errno;
    const char byte = 0;
    [[maybe_unused]] const ssize_t written = ::write(StopPipe[1], &byte, 1);
    errno = saved;
}

// From here on SIGINT and SIGTERM end a poll under way at once, and otherwise end the wait for the next.
bool CatchStopSignals() {
    if (StopPipe[0] < 0 && ::pipe2(StopPipe, O_CLOEXEC | O_NONBLOCK) != 0) {
        return false;
    }
    struct sigaction action {};
    action.sa_handler = OnStopSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    return ::sigaction(SIGINT, &action, nullptr) == 0 && ::sigaction(SIGTERM, &action, nullptr) == 0;
}

// Waits until Until or a stop signal, whichever comes first.
void WaitUntil(std::chrono::steady_clock::time_point Until) {
    while (StopSignal == 0) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(Until - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            return;
        }
        pollfd wake{StopPipe[0], POLLIN, 0};
        ::poll(&wake, 1, static_cast<int>(std::min<std::int64_t>(left.count(), 60000)));
    }
}

void WatchHelp(std::ostream& Out) {
    Out << "Polls the service every SECONDS (the four feeds, as the window refreshes) and prints the best "
           "offer "
           "for\n"
           "GIVE -> GET (the highest rate, got per one given, among offers with a reserve above 0; ties go "
           "to "
           "the\n"
           "earlier rates row) whenever it differs from the last line printed. GIVE and GET are found as "
           "for\n"
           "offers: display names or codes, also without letter case, or a ticker one currency has "
           "(\"BTC\").\n"
           "  --interval SECONDS   time between polls, at least 1 (default 60)\n"
           "  --count N            stop after N polls\n"
           "  --above RATE         exit 0 after the first poll whose best rate is at least RATE\n"
           "  --below RATE         exit 0 after the first poll whose best rate is at most RATE\n"
           "                       (RATE as the window's alert level: digits with at most one \".\", above "
           "0)\n"
           "  --format FORMAT      text (default): time, exchanger, rate, reserve; json: one object per "
           "line\n"
           "  --no-record          keep no history (by default each poll records the pair, and the pairs\n"
           "                       chosen in the window in the last 30 days, as the window does; see "
           "history);\n"
           "                       with --feeds nothing is recorded, the files being no service's\n"
        << kGlobalOptionsHelp
        << "  --help               this text\n"
           "A poll that fails prints one line on stderr and the watch goes on; with --feeds the files are "
           "read "
           "anew\n"
           "at every poll. SIGINT and SIGTERM end the watch at once, a poll under way included (exit 130 "
           "and 143).\n"
           "exit codes:\n"
           "  0  a level was crossed, or --count polls were made without --above or --below\n"
           "  1  GIVE or GET is no currency of the names feed, or output that cannot be written\n"
           "  2  a bad command line\n"
           "  3  --count polls were made and none brought the feeds\n"
           "  4  --count polls were made and the level of --above or --below was never met\n";
}

// The same rule as the window's alert level, so that a level that works in one works in the other.
long double RateValue(TArgReader& Args, std::string_view Option) {
    const std::string text = Args.Value();
    const std::optional<long double> rate = AlertLevel(text);
    if (!rate)
        throw EUsage(std::string(Option) +
                     " wants a number above 0 in digits with at most one \".\", such as " +
                     "3000000 or 0.5, got \"" + text + "\"");
    return *rate;
}

// Records the poll's point of the watched pair and of the pairs chosen in the window lately. A failure is
// told on stderr by the store; the watch goes on.
void RecordPoll(THistoryStore& Store, const TStringMatrix& Rates, const TStringMatrix& Names,
                const TStringMatrix& Exchangers, const TWatchOptions& Options, std::int64_t AtMs) {
    const std::vector<THistoryPair> pairs = FollowedPairs(THistoryPair{Options.Give, Options.Get, {}, {}}, {},
                                                          Store.ChosenSince(AtMs - kChosenPairDaysMs));
    std::vector<TPairPoint> points;
    for (THistoryPair pair : pairs) {
        if (std::optional<TRatePoint> point =
                PairPoint(Rates, Names, Exchangers, pair, AtMs, Options.IntervalSeconds * 1000LL)) {
            points.push_back({std::move(pair), std::move(*point)});
        }
    }
    Store.Record(points, AtMs);
}

std::optional<TBestOffer> PollBest(const TFeedSource& Source, const TWatchOptions& Options,
                                   THistoryStore* Store, std::int64_t AtMs, int& Exit) {
    // No news: a watch never shows it, so a news feed that fails must not cost the poll.
    auto bodies = FetchFeeds(Source, {kFeedRates, kFeedNames, kFeedExchangers});
    const TStringMatrix names = FetchedRecordsTable(Source, kFeedNames, std::move(bodies[1]));
    const TCurrencyMatch give = MatchCurrency(names, Options.Give);
    const TCurrencyMatch get = MatchCurrency(names, Options.Get);
    if (!give.Name || !get.Name) {
        std::cerr << "kovrin-cli: "
                  << (give.Name ? CurrencyProblem(get, Options.Get) : CurrencyProblem(give, Options.Give))
                  << "\n";
        Exit = kExitFailed;
        return std::nullopt;
    }
    const TStringMatrix rates = FetchedRecordsTable(Source, kFeedRates, std::move(bodies[0]));
    const TStringMatrix exchangers = FetchedRecordsTable(Source, kFeedExchangers, std::move(bodies[2]));
    if (Store != nullptr) {
        // The history knows the pair by its display names, as the window chooses it.
        TWatchOptions named = Options;
        named.Give = *give.Name;
        named.Get = *get.Name;
        RecordPoll(*Store, rates, names, exchangers, named, AtMs);
    }
    return BestOfferFor(rates, names, exchangers, *give.Name, *get.Name);
}

int RunWatch(const std::vector<std::string>& Args) {
    TFeedSource source = DefaultFeedSource();
    TWatchOptions options;
    std::vector<std::string> currencies;
    TArgReader args(Args);
    while (args.More()) {
        if (args.IsOption("--help")) {
            std::cout << "usage: kovrin-cli " << kWatchCommand.Usage << "\n";
            WatchHelp(std::cout);
            return kExitDone;
        } else if (TakeGlobalOption(args, source)) {
        } else if (args.IsOption("--interval")) {
            options.IntervalSeconds = static_cast<int>(ParseInteger(args.Value(), "--interval", 1, 86400));
        } else if (args.IsOption("--count")) {
            options.Count = ParseInteger(args.Value(), "--count", 1, INT64_MAX);
        } else if (args.IsOption("--above")) {
            options.Above = RateValue(args, "--above");
        } else if (args.IsOption("--below")) {
            options.Below = RateValue(args, "--below");
        } else if (args.IsOption("--format")) {
            const std::string format = args.Value();
            if (format != "text" && format != "json")
                throw EUsage("--format wants text or json, got \"" + format + "\"");
            options.Json = format == "json";
        } else if (args.IsOption("--no-record")) {
            options.Record = false;
        } else if (args.AtOption()) {
            throw EUsage("unknown option " + args.Next());
        } else {
            currencies.push_back(args.Next());
        }
    }
    std::tie(options.Give, options.Get) = CurrencyPair(currencies);
    // Points from files are no service's: under a service's key they would join its history and the window's
    // chart of it.
    if (options.Record && source.FeedsDir) {
        std::cerr << "kovrin-cli: watch --feeds keeps no history: the files are no service's feeds\n";
        options.Record = false;
    }
    if (!CatchStopSignals()) {
        std::cerr << "kovrin-cli: cannot catch SIGINT and SIGTERM\n";
        return kExitFailed;
    }

    const std::unique_ptr<THistoryStore> store =
        options.Record ? THistoryStore::Open(HistoryFilePath()) : nullptr;
    if (store)
        store->SetService(ServiceKey(source.ServiceBase));
    TWatchState state(options);
    const auto interval = std::chrono::seconds(options.IntervalSeconds);
    auto next = std::chrono::steady_clock::now();
    for (;;) {
        next += interval;
        const std::int64_t at = std::time(nullptr);
        TWatchStep step;
        try {
            int exit = kExitDone;
            PollUnderWay = 1;
            if (StopSignal != 0)
                return 128 + StopSignal;
            const std::optional<TBestOffer> best = PollBest(source, options, store.get(), at * 1000, exit);
            PollUnderWay = 0;
            if (exit != kExitDone)
                return exit;
            step = state.Answered(best, WatchTimeAt(at));
        } catch (const EFeedUnavailable& error) {
            PollUnderWay = 0;
            std::cerr << "kovrin-cli: " << error.what() << "\n";
            step = state.Failed();
        } catch (...) {
            PollUnderWay = 0;
            throw;
        }
        if (!step.Line.empty()) {
            // One write per line, so that a reader never sees half of one.
            std::cout << step.Line << std::flush;
            if (!std::cout)
                return kExitFailed;
        }
        if (step.Exit)
            return *step.Exit;
        if (StopSignal == 0) {
            WaitUntil(next);
        }
        if (StopSignal != 0)
            return 128 + StopSignal;
        // A poll that ran longer than the interval is followed at once, not by a burst of catching up.
        next = std::max(next, std::chrono::steady_clock::now());
    }
}

} // namespace

const TCommand kWatchCommand{
    "watch",
    "watch GIVE GET [--interval SECONDS] [--count N] [--above RATE] [--below RATE] [--format text|json] "
    "[--no-record] [--service URL] [--cacert FILE] [--feeds DIR]",
    WatchHelp,
    RunWatch,
};
