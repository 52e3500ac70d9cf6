#include "tools/kovrin-cli/FeedFetch.h"

#include "engine/Functions.h"
#include "engine/Protocol.h"
#include "net/ExchangeJob.h"
#include "net/PumpedDispatcher.h"
#include "text/Eintr.h"
#include "tools/kovrin-cli/ExchangeText.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// What a feed file of unknown length is first read into.
constexpr std::size_t kFirstReadBytes = 64 * 1024;

// Closes a file descriptor when it goes.
struct TFileHandle {
    int Descriptor;
    ~TFileHandle() { close(Descriptor); }
};

std::string FeedFilePath(const std::string& dir, std::string_view feed) {
    return dir + "/" + std::string(feed) + ".txt";
}

std::string ReadFeedFile(const std::string& dir, std::string_view feed) {
    const std::string path = FeedFilePath(dir, feed);
    const auto unreadable = [&](const std::string& cause) {
        return EFeedUnavailable(
            "could not read feed \"" + std::string(feed) + "\" from " + path + ": " + cause, false);
    };
    const TFileHandle file{HandleEINTR([&] { return open(path.c_str(), O_RDONLY | O_CLOEXEC); })};
    if (file.Descriptor < 0)
        throw unreadable(std::strerror(errno));
    // Read in place into a string sized once from the file's length (a byte more shows that it grew): a
    // stream would copy every byte twice more, and each copy costs fresh pages of a feed's size.
    struct stat status {};
    const bool sized = fstat(file.Descriptor, &status) == 0 && status.st_size > 0;
    std::string body(sized ? static_cast<std::size_t>(status.st_size) + 1 : kFirstReadBytes, '\0');
    std::size_t size = 0;
    for (;;) {
        if (size == body.size())
            body.resize(body.size() * 2);
        const ssize_t got =
            HandleEINTR([&] { return read(file.Descriptor, body.data() + size, body.size() - size); });
        if (got < 0)
            throw unreadable("read error");
        if (got == 0)
            break;
        size += static_cast<std::size_t>(got);
    }
    body.resize(size);
    return body;
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
        TExchangeRecords& job = records[i];
        if (!ExchangeSucceeded(job.Output))
            throw EFeedUnavailable("could not fetch feed \"" + std::string(feeds[i]) + "\" from " +
                                       job.Input.URL + ": " + ExchangeFailureText(job.Output, job.ElapsedMs),
                                   true);
        bodies.push_back(std::move(job.Output.Body));
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

TStringMatrix FetchedFeedTable(const TFeedSource& Source, std::string_view Feed, std::string&& Body) {
    try {
        return FeedTableOver(Feed, std::move(Body));
    } catch (const ETableTooLarge& error) {
        const std::string from =
            Source.FeedsDir ? FeedFilePath(*Source.FeedsDir, Feed) : Source.ServiceBase + "/callback";
        throw EFeedUnavailable("could not use feed \"" + std::string(Feed) + "\" from " + from +
                                   ": its table would pass " + std::to_string(error.Budget() >> 20) + " MiB",
                               true);
    }
}
