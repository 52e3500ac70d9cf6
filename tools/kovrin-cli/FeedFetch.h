#pragma once
// Feed bodies for kovrin-cli: fetched from the service side by side through the job runner, or read from
// files.

#include "engine/Functions.h"
#include "engine/StringMatrix.h"

#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

// Where the feeds come from.
struct TFeedSource {
    std::string ServiceBase;             // scheme and host of the service, no trailing slash
    std::optional<std::string> FeedsDir; // when set: DIR/news.txt, DIR/rates.txt, ... instead of the service
    std::string CaFile; // the one CA an https service is checked against; empty: the system's
};

// A feed that could not be had; what() is the whole message, e.g. could not fetch feed "rates" from URL:
// connection refused.
class EFeedUnavailable : public std::runtime_error {
  public:
    EFeedUnavailable(const std::string& Message, bool FeedFailed)
        : std::runtime_error(Message), FFeedFailed(FeedFailed) {}
    // True when the feed itself failed: the service could not be reached or did not answer 200, or the feed's
    // table would pass its budget. False when a feed file could not be read.
    bool FeedFailed() const { return FFeedFailed; }

  private:
    bool FFeedFailed;
};

// The body bytes of each feed in Feeds, in that order. From the service, every request runs at once on its
// own worker thread (TThreadCtrl) and the completions are pumped on the calling thread; an exchange that does
// not bring a whole 200 answer fails. Throws EFeedUnavailable naming the first feed that failed and why.
std::vector<TSharedText> FetchFeeds(const TFeedSource& Source, const std::vector<std::string_view>& Feeds);

// DIR/FEED.txt, where --feeds DIR keeps a feed.
std::string FeedFilePath(const std::string& Dir, std::string_view Feed);
// The failure of a feed file that could not be opened or read (Cause says why).
EFeedUnavailable FeedFileUnreadable(const std::string& Path, std::string_view Feed,
                                    const std::runtime_error& Cause);
// The failure of a feed whose table would pass its budget.
EFeedUnavailable FeedTableTooLarge(const TFeedSource& Source, std::string_view Feed,
                                   const ETableTooLarge& Cause);
// The failure of a feed that held no records.
EFeedUnavailable FeedWithoutRecords(const TFeedSource& Source, std::string_view Feed);

// The table of a fetched feed, over its body (FeedTableShared). Throws EFeedUnavailable (a failed feed)
// naming the feed and where it came from when its table would pass the budget.
TStringMatrix FetchedFeedTable(const TFeedSource& Source, std::string_view Feed, TSharedText Body);
// FetchedFeedTable of a feed a command reads offers from (rates, names, exchangers). Such a feed without a
// record (an empty or garbled 200 answer, an empty file) is the feed's failure, not the pair's: it throws
// EFeedUnavailable (a failed feed) saying so (FeedWithoutRecords), where a currency looked up in empty names
// would be "unknown" and a pair in empty rates or exchangers would have no offers.
TStringMatrix FetchedRecordsTable(const TFeedSource& Source, std::string_view Feed, TSharedText Body);
