#include "net/ProxyTunnel.h"

#include "net/HttpResponse.h"

namespace {

// The proxy's answer to CONNECT is a head only; anything longer is not a proxy worth talking to.
constexpr std::size_t kMaxTunnelAnswer = 16 * 1024;

// Where the head in Text ends (after its blank line), or npos.
std::size_t HeadEnd(const std::string& Text) {
    const std::size_t crlf = Text.find("\r\n\r\n");
    const std::size_t lf = Text.find("\n\n");
    if (crlf != std::string::npos && (lf == std::string::npos || crlf + 2 <= lf))
        return crlf + 4;
    return lf == std::string::npos ? std::string::npos : lf + 2;
}

} // namespace

std::string HostAndPort(const std::string& Host, const std::string& Port, std::string_view DefaultPort) {
    std::string text = Host.find(':') != std::string::npos ? "[" + Host + "]" : Host;
    if (Port != DefaultPort)
        text += ":" + Port;
    return text;
}

std::string ProxiedHead(std::string Head, const std::string& Host, const std::string& Port,
                        const TProxy& Proxy) {
    const std::size_t targetStart = Head.find(' ');
    if (targetStart != std::string::npos)
        Head.insert(targetStart + 1, "http://" + HostAndPort(Host, Port, "80"));
    // The head always ends with its blank line.
    if (!Proxy.Authorization.empty() && Head.size() >= 2)
        Head.insert(Head.size() - 2, "Proxy-Authorization: " + Proxy.Authorization + "\r\n");
    return Head;
}

bool OpenTunnel(TStream& Stream, const std::string& Host, const std::string& Port, const TProxy& Proxy,
                int TimeoutMs, TClock::time_point Deadline, TExchangeFailure& Failure, std::string& Detail) {
    const std::string target = HostAndPort(Host, Port, "");
    std::string request = "CONNECT " + target + " HTTP/1.1\r\nHost: " + target + "\r\n";
    if (!Proxy.Authorization.empty())
        request += "Proxy-Authorization: " + Proxy.Authorization + "\r\n";
    request += "\r\n";
    Failure = TExchangeFailure::ProxyUnreachable;
    if (!Stream.SendAll(request, TimeoutMs, Deadline))
        return false;
    // Read in small steps: the server's first TLS bytes never come before our own, so nothing past the head
    // can be lost, but a proxy that opens the tunnel and sends more is refused below.
    std::string answer;
    std::size_t end = std::string::npos;
    char buffer[512];
    while (end == std::string::npos) {
        if (answer.size() >= kMaxTunnelAnswer)
            return false;
        const std::ptrdiff_t got = Stream.Receive(buffer, sizeof buffer, TimeoutMs, Deadline);
        if (got <= 0)
            return false;
        answer.append(buffer, static_cast<std::size_t>(got));
        end = HeadEnd(answer);
    }
    std::int32_t code = 0;
    std::string reason;
    ParseStatusLine(std::string_view(answer).substr(0, answer.find_first_of("\r\n")), code, reason);
    if (answer.compare(0, 5, "HTTP/") != 0)
        return false;
    // A refusal usually comes with a page of its own, often in the same read as its head: the code decides.
    if (code < 200 || code > 299) {
        Failure = TExchangeFailure::ProxyRefused;
        Detail = std::to_string(code);
        return false;
    }
    // Bytes after a 2xx head would be taken for the server's TLS; no tunnel is trusted that sends them.
    if (end != answer.size())
        return false;
    Failure = TExchangeFailure::None;
    return true;
}
