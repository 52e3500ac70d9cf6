#pragma once
// The POSIX layer of the HTTP client: resolve, connect, send and receive on one TCP socket, every wait
// bounded by poll() with a per-wait time-out and an overall deadline. Nothing here throws or raises SIGPIPE.

#include "net/ByteSource.h"
#include "net/ExchangeFailure.h"
#include "text/Eintr.h"

#include <cerrno>
#include <chrono>
#include <cstddef>
#include <string>
#include <string_view>

using TClock = std::chrono::steady_clock;

// Milliseconds a wait may last: TimeoutMs, shortened so that it ends by Deadline; 0 once Deadline has passed.
int WaitBudget(int TimeoutMs, TClock::time_point Deadline);

// Waits up to TimeoutMs (never past Deadline) until Handle is ready for Events (POLLIN, POLLOUT); true when
// it is (an error state counts as ready, so that the following call reports it).
bool WaitReady(int Handle, short Events, int TimeoutMs, TClock::time_point Deadline);

class TSocket final {
  public:
    TSocket() = default;
    ~TSocket() { Close(); }
    TSocket(const TSocket&) = delete;
    TSocket& operator=(const TSocket&) = delete;

    // Resolves Host (a name, an IPv4 or an IPv6 literal without brackets) and connects to the first of its
    // addresses that accepts; the wait for the resolver and each attempt bounded by TimeoutMs and Deadline.
    // False on any failure.
    bool Connect(const std::string& Host, const std::string& Port, int TimeoutMs,
                 TClock::time_point Deadline);

    // Sends all of Data; each wait for room bounded by TimeoutMs and Deadline. False on failure.
    bool SendAll(std::string_view Data, int TimeoutMs, TClock::time_point Deadline);

    // Waits up to TimeoutMs (never past Deadline) for data and reads up to Size bytes: the count read, 0 when
    // the peer has closed, kReadFailed when the wait expired or the connection broke.
    std::ptrdiff_t Receive(char* Buffer, std::size_t Size, int TimeoutMs, TClock::time_point Deadline);

    // Closes the connection; harmless when none is open.
    void Close();

    bool IsOpen() const { return FHandle >= 0; }
    // The connected descriptor (-1 when none), for a layer that speaks through it, such as TLS.
    int Handle() const { return FHandle; }

    // Why the last Connect, SendAll or Receive failed (Closed also after a Receive that saw the peer close);
    // None when it succeeded.
    TExchangeFailure LastFailure() const { return FLastFailure; }

  private:
    int FHandle = -1;
    TExchangeFailure FLastFailure = TExchangeFailure::None;
};

// A connected socket as a byte source, with one per-wait time-out and one deadline for the whole exchange.
class TSocketSource final : public TByteSource {
  public:
    TSocketSource(TSocket& Socket, int TimeoutMs, TClock::time_point Deadline)
        : FSocket(Socket), FTimeoutMs(TimeoutMs), FDeadline(Deadline) {}

    // One bounded receive. Never throws.
    std::ptrdiff_t Read(char* Buffer, std::size_t Size) override {
        return FSocket.Receive(Buffer, Size, FTimeoutMs, FDeadline);
    }

  private:
    TSocket& FSocket;
    int FTimeoutMs;
    TClock::time_point FDeadline;
};
