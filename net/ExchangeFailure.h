#pragma once
// Why an HTTP exchange ended without a whole response. Kept beside the status code so that a caller can say
// what went wrong in words: the code alone gives 500 for a refused connection and a name that did not resolve
// alike, and a status line followed by a cut-off body still carries its 200.

#include <cstdint>

enum class TExchangeFailure : std::uint8_t {
    None,             // a whole response arrived, whatever its status
    NoSuchHost,       // the host name did not resolve
    Refused,          // the host refused the connection
    Unreachable,      // no connection for another reason (no route, network down)
    Unsupported,      // a scheme this client does not speak ("https" without TLS)
    SendFailed,       // the connection broke while the request was sent
    Timeout,          // a wait expired: for the connection, for the answer, or the exchange's deadline
    Closed,           // the server closed or reset the connection before the answer was whole
    TooLarge,         // the answer passed a bound on what a response may make the client hold
    Certificate,      // the server's certificate did not pass the check (the reason is given beside)
    Handshake,        // the TLS handshake failed for another reason
    Downgrade,        // an https address redirected to a plain http one, which is not followed
    ProxyRefused,     // the proxy answered with an error status (given beside), e.g. 407
    ProxyUnreachable, // the proxy could not be reached or did not answer
    Malformed,        // the answer's framing is broken, so no one can tell where its body ends
    TlsUnavailable    // https, but the TLS module could not be loaded (the loader's words given beside)
};
