#pragma once
// TLS (1.2 or later, OpenSSL) over a connected socket: the server's certificate checked against the system's
// CA store, or against one CA file, and against the host name; every step under the exchange's time-out and
// deadline.

#include "net/Stream.h"

#include <string>

struct ssl_st;

class TTlsStream final : public TStream {
  public:
    explicit TTlsStream(TSocket& Socket) : FSocket(Socket) {}
    ~TTlsStream() override;
    TTlsStream(const TTlsStream&) = delete;
    TTlsStream& operator=(const TTlsStream&) = delete;

    // Shakes hands with the server, naming Host (SNI for a name) and checking the certificate against it and
    // against CaFile (empty: the system's store). False with LastFailure Certificate (FailureReason: "unknown
    // issuer", "name mismatch", "expired", "not yet valid", or OpenSSL's words), Handshake, or the socket's
    // own failure. Never throws but for memory.
    bool Handshake(const std::string& Host, const std::string& CaFile, int TimeoutMs,
                   TClock::time_point Deadline);

    bool SendAll(std::string_view Data, int TimeoutMs, TClock::time_point Deadline) override;
    // A server that closes without close_notify reads as a close: the body's framing judges what came.
    std::ptrdiff_t Receive(char* Buffer, std::size_t Size, int TimeoutMs,
                           TClock::time_point Deadline) override;
    TExchangeFailure LastFailure() const override { return FLastFailure; }
    // Words for a Certificate or Handshake failure; empty otherwise.
    const std::string& FailureReason() const { return FReason; }

  private:
    // Waits for what OpenSSL asked for after a call that returned Result; false (LastFailure set) when the
    // call failed for good or the wait expired.
    bool WaitAfter(int Result, int TimeoutMs, TClock::time_point Deadline);

    TSocket& FSocket;
    ssl_st* FSsl = nullptr;
    TExchangeFailure FLastFailure = TExchangeFailure::None;
    std::string FReason;
};
