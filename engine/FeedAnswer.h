#pragma once
// A feed's answer made ready where it arrives: on its job's worker the body is decoded and cut into its table
// (or the news text), within the feed's bound, so the window's completion only installs finished values.

#include "engine/RefreshStatus.h"
#include "engine/StringMatrix.h"
#include "net/TCP.h"
#include "net/ThreadCtrl.h"

#include <cstddef>
#include <functional>
#include <memory>
#include <string>

// The most body bytes a news feed may bring: far more than a person reads; a larger one is refused.
inline constexpr std::size_t kNewsBodyLimit = std::size_t{1} << 20;
// The most bytes the names table may need: thousands of currencies fit many times over, while a names feed
// of hundreds of thousands of rows (each one an item of three lists in the window) is refused.
inline constexpr std::size_t kNamesTableBudget = std::size_t{1} << 20;

// The bound of Feed's table (a data feed), bytes.
std::size_t FeedTableBudget(TFeed Feed);

// One feed's answer, ready to be installed.
struct TFeedAnswer {
    TOData Output;                           // the response record, its body moved into Body
    std::shared_ptr<const std::string> Body; // the body bytes as received, the one copy the table points into
    TStringMatrix Table;                     // a data feed's table
    std::string News;                        // the news text
    bool Refused = false;                    // the answer passed its feed's bound: a failed feed
    // True when the exchange brought a whole 200 answer within its bound: the answer replaces what is shown.
    bool Usable() const { return !Refused && ExchangeSucceeded(Output); }
    // True when a usable answer is worth keeping for the next start: news with text, a table with rows. An
    // answer with nothing in it still replaces what is shown, but the kept copy of an earlier one serves a
    // start better (a maintenance page in place of the rates kept nothing).
    bool WorthKeeping() const { return Usable() && (!Table.empty() || !News.empty()); }
};

class TEarlyCut;

// Makes Output of Feed ready: for a usable exchange, the news text (NewsText) or the table (FeedTableShared
// with FeedTableBudget, or the rows Early cut while the body arrived); an answer beyond its bound is Refused,
// with Output's Failure set to TooLarge. A failed exchange is only carried along. Never throws but
// std::bad_alloc.
TFeedAnswer PrepareFeed(TFeed Feed, TOData Output, TEarlyCut* Early = nullptr);

// Runs the exchange of Input and PrepareFeed on a job of Control; Completion gets the answer on the
// dispatcher's thread. Throws what TThreadCtrl::AddJob throws (then Completion never runs).
using TFeedAnswerCompletion = std::function<void(TFeedAnswer& Answer)>;
void AddFeedJob(TThreadCtrl& Control, TFeed Feed, TIData Input, TFeedAnswerCompletion Completion);
