#pragma once
// Host name resolution with a bound on the wait. The system resolver cannot be interrupted, so a name is
// looked up on a thread of its own that the caller may stop waiting for.

#include <chrono>
#include <memory>
#include <netdb.h>
#include <string>

struct TAddressListFree {
    void operator()(addrinfo* List) const { freeaddrinfo(List); }
};
// A list of addresses as getaddrinfo gives it, freed with freeaddrinfo.
using TAddressList = std::unique_ptr<addrinfo, TAddressListFree>;

enum class TResolveOutcome {
    Resolved,   // Addresses holds at least one address
    NoSuchHost, // the resolver answered that there is none
    TimedOut    // no answer by the end of the wait
};

// The shape of getaddrinfo; a stand-in must give a list that freeaddrinfo frees.
using TResolveFunction = int (*)(const char* Host, const char* Port, const addrinfo* Hints, addrinfo** List);

// Resolves Host and Port to stream-socket addresses, waiting until End at most. A numeric address is
// converted at once. A name goes to Resolve on a detached thread that owns copies of everything it uses: when
// End passes first, that thread finishes on its own, frees what it found and touches nothing of the caller's,
// and it does not keep the process from exiting. Never throws.
TResolveOutcome ResolveWithin(const std::string& Host, const std::string& Port,
                              std::chrono::steady_clock::time_point End, TAddressList& Addresses,
                              TResolveFunction Resolve = ::getaddrinfo);
