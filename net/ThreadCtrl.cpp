#include "net/ThreadCtrl.h"

#include <cstdio>
#include <exception>
#include <stdexcept>
#include <system_error>
#include <thread>

struct TThreadCtrl::TShared {
    explicit TShared(TDispatcher Dispatcher) : FDispatcher(std::move(Dispatcher)) {}

    // The sweep body; does nothing once the controller is gone.
    void Sweep();
    // The body of a job's thread: the worker, the state changes, then the hand-off of the sweep.
    static void Run(std::shared_ptr<TShared> Shared, std::shared_ptr<TThreadJob> Job);
    // Takes the latest finished job listed at or below Below off the list; null when there is none.
    std::shared_ptr<TThreadJob> TakeFinished(std::int32_t Below);

    mutable std::recursive_mutex FLock;
    // Shared with the job's thread, so that a job dropped with the controller stays valid for its worker.
    std::vector<std::shared_ptr<TThreadJob>> FJobs;
    std::int32_t FLastID = 0;
    TDispatcher FDispatcher;
    std::atomic<bool> FAlive{true};
};

void TThreadCtrl::TShared::Run(std::shared_ptr<TShared> Shared, std::shared_ptr<TThreadJob> Job) {
    Job->State.store(jsRunning, std::memory_order_release);
    bool finished = true;
    try {
        if (Job->Worker) {
            Job->Worker();
        }
    } catch (...) {
        // A throwing worker leaves its job running for good: no callback, record kept until the controller
        // goes. Workers report failures through what they make.
        finished = false;
    }
    if (finished) {
        Job->State.store(jsFinished, std::memory_order_release);
    }
    Job.reset();

    // Past this point the controller may be gone or the UI loop ended: then the hand-off is skipped or
    // refused.
    if (!Shared->FAlive.load(std::memory_order_acquire)) {
        return;
    }
    const TDispatcher dispatcher = Shared->FDispatcher;
    if (!dispatcher) {
        return;
    }
    try {
        dispatcher([Shared] { Shared->Sweep(); });
    } catch (const std::exception& error) {
        std::fprintf(stderr, "Kovrin: job hand-off failed: %s\n", error.what());
    } catch (...) {
        std::fprintf(stderr, "Kovrin: job hand-off failed\n");
    }
}

std::shared_ptr<TThreadJob> TThreadCtrl::TShared::TakeFinished(std::int32_t Below) {
    for (std::size_t index = FJobs.size(); index-- > 0;) {
        const std::shared_ptr<TThreadJob>& job = FJobs[index];
        if (job->ID <= Below && job->State.load(std::memory_order_acquire) == jsFinished) {
            std::shared_ptr<TThreadJob> taken = job;
            FJobs.erase(FJobs.begin() + static_cast<std::ptrdiff_t>(index));
            return taken;
        }
    }
    return nullptr;
}

void TThreadCtrl::TShared::Sweep() {
    std::lock_guard<std::recursive_mutex> guard(FLock);
    // The jobs listed now, from the latest down; jobs that callbacks add wait for the next sweep. Each job
    // leaves the list before its callback runs, so a nested sweep (a callback's modal loop) neither runs it
    // again nor disturbs this one, which goes on by ID rather than by position.
    std::int32_t below = FJobs.empty() ? 0 : FJobs.back()->ID;
    while (FAlive.load(std::memory_order_acquire)) {
        const std::shared_ptr<TThreadJob> job = TakeFinished(below);
        if (!job) {
            return;
        }
        below = job->ID - 1;
        if (!job->Callback) {
            continue;
        }
        try {
            job->Callback();
        } catch (const std::exception& error) {
            std::fprintf(stderr, "Kovrin: completion of job %d failed: %s\n", job->ID, error.what());
        } catch (...) {
            std::fprintf(stderr, "Kovrin: completion of job %d failed\n", job->ID);
        }
    }
}

TThreadCtrl::TThreadCtrl(TDispatcher Dispatcher)
    : FShared(std::make_shared<TShared>(std::move(Dispatcher))) {}

TThreadCtrl::~TThreadCtrl() {
    std::lock_guard<std::recursive_mutex> guard(FShared->FLock);
    FShared->FAlive.store(false, std::memory_order_release);
    FShared->FJobs.clear();
}

void TThreadCtrl::AddJob(TJobWorker Worker, TJobCallback Callback) {
    std::lock_guard<std::recursive_mutex> guard(FShared->FLock);
    auto job = std::make_shared<TThreadJob>();
    job->ID = ++FShared->FLastID;
    job->Worker = std::move(Worker);
    job->Callback = std::move(Callback);
    FShared->FJobs.push_back(job);
    try {
        std::thread(&TShared::Run, FShared, job).detach();
    } catch (const std::system_error& error) {
        // No thread means no completion ever: the record would only sit in the list.
        FShared->FJobs.pop_back();
        throw std::runtime_error(std::string("Thread creation error: ") + error.code().message());
    }
}

void TThreadCtrl::ThreadTerminated() {
    FShared->Sweep();
}

std::size_t TThreadCtrl::PendingJobs() const {
    std::lock_guard<std::recursive_mutex> guard(FShared->FLock);
    return FShared->FJobs.size();
}

std::int32_t TThreadCtrl::LastID() const {
    std::lock_guard<std::recursive_mutex> guard(FShared->FLock);
    return FShared->FLastID;
}
