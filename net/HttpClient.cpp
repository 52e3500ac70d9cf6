#include "net/HttpClient.h"

#include "net/ProxyTunnel.h"
#include "net/Socket.h"
#include "text/Ascii.h"

#include <algorithm>

TUrlParts SplitUrl(std::string_view URL) {
    TUrlParts parts;
    std::string_view rest = URL;
    const std::size_t schemeEnd = URL.find("://");
    if (schemeEnd == std::string_view::npos) {
        parts.Scheme = "http";
    } else {
        parts.Scheme = LowerAscii(URL.substr(0, schemeEnd));
        rest = URL.substr(schemeEnd + 3);
    }
    // The authority also ends at "?", so that a query string added to a path-less URL stays out of the host.
    const std::size_t hostEnd = rest.find_first_of("/?");
    std::string_view authority = rest.substr(0, hostEnd);
    if (hostEnd == std::string_view::npos)
        parts.Target = "/";
    else if (rest[hostEnd] == '/')
        parts.Target = std::string(rest.substr(hostEnd));
    else
        parts.Target = "/" + std::string(rest.substr(hostEnd));

    std::string_view port;
    if (!authority.empty() && authority.front() == '[') {
        const std::size_t close = authority.find(']');
        const std::string_view after =
            close == std::string_view::npos ? std::string_view() : authority.substr(close + 1);
        if (!after.empty() && after.front() == ':')
            port = after.substr(1);
        authority = authority.substr(1, close == std::string_view::npos ? std::string_view::npos : close - 1);
    } else if (std::count(authority.begin(), authority.end(), ':') == 1) {
        const std::size_t colon = authority.find(':');
        port = authority.substr(colon + 1);
        authority = authority.substr(0, colon);
    }
    parts.Host = authority.empty() ? "localhost" : std::string(authority);
    parts.Port = !port.empty() ? std::string(port) : parts.Scheme == "https" ? "443" : "80";
    return parts;
}

std::string CookieOrigin(const TUrlParts& Url) {
    return LowerAscii(Url.Host) + " " + Url.Port;
}

std::string THttpClient::RequestHead(std::string_view Method, const TUrlParts& Url) const {
    std::vector<std::string> lines;
    lines.push_back(UpperAscii(Method) + " " + Url.Target + " HTTP/" + std::string(Protocol));
    const bool ipv6 = Url.Host.find(':') != std::string::npos;
    std::string host = "Host: " + (ipv6 ? "[" + Url.Host + "]" : Url.Host);
    if (Url.Port != "80")
        host += ":" + Url.Port;
    lines.push_back(host);
    lines.push_back("Keep-Alive: " + std::to_string(KeepAliveTimeout));
    lines.push_back("Connection: keep-alive");
    if (!Cookies.Empty())
        lines.push_back("Cookie: " + Cookies.Text());
    if (!UserAgent.empty())
        lines.push_back("User-Agent: " + UserAgent);
    const bool body = !Document.empty();
    if (body && !MimeType.empty())
        lines.push_back("Content-Type: " + MimeType);
    if (body)
        lines.push_back("Content-Length: " + std::to_string(Document.size()));
    lines.insert(lines.end(), Headers.begin(), Headers.end());
    if (!lines.back().empty())
        lines.emplace_back();

    std::string head;
    for (const std::string& line : lines) {
        head += line;
        head += "\r\n";
    }
    return head;
}

bool THttpClient::DoRequest(std::string_view Method, std::string_view URL) {
    ResultCode = 500;
    ResultString.clear();
    Failure = TExchangeFailure::None;
    FailureDetail.clear();
    const TUrlParts url = SplitUrl(URL);
    const bool secure = url.Scheme == "https";
    const std::optional<TProxy> proxy =
        Proxies ? ProxyFor(*Proxies, url.Scheme, url.Host, url.Port) : std::optional<TProxy>();
    std::string head = RequestHead(Method, url);
    if (proxy && !secure)
        head = ProxiedHead(std::move(head), url.Host, url.Port, *proxy);
    const std::string body = std::move(Document);
    Headers.clear();
    Document.clear();
    if (proxy && proxy->Scheme != "http") {
        Failure = TExchangeFailure::Unsupported;
        FailureDetail = "proxy scheme " + proxy->Scheme;
        return false;
    }

    // Without its TLS module an https exchange fails before anything is sent, never falling back to http.
    TTlsModule& tlsModule = Tls != nullptr ? *Tls : TTlsModule::Installed();
    if (secure && !tlsModule.Load(FailureDetail)) {
        Failure = TExchangeFailure::TlsUnavailable;
        return false;
    }

    const int timeout = std::max<std::int32_t>(Timeout, 0);
    const auto deadline =
        Deadline ? *Deadline
                 : TClock::now() + std::chrono::milliseconds(std::int64_t{timeout} * kExchangeDeadlineFactor);
    TSocket socket;
    if (!socket.Connect(proxy ? proxy->Host : url.Host, proxy ? proxy->Port : url.Port, timeout, deadline)) {
        Failure = proxy ? TExchangeFailure::ProxyUnreachable : socket.LastFailure();
        return false;
    }
    // Any other scheme fails once connected, as an unreachable server does.
    if (!secure && url.Scheme != "http") {
        Failure = TExchangeFailure::Unsupported;
        return false;
    }
    TPlainStream plain(socket);
    std::unique_ptr<TTlsStream> tls;
    TStream* stream = &plain;
    if (secure) {
        if (proxy &&
            !OpenTunnel(plain, url.Host, url.Port, *proxy, timeout, deadline, Failure, FailureDetail))
            return false;
        tls = tlsModule.Open(socket);
        if (!tls->Handshake(url.Host, CaFile, timeout, deadline)) {
            Failure = tls->LastFailure();
            FailureDetail = tls->FailureReason();
            return false;
        }
        stream = tls.get();
    }
    const bool sent = body.size() < kBodyPiece ? stream->SendAll(head + body, timeout, deadline)
                                               : stream->SendAll(head, timeout, deadline) &&
                                                     stream->SendAll(body, timeout, deadline);
    if (!sent) {
        Failure = stream->LastFailure();
        return false;
    }

    TStreamSource source(*stream, timeout, deadline);
    THttpResponse response;
    const THttpOutcome outcome = ReadHttpResponse(source, Method, Limits, response, BodyWatch);
    if (outcome == THttpOutcome::Malformed) {
        Failure = TExchangeFailure::Malformed;
    } else if (outcome != THttpOutcome::Complete) {
        // The reader stops on its own only at one of its limits; otherwise the stream says why it stopped.
        Failure = stream->LastFailure() == TExchangeFailure::None ? TExchangeFailure::TooLarge
                                                                  : stream->LastFailure();
    }
    socket.Close();
    ResultCode = response.ResultCode;
    ResultString = std::move(response.ResultString);
    Headers = std::move(response.Headers);
    Document = std::move(response.Document);
    // A plain request's proxy answers for itself when it wants credentials, and is the one that went silent
    // when the connection ends before a word: a server behind it that fails is the proxy's to report.
    if (proxy && outcome == THttpOutcome::NoResponse && Failure == TExchangeFailure::Closed)
        Failure = TExchangeFailure::ProxyUnreachable;
    if (proxy && ResultCode == 407) {
        Failure = TExchangeFailure::ProxyRefused;
        FailureDetail = "407";
    }
    if ((outcome == THttpOutcome::BodyFailed || outcome == THttpOutcome::Complete) &&
        !TakeCookies(deadline)) {
        Failure = TExchangeFailure::Timeout;
        return false;
    }
    return outcome == THttpOutcome::Complete && Failure == TExchangeFailure::None;
}

bool THttpClient::HeaderValue(std::string_view Name, std::string& Value) const {
    for (const std::string& line : Headers) {
        const std::size_t colon = line.find(':');
        if (colon != std::string::npos && EqualsNoCase(std::string_view(line).substr(0, colon), Name)) {
            Value = line.substr(colon + 1);
            return true;
        }
    }
    return false;
}

bool THttpClient::TakeCookies(TClock::time_point Deadline) {
    // Bounded by the header block's cap already; the clock is looked at now and then all the same, so that
    // this step too ends by the exchange's deadline.
    constexpr std::size_t kLinesBetweenClockReads = 256;
    std::size_t lines = 0;
    for (const std::string& line : Headers) {
        if (++lines % kLinesBetweenClockReads == 0 && TClock::now() >= Deadline)
            return false;
        if (!StartsWithNoCase(line, "set-cookie:"))
            continue;
        std::string_view text = std::string_view(line).substr(line.find(':') + 1);
        text = Trim(text.substr(0, text.find(';')));
        const std::size_t equals = text.find('=');
        const std::string_view name = Trim(text.substr(0, equals));
        const std::string_view value =
            equals == std::string_view::npos ? std::string_view() : Trim(text.substr(equals + 1));
        if (!name.empty())
            Cookies.Take(name, value, CookieLimits);
    }
    return true;
}
