#include "net/ThreadCtrl.h"

#include <pthread.h>
#include <stdexcept>
#include <system_error>
#include <thread>

struct TThreadCtrl::TShared {
    explicit TShared(TDispatcher Dispatcher) : FDispatcher(std::move(Dispatcher)) {}

    // The sweep body; does nothing once the controller is gone.
    void Sweep();
    // The body of a job's thread: the worker, the state changes, then the hand-off of the sweep.
    static void Run(std::shared_ptr<TShared> Shared, std::shared_ptr<TThreadJob> Job);

    mutable std::recursive_mutex FLock;
    // Shared with the job's thread, so that a job dropped with the controller stays valid for its worker.
    std::vector<std::shared_ptr<TThreadJob>> FJobs;
    std::int32_t FLastID = 0;
    TDispatcher FDispatcher;
    std::atomic<bool> FAlive{true};
};

void TThreadCtrl::TShared::Run(std::shared_ptr<TShared> Shared, std::shared_ptr<TThreadJob> Job) {
    Job->Handle = static_cast<std::uint64_t>(pthread_self());
    Job->State.store(jsRunning, std::memory_order_release);
    bool finished = true;
    try {
        if (Job->Worker)
            Job->Worker(Job->Input, Job->Output);
    } catch (...) {
        // A throwing worker leaves its job running for good: no callback, record kept until the controller
        // goes.
        finished = false;
    }
    if (finished)
        Job->State.store(jsFinished, std::memory_order_release);
    Job.reset();

    // Past this point the controller may be gone or the UI loop ended: then the hand-off is skipped or
    // refused.
    if (!Shared->FAlive.load(std::memory_order_acquire))
        return;
    const TDispatcher dispatcher = Shared->FDispatcher;
    if (!dispatcher)
        return;
    try {
        dispatcher([Shared] { Shared->Sweep(); });
    } catch (...) {
        // What escapes a callback is the UI side's business; this thread must end quietly either way.
    }
}

void TThreadCtrl::TShared::Sweep() {
    std::lock_guard<std::recursive_mutex> guard(FLock);
    if (!FAlive.load(std::memory_order_acquire))
        return;
    // Counted once: jobs that callbacks add are appended above the sweep's position and wait for the next
    // sweep.
    for (std::size_t index = FJobs.size(); index-- > 0;) {
        const std::shared_ptr<TThreadJob> job = FJobs[index];
        if (job->State.load(std::memory_order_acquire) != jsFinished)
            continue;
        if (job->Callback)
            job->Callback(job->Output);
        if (!FAlive.load(std::memory_order_acquire))
            return;
        FJobs.erase(FJobs.begin() + static_cast<std::ptrdiff_t>(index));
    }
}

TThreadCtrl::TThreadCtrl(TDispatcher Dispatcher)
    : FShared(std::make_shared<TShared>(std::move(Dispatcher))) {}

TThreadCtrl::~TThreadCtrl() {
    std::lock_guard<std::recursive_mutex> guard(FShared->FLock);
    FShared->FAlive.store(false, std::memory_order_release);
    FShared->FJobs.clear();
}

bool TThreadCtrl::AddJob(TJobWorker Worker, void* Input, TJobCallback Callback, void* Output) {
    std::lock_guard<std::recursive_mutex> guard(FShared->FLock);
    auto job = std::make_shared<TThreadJob>();
    job->ID = ++FShared->FLastID;
    job->Worker = std::move(Worker);
    job->Input = Input;
    job->Callback = std::move(Callback);
    job->Output = Output;
    FShared->FJobs.push_back(job);
    try {
        std::thread(&TShared::Run, FShared, job).detach();
    } catch (const std::system_error& error) {
        // No thread means no completion ever: the record would only sit in the list.
        FShared->FJobs.pop_back();
        throw std::runtime_error(std::string("Thread creation error: ") + error.code().message());
    }
    return true;
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
