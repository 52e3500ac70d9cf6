#include "net/Socket.h"

#include "net/Resolver.h"

#include <algorithm>
#include <fcntl.h>
#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

using std::chrono::duration_cast;
using std::chrono::milliseconds;

TClock::time_point WaitEnd(int TimeoutMs, TClock::time_point Deadline) {
    return std::min(TClock::now() + milliseconds(std::max(TimeoutMs, 0)), Deadline);
}

int MillisecondsLeft(TClock::time_point End) {
    const auto left = End - TClock::now();
    if (left <= TClock::duration::zero())
        return 0;
    // Rounded up so that a wait never ends a fraction of a millisecond early and spins.
    const auto ms = duration_cast<milliseconds>(left + milliseconds(1) - TClock::duration(1)).count();
    return static_cast<int>(std::min<long long>(ms, 1 << 30));
}

// Waits until Handle is ready for Events or End passes; true when ready (an error state counts as ready, so
// that the following call reports it).
bool WaitFor(int Handle, short Events, TClock::time_point End) {
    for (;;) {
        pollfd entry{Handle, Events, 0};
        const int ms = MillisecondsLeft(End);
        const int ready = poll(&entry, 1, ms);
        if (ready > 0)
            return true;
        if (ready < 0 && errno != EINTR)
            return false;
        if (TClock::now() >= End)
            return false;
    }
}

TExchangeFailure ConnectFailure(int Error) {
    return Error == ECONNREFUSED ? TExchangeFailure::Refused
           : Error == ETIMEDOUT  ? TExchangeFailure::Timeout
                                 : TExchangeFailure::Unreachable;
}

// Connects to one address; -1 with Failure set when it cannot.
int ConnectOne(const addrinfo& Address, TClock::time_point End, TExchangeFailure& Failure) {
    const int handle =
        socket(Address.ai_family, Address.ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC, Address.ai_protocol);
    if (handle < 0) {
        Failure = TExchangeFailure::Unreachable;
        return -1;
    }
    if (connect(handle, Address.ai_addr, Address.ai_addrlen) == 0)
        return handle;
    Failure = ConnectFailure(errno);
    // A non-blocking connect interrupted by a signal goes on in the background, just like EINPROGRESS.
    if (errno == EINPROGRESS || errno == EINTR) {
        int error = 0;
        socklen_t size = sizeof error;
        if (!WaitFor(handle, POLLOUT, End))
            Failure = TExchangeFailure::Timeout;
        else if (getsockopt(handle, SOL_SOCKET, SO_ERROR, &error, &size) != 0)
            Failure = TExchangeFailure::Unreachable;
        else if (error == 0)
            return handle;
        else
            Failure = ConnectFailure(error);
    }
    close(handle);
    return -1;
}

} // namespace

int WaitBudget(int TimeoutMs, TClock::time_point Deadline) {
    return MillisecondsLeft(WaitEnd(TimeoutMs, Deadline));
}

bool WaitReady(int Handle, short Events, int TimeoutMs, TClock::time_point Deadline) {
    return TClock::now() < Deadline && WaitFor(Handle, Events, WaitEnd(TimeoutMs, Deadline));
}

bool TSocket::Connect(const std::string& Host, const std::string& Port, int TimeoutMs,
                      TClock::time_point Deadline) {
    Close();
    // Stays so when the deadline leaves no time to resolve or for any address.
    FLastFailure = TExchangeFailure::Timeout;
    if (TClock::now() >= Deadline)
        return false;
    TAddressList list;
    switch (ResolveWithin(Host, Port, WaitEnd(TimeoutMs, Deadline), list)) {
    case TResolveOutcome::Resolved:
        break;
    case TResolveOutcome::NoSuchHost:
        FLastFailure = TExchangeFailure::NoSuchHost;
        return false;
    case TResolveOutcome::TimedOut:
        return false;
    }
    for (const addrinfo* entry = list.get(); entry != nullptr && FHandle < 0; entry = entry->ai_next) {
        if (TClock::now() >= Deadline)
            break;
        FHandle = ConnectOne(*entry, WaitEnd(TimeoutMs, Deadline), FLastFailure);
    }
    if (FHandle >= 0)
        FLastFailure = TExchangeFailure::None;
    return FHandle >= 0;
}

bool TSocket::SendAll(std::string_view Data, int TimeoutMs, TClock::time_point Deadline) {
    FLastFailure = TExchangeFailure::SendFailed;
    while (!Data.empty()) {
        if (FHandle < 0)
            return false;
        // MSG_NOSIGNAL: a peer that has gone away must fail this call, not kill the process with SIGPIPE.
        const ssize_t sent =
            HandleEINTR([&] { return send(FHandle, Data.data(), Data.size(), MSG_NOSIGNAL); });
        if (sent > 0) {
            Data.remove_prefix(static_cast<std::size_t>(sent));
            continue;
        }
        if (sent < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            if (WaitFor(FHandle, POLLOUT, WaitEnd(TimeoutMs, Deadline)))
                continue;
            FLastFailure = TExchangeFailure::Timeout;
        }
        return false;
    }
    FLastFailure = TExchangeFailure::None;
    return true;
}

std::ptrdiff_t TSocket::Receive(char* Buffer, std::size_t Size, int TimeoutMs, TClock::time_point Deadline) {
    if (FHandle < 0) {
        FLastFailure = TExchangeFailure::Closed;
        return kReadFailed;
    }
    // Past the deadline even waiting data is refused, so a fast endless sender is cut off too.
    FLastFailure = TExchangeFailure::Timeout;
    if (TClock::now() >= Deadline)
        return kReadFailed;
    const auto end = WaitEnd(TimeoutMs, Deadline);
    for (;;) {
        if (!WaitFor(FHandle, POLLIN, end))
            return kReadFailed;
        const ssize_t got = HandleEINTR([&] { return recv(FHandle, Buffer, Size, 0); });
        if (got >= 0) {
            FLastFailure = got == 0 ? TExchangeFailure::Closed : TExchangeFailure::None;
            return got;
        }
        if (errno != EAGAIN && errno != EWOULDBLOCK) {
            FLastFailure = TExchangeFailure::Closed;
            return kReadFailed;
        }
    }
}

void TSocket::Close() {
    if (FHandle >= 0) {
        close(FHandle);
        FHandle = -1;
    }
}
