#include "tools/kovrin-cli/FeedFetch.h"

#include "engine/Functions.h"
#include "engine/Protocol.h"
#include "net/ExchangeJob.h"
#include "net/PumpedDispatcher.h"
#include "tools/kovrin-cli/ExchangeText.h"
#include "tools/kovrin-cli/FeedFile.h"

std::string FeedFilePath(const std::string& Dir, std::string_view Feed) {
    return Dir + "/" + std::string(Feed) + ".txt";
}

namespace {

std::vector<TSharedText> FetchFromService(const TFeedSource& source,
                                          const std::vector<std::string_view>& feeds) {
    // The completions run on this thread, which stands in for a UI thread.
    TPumpedDispatcher completions;
    std::vector<TExchangeRecords> records(feeds.size());
    std::size_t completed = 0;
    {
        TThreadCtrl control(completions.Dispatcher());
        for (std::size_t i = 0; i < feeds.size(); ++i) {
            TIData input = MakeFeedRequest(source.ServiceBase, feeds[i], GetAppGuid());
            input.CaFile = source.CaFile;
            AddExchangeJob(control, std::move(input),
                           [&completed, &done = records[i]](TExchangeRecords& Records) {
                               done = std::move(Records);
                               ++completed;
                           });
        }
        completions.PumpUntil([&] { return completed == feeds.size(); });
        completions.Close(); // a late worker touches nothing
    }

    std::vector<TSharedText> bodies;
    for (std::size_t i = 0; i < records.size(); ++i) {
        TExchangeRecords& job = records[i];
        if (!ExchangeSucceeded(job.Output))
            throw EFeedUnavailable("could not fetch feed \"" + std::string(feeds[i]) + "\" from " +
                                       job.Input.URL + ": " + ExchangeFailureText(job.Output, job.ElapsedMs),
                                   true);
        bodies.push_back(std::make_shared<const std::string>(std::move(job.Output.Body)));
    }
    return bodies;
}

} // namespace

std::vector<TSharedText> FetchFeeds(const TFeedSource& Source, const std::vector<std::string_view>& Feeds) {
    if (!Source.FeedsDir)
        return FetchFromService(Source, Feeds);
    std::vector<TSharedText> bodies;
    for (const auto feed : Feeds) {
        const std::string path = FeedFilePath(*Source.FeedsDir, feed);
        try {
            bodies.push_back(ReadFeedFile(path));
        } catch (const std::runtime_error& error) {
            throw FeedFileUnreadable(path, feed, error);
        }
    }
    return bodies;
}

EFeedUnavailable FeedFileUnreadable(const std::string& Path, std::string_view Feed,
                                    const std::runtime_error& Cause) {
    return EFeedUnavailable(
        "could not read feed \"" + std::string(Feed) + "\" from " + Path + ": " + Cause.what(), false);
}

namespace {

// The failure of a feed that came but cannot serve, naming the feed, where it came from and Why.
EFeedUnavailable FeedUnusable(const TFeedSource& Source, std::string_view Feed, const std::string& Why) {
    const std::string from =
        Source.FeedsDir ? FeedFilePath(*Source.FeedsDir, Feed) : Source.ServiceBase + "/callback";
    return EFeedUnavailable("could not use feed \"" + std::string(Feed) + "\" from " + from + ": " + Why,
                            true);
}

} // namespace

EFeedUnavailable FeedTableTooLarge(const TFeedSource& Source, std::string_view Feed,
                                   const ETableTooLarge& Cause) {
    return FeedUnusable(Source, Feed,
                        "its table would pass " + std::to_string(Cause.Budget() >> 20) + " MiB");
}

TStringMatrix FetchedFeedTable(const TFeedSource& Source, std::string_view Feed, TSharedText Body) {
    try {
        return FeedTableShared(Feed, std::move(Body));
    } catch (const ETableTooLarge& error) {
        throw FeedTableTooLarge(Source, Feed, error);
    }
}

EFeedUnavailable FeedWithoutRecords(const TFeedSource& Source, std::string_view Feed) {
    return FeedUnusable(Source, Feed, "it held no records");
}

TStringMatrix FetchedRecordsTable(const TFeedSource& Source, std::string_view Feed, TSharedText Body) {
    TStringMatrix table = FetchedFeedTable(Source, Feed, std::move(Body));
    if (table.empty())
        throw FeedWithoutRecords(Source, Feed);
    return table;
}
