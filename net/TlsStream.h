#pragma once
// TLS over a connected socket as an exchange sees it: a stream with a handshake. The code that speaks TLS
// (OpenSSL) is a module of its own, loaded on the first https exchange (net/TlsModule.h), so that a program
// which never speaks https never maps or starts OpenSSL.

#include "net/Stream.h"

#include <string>

class TTlsStream : public TStream {
  public:
    // Shakes hands with the server, naming Host (SNI for a name) and checking the certificate against it and
    // against CaFile (empty: the system's store). False with LastFailure Certificate (FailureReason: "unknown
    // issuer", "name mismatch", "expired", "not yet valid", or OpenSSL's words), Handshake, or the socket's
    // own failure. Never throws but for memory.
    virtual bool Handshake(const std::string& Host, const std::string& CaFile, int TimeoutMs,
                           TClock::time_point Deadline) = 0;
    // Words for a Certificate or Handshake failure; empty otherwise.
    virtual const std::string& FailureReason() const = 0;
};

// How the module waits for its descriptor (WaitReady, handed over so that the module links nothing of net/).
using TTlsWait = bool (*)(int Handle, short Events, int TimeoutMs, TClock::time_point Deadline);

// The module's one entry: a new TLS stream over the connected descriptor Handle, which the caller deletes
// (the descriptor stays the caller's). Throws only for memory. The symbol's name carries the version of this
// interface, so a module built for another one is refused when loaded instead of being called wrongly.
using TTlsOpen = TTlsStream* (*)(int Handle, TTlsWait Wait);
inline constexpr const char* kTlsOpenSymbol = "KovrinTlsOpenV1";
inline constexpr const char* kTlsModuleName = "kovrin-tls.so";
