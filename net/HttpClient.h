#pragma once
// THttpClient: the HTTP/1.0 client behind one HTTP exchange. Fixed settings: protocol "1.0", a Keep-Alive
// line of 300 and "Connection: keep-alive", the port in the Host line unless it is 80, a new connection per
// request. An "https" URL is spoken to over verified TLS; a proxy is used only when Proxies names one.
// Network trouble never throws: it shows in ResultCode, Headers and Document.

#include "net/Cookies.h"
#include "net/ExchangeFailure.h"
#include "net/HttpResponse.h"
#include "net/Proxy.h"
#include "net/TlsModule.h"

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The parts of a request URL the client uses.
struct TUrlParts {
    std::string Scheme; // lower case; "http" when the URL names none
    std::string Host;   // without brackets around an IPv6 literal; "localhost" when empty
    std::string Port;   // "80" ("443" for "https") when the URL names none
    std::string Target; // "/" followed by path and query as they stand; "/" when there is none
};

// Splits URL into scheme, host, port and request target. Never throws but for memory.
TUrlParts SplitUrl(std::string_view URL);

// The host (lower case) and port a cookie belongs to: a cookie goes only to the place it came from.
std::string CookieOrigin(const TUrlParts& Url);

// Every wait of an exchange together, redirect passes included, may last at most this many times Timeout.
inline constexpr int kExchangeDeadlineFactor = 10;

class THttpClient final {
  public:
    static constexpr std::string_view Protocol = "1.0";
    static constexpr int KeepAliveTimeout = 300;

    std::int32_t Timeout = 30000;     // longest single wait (ms) for the connection, room to send, or data
    std::string UserAgent;            // empty: no User-Agent line
    std::vector<std::string> Headers; // before DoRequest: extra request lines; after: the response's lines
    TCookieList Cookies;              // sent with every request, updated from Set-Cookie lines
    TCookieLimits CookieLimits;       // how many cookies Set-Cookie lines may make the list hold
    std::string Document;             // before DoRequest: the request body; after: the response body
    std::string MimeType;             // content type of the request body
    std::int32_t ResultCode = 0;      // status code; 500: no connection or sending failed; 0: no status line
    std::string ResultString;         // reason phrase of the status line
    TExchangeFailure Failure = TExchangeFailure::None; // why the last response is not whole, if it is not
    std::string FailureDetail; // a certificate's problem, a proxy's status code; empty otherwise
    std::string CaFile;        // the one CA that https servers are checked against; empty: the system's store
    std::shared_ptr<const TProxySettings> Proxies; // the proxy variables to follow; null: no proxy
    THttpLimits Limits;                            // bounds on what a response may make the client hold
    // When set, no request of this client waits past it (one deadline for all passes of an exchange);
    // otherwise each request gets kExchangeDeadlineFactor x Timeout of its own.
    std::optional<std::chrono::steady_clock::time_point> Deadline;
    // The TLS module an https exchange uses; null: the program's own (TTlsModule::Installed). Tests name
    // another, such as one that cannot be loaded.
    TTlsModule* Tls = nullptr;
    // Told of a 200 body of a given length as it arrives (TBodyWatch); null: no one.
    TBodyWatch* BodyWatch = nullptr;

    // Sends one request and reads its response. True when the response was read to its end and its cookies
    // taken before the deadline. Never throws for network trouble.
    bool DoRequest(std::string_view Method, std::string_view URL);

    // The request head DoRequest sends for Method and Url with the present settings, each line ended by CR
    // LF.
    std::string RequestHead(std::string_view Method, const TUrlParts& Url) const;

    // Value (everything after the first ":") of the first line of Headers whose name, the text before that
    // ":", equals Name without regard to case. False when there is no such line.
    bool HeaderValue(std::string_view Name, std::string& Value) const;

  private:
    // Takes the response's Set-Cookie lines into Cookies; false when Deadline passed before they were all
    // seen.
    bool TakeCookies(std::chrono::steady_clock::time_point Deadline);
};
