#pragma once
// Records the window's points on a thread of its own, so that neither working out the points nor waiting
// for the file (another writer's lock, a slow disk) ever holds the caller. Jobs run in the order posted; the
// store is opened on the first job.

#include "engine/RateAlerts.h"
#include "history/HistoryStore.h"

#include <condition_variable>
#include <deque>
#include <filesystem>
#include <functional>
#include <mutex>
#include <thread>

class THistoryRecorder final {
  public:
    // Works out the points to record (on the recorder's thread), given the open store; may return none.
    using TJob = std::function<std::vector<TPairPoint>(THistoryStore& Store)>;

    // Records into File; problems go to Sink (from the recorder's thread). Throws std::system_error when no
    // thread can be had.
    explicit THistoryRecorder(std::filesystem::path File, THistoryProblemSink Sink = HistoryProblemToStderr);
    // Finishes the jobs already posted, then ends the thread.
    ~THistoryRecorder();
    THistoryRecorder(const THistoryRecorder&) = delete;
    THistoryRecorder& operator=(const THistoryRecorder&) = delete;

    // Queues Job with the time of its refresh; Done (when set) runs on the recorder's thread once the points
    // are written (true) or could not be (false). Returns at once. Never throws beyond allocation.
    void Post(TJob Job, std::int64_t NowMs, std::function<void(bool Written)> Done = {});

    // Records a refresh at NowMs of the service Service (THistoryStore::SetService): the followed pairs
    // (Current, the alerts' pairs, the pairs chosen lately of that service) and their points from the three
    // tables, all worked out on the recorder's thread; SpanMs is when the next refresh is due (0: none
    // planned). Done as for Post. The caller's cost is copying the tables.
    void PostRefresh(std::string Service, TStringMatrix Rates, TStringMatrix Names, TStringMatrix Exchangers,
                     std::optional<THistoryPair> Current, std::vector<TRateAlert> Alerts, std::int64_t NowMs,
                     std::int64_t SpanMs, std::function<void(bool Written)> Done = {});
    // Notes that the user chose Pair of the service Service at NowMs, after the jobs posted before.
    void PostChosen(std::string Service, THistoryPair Pair, std::int64_t NowMs);

    // Runs Work with the store on the recorder's thread, after the jobs posted before it, and waits for it:
    // for readers that want what was recorded so far. False when the store cannot be had.
    bool Run(const std::function<void(THistoryStore& Store)>& Work);

  private:
    struct TItem {
        std::function<bool(THistoryStore*)> Work;
    };
    void Loop(std::stop_token Stop);

    std::filesystem::path FFile;
    THistoryProblemSink FSink;
    std::mutex FLock;
    std::condition_variable_any FWake;
    std::deque<TItem> FQueue;
    std::unique_ptr<THistoryStore> FStore;
    bool FOpenTried = false;
    std::jthread FThread; // last: started once the rest is ready
};
