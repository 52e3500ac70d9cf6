#pragma once
// The options every feed command takes, before or after the command name: --service URL, --cacert FILE and
// --feeds DIR.

#include "tools/kovrin-cli/Args.h"
#include "tools/kovrin-cli/FeedFetch.h"

#include <string>
#include <string_view>
#include <utility>
#include <vector>

// Help lines for the two options, indented like a command's own.
inline constexpr const char* kGlobalOptionsHelp =
    "  --service URL        http(s)://HOST[:PORT] of the rates service, nothing else (default: the build's)\n"
    "  --cacert FILE        check an https service against this CA only (default: the system's)\n"
    "  --feeds DIR          read news.txt, rates.txt, names.txt and exchangers.txt from DIR instead\n";

// The exit codes of a command that reads the feeds, for its --help. Failed is put before what else exit code
// 1 stands for ("an unknown currency, "). ForOffers: the command reads offers from the rates, names and
// exchangers (FetchedRecordsTable), so one of them without records fails too.
std::string FeedExitCodesHelp(std::string_view Failed = {}, bool ForOffers = false);

// True when Name is one of the global options (what main moves from before the command to after it).
bool IsGlobalOption(std::string_view Arg);

// When the next argument is --service, --cacert or --feeds, consumes it with its value into Source and
// returns true. Throws EUsage when the value is missing or empty.
bool TakeGlobalOption(TArgReader& Args, TFeedSource& Source);

// The two currencies of a command (GIVE and GET) from its plain words. Throws EUsage for any other count.
std::pair<std::string, std::string> CurrencyPair(const std::vector<std::string>& Words);

// The feed source before any option: the build's ServiceBase, no folder.
TFeedSource DefaultFeedSource();

// The value of the amount option just matched (Option names it): 1 to 10 digits and at most one decimal
// separator, "," or ".", as the window's amount fields take. Throws EUsage for anything else.
std::string AmountOptionValue(TArgReader& Args, std::string_view Option);
