#pragma once
// What an exchange writes its request to and reads its answer from: the plain socket, or TLS over it.

#include "net/ByteSource.h"
#include "net/ExchangeFailure.h"
#include "net/Socket.h"

#include <cstddef>
#include <string_view>

class TStream {
  public:
    virtual ~TStream() = default;
    // Sends all of Data; each wait for room bounded by TimeoutMs and Deadline. False on failure.
    virtual bool SendAll(std::string_view Data, int TimeoutMs, TClock::time_point Deadline) = 0;
    // Reads up to Size bytes within TimeoutMs (never past Deadline): the count, 0 when the peer has closed,
    // kReadFailed when the wait expired or the connection broke.
    virtual std::ptrdiff_t Receive(char* Buffer, std::size_t Size, int TimeoutMs,
                                   TClock::time_point Deadline) = 0;
    // Why the last call failed; None when it succeeded.
    virtual TExchangeFailure LastFailure() const = 0;
};

// The socket itself.
class TPlainStream final : public TStream {
  public:
    explicit TPlainStream(TSocket& Socket) : FSocket(Socket) {}
    bool SendAll(std::string_view Data, int TimeoutMs, TClock::time_point Deadline) override {
        return FSocket.SendAll(Data, TimeoutMs, Deadline);
    }
    std::ptrdiff_t Receive(char* Buffer, std::size_t Size, int TimeoutMs,
                           TClock::time_point Deadline) override {
        return FSocket.Receive(Buffer, Size, TimeoutMs, Deadline);
    }
    TExchangeFailure LastFailure() const override { return FSocket.LastFailure(); }

  private:
    TSocket& FSocket;
};

// A stream as the response reader's byte source, with one per-wait time-out and one deadline.
class TStreamSource final : public TByteSource {
  public:
    TStreamSource(TStream& Stream, int TimeoutMs, TClock::time_point Deadline)
        : FStream(Stream), FTimeoutMs(TimeoutMs), FDeadline(Deadline) {}
    // One bounded receive. Never throws.
    std::ptrdiff_t Read(char* Buffer, std::size_t Size) override {
        return FStream.Receive(Buffer, Size, FTimeoutMs, FDeadline);
    }

  private:
    TStream& FStream;
    int FTimeoutMs;
    TClock::time_point FDeadline;
};
