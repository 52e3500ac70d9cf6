#include "tools/kovrin-cli/FeedFetch.h"

#include "engine/Functions.h"
#include "engine/Protocol.h"
#include "net/ExchangeJob.h"
#include "net/PumpedDispatcher.h"
#include "tools/kovrin-cli/ExchangeText.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <sstream>

namespace {

std::string ReadFeedFile(const std::string& dir, std::string_view feed) {
    const std::string path = dir + "/" + std::string(feed) + ".txt";
    errno = 0;
    std::ifstream in(path, std::ios::binary);
    const int openError = errno;
    std::ostringstream body;
    if (in)
        body << in.rdbuf();
    if (!in || in.bad()) {
        const std::string cause = !in.is_open() && openError != 0 ? std::strerror(openError) : "read error";
        throw EFeedUnavailable(
            "could not read feed \"" + std::string(feed) + "\" from " + path + ": " + cause, false);
    }
    return body.str();
}

std::vector<std::string> FetchFromService(const std::string& base,
                                          const std::vector<std::string_view>& feeds) {
    // The completions run on this thread, which stands in for a UI thread.
    TPumpedDispatcher completions;
    std::vector<TExchangeRecords> records(feeds.size());
    std::size_t completed = 0;
    {
        TThreadCtrl control(completions.Dispatcher());
        for (std::size_t i = 0; i < feeds.size(); ++i) {
            AddExchangeJob(control, MakeFeedRequest(base, feeds[i], GetAppGuid()),
                           [&completed, &done = records[i]](TExchangeRecords& Records) {
                               done = std::move(Records);
                               ++completed;
                           });
        }
        completions.PumpUntil([&] { return completed == feeds.size(); });
        completions.Close(); // a late worker touches nothing
    }

    std::vector<std::string> bodies;
    for (std::size_t i = 0; i < records.size(); ++i) {
        const TExchangeRecords& job = records[i];
        if (!ExchangeSucceeded(job.Output))
            throw EFeedUnavailable("could not fetch feed \"" + std::string(feeds[i]) + "\" from " +
                                       job.Input.URL + ": " + ExchangeFailureText(job.Output, job.ElapsedMs),
                                   true);
        bodies.push_back(job.Output.Body);
    }
    return bodies;
}

} // namespace

std::vector<std::string> FetchFeeds(const TFeedSource& Source, const std::vector<std::string_view>& Feeds) {
    if (!Source.FeedsDir)
        return FetchFromService(Source.ServiceBase, Feeds);
    std::vector<std::string> bodies;
    for (const auto feed : Feeds)
        bodies.push_back(ReadFeedFile(*Source.FeedsDir, feed));
    return bodies;
}
