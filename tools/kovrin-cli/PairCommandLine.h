#pragma once
// What offers and routes share: their command line (a pair of currencies, the amounts, the output format and
// the global options) and the three feeds they read.

#include "tools/kovrin-cli/Args.h"
#include "tools/kovrin-cli/FeedFetch.h"
#include "tools/kovrin-cli/OffersQuery.h"

#include <functional>
#include <string>
#include <vector>

// The command line of a command over a pair of currencies.
struct TPairCommandLine {
    TFeedSource Source;
    TOffersQuery Query;
    std::string Format = "table"; // table, csv or json
    bool Help = false;            // --help was met; the rest of the line was not read
};

// Reads Args: GIVE GET, --give-amount, --get-amount, --format table|csv|json, --service, --cacert and
// --feeds, and the command's own options through OwnOption, which is asked at every other option and returns
// true when it consumed one (empty: none). Throws EUsage for an option nobody takes, a bad value or other
// than two currencies.
TPairCommandLine ReadPairCommandLine(const std::vector<std::string>& Args,
                                     const std::function<bool(TArgReader&)>& OwnOption = {});

// The rates, names and exchangers tables from Source, fetched side by side. Throws EFeedUnavailable.
struct TPairFeeds {
    TStringMatrix Rates;
    TStringMatrix Names;
    TStringMatrix Exchangers;
};
TPairFeeds FetchPairFeeds(const TFeedSource& Source);
// The same for one query, read from Source's feed files: of the rates file, read a piece at a time, only the
// rows of the query's pair are kept, so that a large one is never held whole; the offers are those of the
// whole tables. Throws EFeedUnavailable, and EUnknownCurrency for a currency the names do not have.
TPairFeeds ReadPairFeedFiles(const TFeedSource& Source, const TOffersQuery& Query);
