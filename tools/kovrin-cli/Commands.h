#pragma once
// The commands of kovrin-cli. Each lives in a file of its own and is listed in kCommands (Cli.cpp).
// A command gets its arguments (without the command name), writes its result on stdout and returns the exit
// code; it throws EUsage (Args.h) for a bad command line, which RunCli reports with the command's usage line
// and kExitUsage, and EFeedUnavailable (FeedFetch.h), which RunCli reports as one line with kExitUnreachable
// or kExitFailed.

#include <ostream>
#include <string>
#include <vector>

// Exit codes, as --help and the manual page list them.
inline constexpr int kExitDone = 0;
inline constexpr int kExitFailed = 1; // an unknown currency, a feed file that cannot be read, lost output
inline constexpr int kExitUsage = 2;  // a bad command line
inline constexpr int kExitUnreachable = 3; // a feed failed: unreachable, not 200, or its table too large

struct TCommand {
    const char* Name;
    const char* Usage;               // one line: "NAME ARGS..."
    void (*Help)(std::ostream& Out); // every option, for --help
    int (*Run)(const std::vector<std::string>& Args);
};

// request: one HTTP exchange, printed raw, with headers, or as JSON (RequestCommand.cpp).
extern const TCommand kRequestCommand;
// offers: the offers for a pair of currencies, as the rates tab orders them (OffersCommand.cpp).
extern const TCommand kOffersCommand;
// feed: one feed, raw or as its table (FeedCommand.cpp).
extern const TCommand kFeedCommand;
// guid: the installation GUID (GuidCommand.cpp).
extern const TCommand kGuidCommand;
// watch: the best offer for a pair, polled until a level is crossed (WatchCommand.cpp).
extern const TCommand kWatchCommand;
// routes: the best routes for a pair through other currencies (RoutesCommand.cpp).
extern const TCommand kRoutesCommand;
// history: the rates recorded for a pair (HistoryCommand.cpp).
extern const TCommand kHistoryCommand;
