#include "net/Resolver.h"

#include <condition_variable>
#include <mutex>
#include <system_error>
#include <thread>
#include <utility>

namespace {

// What one lookup thread hands over; shared by the thread and the waiter, so whichever lets go last frees it
// and the list in it.
struct TLookup {
    ~TLookup() {
        if (List != nullptr)
            freeaddrinfo(List);
    }

    std::mutex Lock;
    std::condition_variable Changed;
    bool Done = false;
    addrinfo* List = nullptr; // owned here until the waiter takes it
};

addrinfo Hints(int Flags) {
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = Flags;
    return hints;
}

addrinfo* Lookup(TResolveFunction Resolve, const std::string& Host, const std::string& Port) {
    const addrinfo hints = Hints(0);
    addrinfo* list = nullptr;
    if (Resolve(Host.c_str(), Port.c_str(), &hints, &list) != 0)
        return nullptr;
    return list;
}

void Finish(TLookup& Lookup, addrinfo* List) {
    const std::lock_guard<std::mutex> guard(Lookup.Lock);
    Lookup.List = List;
    Lookup.Done = true;
    Lookup.Changed.notify_all();
}

} // namespace

TResolveOutcome ResolveWithin(const std::string& Host, const std::string& Port,
                              std::chrono::steady_clock::time_point End, TAddressList& Addresses,
                              TResolveFunction Resolve) {
    Addresses.reset();
    try {
        const addrinfo numeric = Hints(AI_NUMERICHOST);
        addrinfo* list = nullptr;
        if (getaddrinfo(Host.c_str(), Port.c_str(), &numeric, &list) == 0) {
            Addresses.reset(list);
            return list != nullptr ? TResolveOutcome::Resolved : TResolveOutcome::NoSuchHost;
        }

        auto lookup = std::make_shared<TLookup>();
        try {
            std::thread([lookup, Resolve, Host, Port] {
                Finish(*lookup, Lookup(Resolve, Host, Port));
            }).detach();
        } catch (const std::system_error&) {
            // No thread to spare: an unbounded lookup here still beats failing an exchange that would work.
            Finish(*lookup, Lookup(Resolve, Host, Port));
        }
        std::unique_lock<std::mutex> lock(lookup->Lock);
        if (!lookup->Changed.wait_until(lock, End, [&] { return lookup->Done; }))
            return TResolveOutcome::TimedOut;
        Addresses.reset(std::exchange(lookup->List, nullptr));
        return Addresses ? TResolveOutcome::Resolved : TResolveOutcome::NoSuchHost;
    } catch (...) {
        // Memory ran out on the way: no addresses, as for a name that does not resolve.
        return TResolveOutcome::NoSuchHost;
    }
}
