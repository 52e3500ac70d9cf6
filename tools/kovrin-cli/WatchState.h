#pragma once
// kovrin-cli watch without the network: its options, the lines it prints and when it stops. The command
// (WatchCommand.cpp) feeds it one poll at a time.

#include "engine/RateAlerts.h"
#include "engine/RefreshStatus.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// Exit code of a watch whose --above / --below level was never met within --count polls.
inline constexpr int kExitLevelNotMet = 4;

// What the command line asks for (global options aside).
struct TWatchOptions {
    std::string Give;
    std::string Get;
    int IntervalSeconds = 60;
    std::optional<std::int64_t> Count;
    std::optional<long double> Above;
    std::optional<long double> Below;
    bool Json = false;
    bool Record = true; // record each poll in the rate history
};

// A moment as the lines show it: local time and its offset from UTC.
struct TWatchTime {
    TWallClock Local;
    int UtcOffsetSeconds = 0;
};

// The local time of UnixSeconds with its offset. Never throws.
TWatchTime WatchTimeAt(std::int64_t UnixSeconds);

// "2026-12-09 14:05:09", and the same in ISO 8601 with the offset: "2026-12-09T14:05:09+03:00".
std::string WatchTimeText(const TWatchTime& At);
std::string WatchIsoTime(const TWatchTime& At);

// "2026-12-09 14:05:09  Exchanger  3050000  125000.5\n": the best offer's exchanger, its rate (get / give of
// its quote) and its reserve in the grid's number format, two spaces apart; "(no offers)" in place of the
// three when the pair has none.
std::string WatchTextLine(const std::optional<TBestOffer>& Best, const TWatchTime& At);
// One JSON object on one line: time (ISO 8601 with offset), EID, Exchanger, SrcRate, DstRate, Rate, Reserve
// (all null when the pair has no offer).
std::string WatchJsonLine(const std::optional<TBestOffer>& Best, const TWatchTime& At);

// What one poll gives the command to do.
struct TWatchStep {
    std::string Line;        // to print on stdout; empty: nothing
    std::optional<int> Exit; // the watch ends here with this code
};

// When to print and when to stop.
class TWatchState final {
  public:
    explicit TWatchState(TWatchOptions Options) : FOptions(std::move(Options)) {}

    // A poll that brought the feeds, with the pair's best offer (nullopt: none), at At. Prints when the best
    // offer differs from the last one printed (always the first time, and always when a level is met); ends
    // with 0 when the rate is at least --above or at most --below, or with the --count exit once that many
    // polls were made.
    TWatchStep Answered(const std::optional<TBestOffer>& Best, const TWatchTime& At);
    // A poll that failed (its line on stderr is the command's business); ends once --count polls were made.
    TWatchStep Failed();

    // The exit once --count polls are done: 3 when no poll brought the feeds, else 4 when a level was asked
    // for (it was never met), else 0.
    int CountExit() const;

  private:
    TWatchStep Counted(TWatchStep Step);

    TWatchOptions FOptions;
    std::int64_t FPolls = 0;
    bool FAnswered = false;
    std::optional<std::string> FLastPrinted; // the printed line without its time
};
