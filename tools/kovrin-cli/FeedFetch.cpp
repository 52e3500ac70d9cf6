#include "tools/kovrin-cli/FeedFetch.h"

#include "engine/Functions.h"
#include "engine/Protocol.h"
#include "net/TCP.h"
#include "net/ThreadCtrl.h"
#include "text/Eintr.h"
#include "tools/kovrin-cli/ExchangeText.h"

#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <fcntl.h>
#include <memory>
#include <mutex>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// What a feed file of unknown length is first read into.
constexpr std::size_t kFirstReadBytes = 64 * 1024;

// The CLI's stand-in for a UI thread: workers queue their hand-off here and wait; the main thread runs them.
class TCallQueue final {
  public:
    bool Dispatch(const std::function<void()>& call) {
        std::unique_lock lock(FLock);
        if (FClosed)
            return false;
        TPending pending{&call};
        FCalls.push_back(&pending);
        FChanged.notify_all();
        FChanged.wait(lock, [&] { return pending.Done || FClosed; });
        return pending.Done;
    }

    // Runs queued calls on this thread until Done() holds; Done is checked between calls.
    void PumpUntil(const std::function<bool()>& done) {
        std::unique_lock lock(FLock);
        while (!done()) {
            if (FCalls.empty()) {
                FChanged.wait(lock);
                continue;
            }
            TPending* pending = FCalls.front();
            FCalls.pop_front();
            lock.unlock();
            (*pending->Call)();
            lock.lock();
            pending->Done = true;
            FChanged.notify_all();
        }
    }

    // After this every hand-off is refused at once, so a late worker touches nothing.
    void Close() {
        std::lock_guard lock(FLock);
        FClosed = true;
        FCalls.clear();
        FChanged.notify_all();
    }

  private:
    struct TPending {
        const std::function<void()>* Call;
        bool Done = false;
    };
    std::mutex FLock;
    std::condition_variable FChanged;
    std::deque<TPending*> FCalls;
    bool FClosed = false;
};

struct TFeedJob {
    TIData Input;
    TOData Output;
    std::int64_t ElapsedMs = 0;
};

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
    auto queue = std::make_shared<TCallQueue>();
    std::vector<std::unique_ptr<TFeedJob>> jobs;
    std::size_t completed = 0;
    {
        TThreadCtrl control([queue](const std::function<void()>& call) { return queue->Dispatch(call); });
        for (const auto feed : feeds) {
            auto& job = jobs.emplace_back(std::make_unique<TFeedJob>());
            job->Input = MakeFeedRequest(base, feed, GetAppGuid());
            const auto worker = [&job = *job](void* input, void* output) {
                auto& response = *static_cast<TOData*>(output);
                const auto start = std::chrono::steady_clock::now();
                try {
                    HttpRequest(*static_cast<const TIData*>(input), response);
                } catch (const std::exception&) {
                    // A worker that throws would never finish its job; report it as a failed exchange
                    // instead.
                    response = TOData{};
                }
                job.ElapsedMs = std::chrono::duration_cast<std::chrono::milliseconds>(
                                    std::chrono::steady_clock::now() - start)
                                    .count();
            };
            control.AddJob(
                worker, &job->Input, [&completed](void*) { ++completed; }, &job->Output);
        }
        queue->PumpUntil([&] { return completed == jobs.size(); });
        queue->Close();
    }

    std::vector<std::string> bodies;
    for (std::size_t i = 0; i < jobs.size(); ++i) {
        auto& job = *jobs[i];
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
