#include "tests/support/StubProxy.h"

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

void SendText(int Socket, const std::string& Text) {
    ::send(Socket, Text.data(), Text.size(), MSG_NOSIGNAL);
}

} // namespace

TStubProxy::TStubProxy(std::string RequireAuthorization) : FAuthorization(std::move(RequireAuthorization)) {
    Start();
}

TStubProxy::~TStubProxy() {
    Stop();
}

std::string TStubProxy::Url() const {
    return "http://127.0.0.1:" + std::to_string(Port());
}

std::vector<std::string> TStubProxy::Heads() const {
    const std::lock_guard<std::mutex> guard(FHeadsLock);
    return FHeads;
}

void TStubProxy::Serve(int Client) {
    std::string received;
    std::size_t end = std::string::npos;
    char buffer[4096];
    while (end == std::string::npos && received.size() < 65536) {
        pollfd entry{Client, POLLIN, 0};
        if (::poll(&entry, 1, 2000) <= 0)
            return;
        const auto got = ::recv(Client, buffer, sizeof buffer, 0);
        if (got <= 0)
            return;
        received.append(buffer, static_cast<std::size_t>(got));
        end = received.find("\r\n\r\n");
    }
    if (end == std::string::npos)
        return;
    const std::string head = received.substr(0, end + 4);
    {
        const std::lock_guard<std::mutex> guard(FHeadsLock);
        FHeads.push_back(head);
    }
    if (!FAuthorization.empty() &&
        head.find("\r\nProxy-Authorization: " + FAuthorization + "\r\n") == std::string::npos) {
        // With a page in the same write as the head, as real proxies answer.
        const std::string page = "<html><body><h1>Proxy Authentication Required</h1></body></html>\n";
        SendText(Client, "HTTP/1.1 407 Proxy Authentication Required\r\nProxy-Authenticate: Basic "
                         "realm=\"stub\"\r\nContent-Type: text/html\r\nContent-Length: " +
                             std::to_string(page.size()) + "\r\n\r\n" + page);
        return;
    }
    // "CONNECT host:port HTTP/1.1" or "METHOD http://host:port/path HTTP/1.0".
    const std::size_t space = head.find(' ');
    std::string target = head.substr(space + 1, head.find(' ', space + 1) - space - 1);
    const bool tunnel = head.compare(0, 8, "CONNECT ") == 0;
    if (!tunnel && target.compare(0, 7, "http://") == 0)
        target = target.substr(7, target.find('/', 7) - 7);
    const std::size_t colon = target.rfind(':');
    const int server =
        colon == std::string::npos ? -1 : ConnectTo(target.substr(0, colon), target.substr(colon + 1));
    if (server < 0) {
        SendText(Client, "HTTP/1.1 502 Bad Gateway\r\nContent-Length: 0\r\n\r\n");
        return;
    }
    if (tunnel)
        SendText(Client, "HTTP/1.1 200 Connection established\r\n\r\n");
    else
        SendText(server, received);
    Relay(Client, nullptr, server);
    ::close(server);
}
