#include "net/TCP.h"

#include "net/HttpClient.h"
#include "net/Redirect.h"
#include "text/Ascii.h"

#include <algorithm>
#include <chrono>
#include <map>
#include <stdexcept>

std::string PercentEncode(std::string_view Text) {
    static constexpr std::string_view kEscaped = "\"#%&+/:;<=>?@[\\]^_`{|}~";
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string result;
    result.reserve(Text.size());
    for (const char c : Text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte <= 0x20 || byte >= 0x7F || kEscaped.find(c) != std::string_view::npos) {
            result += '%';
            result += kHex[byte >> 4];
            result += kHex[byte & 0x0F];
        } else {
            result += c;
        }
    }
    return result;
}

std::string PairText(const THTTPData& Pairs) {
    std::string text;
    for (const TKeyValue& pair : Pairs) {
        text += PercentEncode(pair.Key);
        text += '=';
        text += PercentEncode(pair.Value);
        text += '&';
    }
    return text;
}

namespace {

// A Location the exchange may follow: http or https (another scheme is refused before any connection, as
// this client speaks nothing else) and no control byte that would reach the request line or the Host line.
bool MayFollow(std::string_view Location, const std::string& Address) {
    const bool control = std::any_of(Location.begin(), Location.end(), [](char C) {
        const auto byte = static_cast<unsigned char>(C);
        return byte < 0x20 || byte == 0x7F;
    });
    const std::string scheme = SplitUrl(Address).Scheme;
    return !control && (scheme == "http" || scheme == "https");
}

// From https to plain http: what was protected would go out in the open, so it is never followed.
bool IsDowngrade(const std::string& From, const std::string& To) {
    return SplitUrl(From).Scheme == "https" && SplitUrl(To).Scheme == "http";
}

// Only a redirect sends the exchange on: a Location on any other answer (a 201 naming what it made, a 200
// that names its canonical address) belongs to that answer, whose own body is the result.
bool IsRedirect(std::int32_t Code) {
    return Code == 301 || Code == 302 || Code == 303 || Code == 307 || Code == 308;
}

} // namespace

void HttpRequest(const TIData& Input, TOData& Output) {
    THttpClient client;
    client.Timeout = Input.Timeout;
    client.UserAgent = Input.UserAgent;
    client.CaFile = Input.CaFile;
    client.Proxies = Input.Proxies;
    client.BodyWatch = Input.BodyWatch.get();
    // One deadline for the whole exchange: a server that trickles bytes or redirects forever cannot hold the
    // worker longer than this, whatever it does within each pass.
    client.Deadline = std::chrono::steady_clock::now() +
                      std::chrono::milliseconds(std::int64_t{std::max<std::int32_t>(Input.Timeout, 0)} *
                                                kExchangeDeadlineFactor);
    const std::string query = PairText(Input.GetParams);
    const std::string form = PairText(Input.PostParams);
    std::string address = query.empty() ? Input.URL : Input.URL + "?" + query;
    // Cookies by the host and port they belong to: the caller's go to the first address, a server's back to
    // that server only, so that a redirect elsewhere carries neither the installation id nor a session.
    std::map<std::string, TCookieList> jar;
    const std::string home = CookieOrigin(SplitUrl(address));

    for (int pass = 1;; ++pass) {
        // An empty Header still goes in: the client takes an empty last line as the end of the header block.
        client.Headers.assign(1, Input.Header);
        TCookieList& callers = jar[home];
        for (const TKeyValue& cookie : Input.Cookies)
            callers.Set(cookie.Key, cookie.Value);
        const std::string origin = CookieOrigin(SplitUrl(address));
        client.Cookies = std::move(jar[origin]);
        client.Document.clear();
        if (!form.empty()) {
            client.Document = form;
            client.MimeType = "application/x-www-form-urlencoded";
            client.DoRequest("POST", address);
        } else {
            client.DoRequest("GET", address);
        }
        jar[origin] = std::move(client.Cookies);
        std::string location;
        if (!IsRedirect(client.ResultCode) || client.Failure == TExchangeFailure::Malformed ||
            !client.HeaderValue("Location", location))
            break;
        location = Trim(location);
        // An empty Location names no place to go; following it would reach localhost:80 instead.
        if (location.empty() || pass >= kMaxRedirectPasses)
            break;
        const std::string next = ResolveLocation(address, location);
        if (!MayFollow(location, next))
            break;
        if (IsDowngrade(address, next)) {
            client.Failure = TExchangeFailure::Downgrade;
            break;
        }
        address = next;
    }

    Output.Headers.clear();
    for (const std::string& line : client.Headers) {
        Output.Headers += line;
        Output.Headers += "\r\n";
    }
    Output.Body = std::move(client.Document);
    Output.ResultCode = client.ResultCode;
    Output.ResultString = client.ResultString;
    Output.Failure = client.Failure;
    Output.FailureDetail = client.FailureDetail;
}

bool ExchangeSucceeded(const TOData& Output) {
    return Output.Failure == TExchangeFailure::None && Output.ResultCode == 200;
}

bool StatusLineFailed(const TOData& Output) {
    // Headers stay empty unless a status line came; ResultCode alone reads 500 for no connection at all.
    return !Output.Headers.empty() && Output.ResultCode != 0 && Output.ResultCode != 200;
}

void HttpRequest(void* Input, void* Output) {
    if (Input == nullptr || Output == nullptr)
        throw std::invalid_argument("HttpRequest: the request and response records must both be given");
    HttpRequest(*static_cast<const TIData*>(Input), *static_cast<TOData*>(Output));
}
