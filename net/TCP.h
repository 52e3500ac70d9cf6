#pragma once
// One HTTP exchange described by a request record, answered in a response record. Network trouble never
// throws: it arrives as values in TOData.

#include "net/BodyWatch.h"
#include "net/ExchangeFailure.h"
#include "net/Proxy.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

// A parameter or cookie pair (UTF-8).
struct TKeyValue {
    std::string Key;
    std::string Value;
};
// Pairs in the order they go on the wire.
using THTTPData = std::vector<TKeyValue>;

// The request record.
struct TIData {
    std::int32_t Timeout = 0; // longest single wait for data, ms
    std::string URL;          // absolute "http" or "https" URL
    std::string UserAgent;    // empty: no User-Agent line
    std::string Header;       // one extra header line; empty: none
    THTTPData GetParams;      // query string pairs
    THTTPData PostParams;     // form body pairs; non-empty makes the request a POST
    THTTPData Cookies;        // request cookies
    std::string CaFile;       // the one CA https servers are checked against; empty: the system's store
    std::shared_ptr<const TProxySettings> Proxies; // the proxy variables to follow; null: no proxy
    std::shared_ptr<TBodyWatch>
        BodyWatch; // told of the answer's body as it arrives (TBodyWatch); null: no one
};

// The response record.
struct TOData {
    std::string Headers; // status line and header lines, each + CR LF, then the closing CR LF; raw bytes
    std::string Body;    // the final response's body bytes, unchanged
    std::int32_t ResultCode = 0;                       // 500: unreachable or send failed; 0: no status line
    std::string ResultString;                          // reason phrase of the final status line
    TExchangeFailure Failure = TExchangeFailure::None; // why the final response is not whole, if it is not
    std::string FailureDetail; // a certificate's problem, a proxy's status code; empty otherwise
};

// True when the exchange brought a whole response with status 200: the service's own answer, which a feed
// takes even when it holds no record. Anything else is a failure that must replace nothing.
bool ExchangeSucceeded(const TOData& Output);

// True when the final answer's status line came whole with a code other than 200. That code then says why
// the exchange failed before a close or time-out that cut the rest short does: a proxy's 401 whose page
// breaks off is a 401 first.
bool StatusLineFailed(const TOData& Output);

// Percent-encodes the UTF-8 bytes of Text: 0x00-0x20, 0x7F-0xFF and " # % & + / : ; < = > ? @ [ \ ] ^ _ ` { |
// } ~ become "%XX" (upper-case hex); everything else stays.
std::string PercentEncode(std::string_view Text);

// "key=value&" for every pair, encoded, concatenated (the trailing "&" stays); "" for no pairs.
std::string PairText(const THTTPData& Pairs);

// Redirect passes one exchange makes at most; the last response then stands.
inline constexpr int kMaxRedirectPasses = 10;

// Performs the exchange: query string, form body, cookies, redirects, then copies the final response.
// Never throws for network trouble.
void HttpRequest(const TIData& Input, TOData& Output);

// The job-runner worker shape: Input points at a TIData, Output at a TOData.
void HttpRequest(void* Input, void* Output);
