#include "engine/SideThread.h"

#include <pthread.h>
#include <sched.h>
#include <system_error>

struct TSideThread::TShared {
    std::function<void(std::stop_token)> Work;
    std::stop_source Stop;
    pthread_t Thread{};
    bool Steered = false; // started away from the caller's CPU: Allowed is given back once it runs
    cpu_set_t Allowed{};
};

namespace {

// Allowed less the CPU the caller runs on; false when that leaves none (or the CPU cannot be told).
bool OtherCpus(const cpu_set_t& Allowed, cpu_set_t& Others) {
    const int here = sched_getcpu();
    if (here < 0 || !CPU_ISSET(here, &Allowed)) {
        return false;
    }
    Others = Allowed;
    CPU_CLR(here, &Others);
    return CPU_COUNT(&Others) > 0;
}

} // namespace

void* TSideThread::Run(void* Shared) {
    auto& shared = *static_cast<TShared*>(Shared);
    if (shared.Steered) {
        // Running now; from here on it may go wherever the scheduler finds room.
        pthread_setaffinity_np(pthread_self(), sizeof shared.Allowed, &shared.Allowed);
    }
    shared.Work(shared.Stop.get_token());
    return nullptr;
}

TSideThread::TSideThread(std::function<void(std::stop_token)> Work) : FShared(std::make_unique<TShared>()) {
    FShared->Work = std::move(Work);
    pthread_attr_t attributes;
    if (const int error = pthread_attr_init(&attributes); error != 0) {
        throw std::system_error(error, std::generic_category(), "pthread_attr_init");
    }
    cpu_set_t others;
    if (sched_getaffinity(0, sizeof FShared->Allowed, &FShared->Allowed) == 0 &&
        OtherCpus(FShared->Allowed, others)) {
        FShared->Steered = pthread_attr_setaffinity_np(&attributes, sizeof others, &others) == 0;
    }
    const int error = pthread_create(&FShared->Thread, &attributes, Run, FShared.get());
    pthread_attr_destroy(&attributes);
    if (error != 0) {
        throw std::system_error(error, std::generic_category(), "pthread_create");
    }
}

TSideThread::~TSideThread() {
    FShared->Stop.request_stop();
    Join();
}

void TSideThread::Join() {
    if (!FJoined) {
        FJoined = true;
        pthread_join(FShared->Thread, nullptr);
    }
}
