#include "history/HistoryRecorder.h"

#include "history/FollowedPairs.h"

#include <future>

THistoryRecorder::THistoryRecorder(std::filesystem::path File, THistoryProblemSink Sink)
    : FFile(std::move(File)), FSink(std::move(Sink)), FThread([this](std::stop_token Stop) { Loop(Stop); }) {}

THistoryRecorder::~THistoryRecorder() {
    FThread.request_stop();
    FWake.notify_all();
    FThread.join();
}

void THistoryRecorder::Post(TJob Job, std::int64_t NowMs, std::function<void(bool Written)> Done) {
    TItem item{[Job = std::move(Job), NowMs, Done = std::move(Done)](THistoryStore* Store) {
        bool written = false;
        if (Store != nullptr) {
            try {
                written = Store->Record(Job(*Store), NowMs);
            } catch (...) {
                // Working out the points ran out of memory: this refresh goes unrecorded.
            }
        }
        if (Done) {
            Done(written);
        }
        return written;
    }};
    {
        std::lock_guard lock(FLock);
        FQueue.push_back(std::move(item));
    }
    FWake.notify_all();
}

void THistoryRecorder::PostRefresh(std::string Service, TStringMatrix Rates, TStringMatrix Names,
                                   TStringMatrix Exchangers, std::optional<THistoryPair> Current,
                                   std::vector<TRateAlert> Alerts, std::int64_t NowMs, std::int64_t SpanMs,
                                   std::function<void(bool Written)> Done) {
    Post(
        [Service = std::move(Service), Rates = std::move(Rates), Names = std::move(Names),
         Exchangers = std::move(Exchangers), Current = std::move(Current), Alerts = std::move(Alerts), NowMs,
         SpanMs](THistoryStore& Store) {
            Store.SetService(Service);
            std::vector<TPairPoint> points;
            for (THistoryPair pair :
                 FollowedPairs(Current, Alerts, Store.ChosenSince(NowMs - kChosenPairDaysMs))) {
                if (std::optional<TRatePoint> point =
                        PairPoint(Rates, Names, Exchangers, pair, NowMs, SpanMs)) {
                    points.push_back({std::move(pair), std::move(*point)});
                }
            }
            return points;
        },
        NowMs, std::move(Done));
}

void THistoryRecorder::PostChosen(std::string Service, THistoryPair Pair, std::int64_t NowMs) {
    {
        std::lock_guard lock(FLock);
        FQueue.push_back(
            {[Service = std::move(Service), Pair = std::move(Pair), NowMs](THistoryStore* Store) {
                if (Store == nullptr) {
                    return false;
                }
                Store->SetService(Service);
                return Store->NoteChosen(Pair, NowMs);
            }});
    }
    FWake.notify_all();
}

bool THistoryRecorder::Run(const std::function<void(THistoryStore& Store)>& Work) {
    std::promise<bool> result;
    std::future<bool> ready = result.get_future();
    {
        std::lock_guard lock(FLock);
        FQueue.push_back({[&](THistoryStore* Store) {
            if (Store != nullptr) {
                Work(*Store);
            }
            result.set_value(Store != nullptr);
            return Store != nullptr;
        }});
    }
    FWake.notify_all();
    return ready.get();
}

void THistoryRecorder::Loop(std::stop_token Stop) {
    for (;;) {
        TItem item;
        {
            std::unique_lock lock(FLock);
            FWake.wait(lock, Stop, [this] { return !FQueue.empty(); });
            if (FQueue.empty()) {
                return; // stopped with nothing left to do
            }
            item = std::move(FQueue.front());
            FQueue.pop_front();
        }
        if (!FOpenTried) {
            FOpenTried = true;
            FStore = THistoryStore::Open(FFile, FSink);
        }
        item.Work(FStore.get());
    }
}
