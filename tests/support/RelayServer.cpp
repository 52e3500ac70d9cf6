#include "tests/support/RelayServer.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <openssl/ssl.h>
#include <poll.h>
#include <stdexcept>
#include <sys/socket.h>
#include <unistd.h>

namespace {

constexpr int kTickMs = 50;

} // namespace

TRelayServer::TRelayServer() {
    FListen = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof address;
    if (FListen < 0 || ::bind(FListen, reinterpret_cast<sockaddr*>(&address), size) != 0 ||
        ::listen(FListen, 64) != 0 ||
        ::getsockname(FListen, reinterpret_cast<sockaddr*>(&address), &size) != 0)
        throw std::runtime_error("relay server: cannot listen");
    FPort = ntohs(address.sin_port);
}

TRelayServer::~TRelayServer() {
    Stop();
    if (FListen >= 0)
        ::close(FListen);
}

void TRelayServer::Start() {
    FAcceptThread = std::thread([this] {
        while (!FStopping) {
            pollfd entry{FListen, POLLIN, 0};
            if (::poll(&entry, 1, kTickMs) <= 0)
                continue;
            const int client = ::accept4(FListen, nullptr, nullptr, SOCK_CLOEXEC);
            if (client < 0)
                continue;
            const std::lock_guard<std::mutex> guard(FLock);
            FThreads.emplace_back([this, client] {
                Serve(client);
                ::close(client);
            });
        }
    });
}

void TRelayServer::Stop() {
    FStopping = true;
    if (FAcceptThread.joinable())
        FAcceptThread.join();
    const std::lock_guard<std::mutex> guard(FLock);
    for (std::thread& thread : FThreads)
        thread.join();
    FThreads.clear();
}

int TRelayServer::ConnectTo(const std::string& Host, const std::string& Port) {
    addrinfo hints{};
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* list = nullptr;
    if (::getaddrinfo(Host.c_str(), Port.c_str(), &hints, &list) != 0)
        return -1;
    int handle = -1;
    for (addrinfo* entry = list; entry != nullptr && handle < 0; entry = entry->ai_next) {
        handle = ::socket(entry->ai_family, entry->ai_socktype | SOCK_CLOEXEC, entry->ai_protocol);
        if (handle >= 0 && ::connect(handle, entry->ai_addr, entry->ai_addrlen) != 0) {
            ::close(handle);
            handle = -1;
        }
    }
    ::freeaddrinfo(list);
    return handle;
}

void TRelayServer::Relay(int A, ssl_st* ASsl, int B) {
    char buffer[16384];
    while (!FStopping) {
        const bool pending = ASsl != nullptr && SSL_pending(ASsl) > 0;
        pollfd entries[2] = {{A, POLLIN, 0}, {B, POLLIN, 0}};
        if (!pending && ::poll(entries, 2, kTickMs) <= 0)
            continue;
        if (pending || entries[0].revents != 0) {
            const int got = ASsl != nullptr ? SSL_read(ASsl, buffer, sizeof buffer)
                                            : static_cast<int>(::recv(A, buffer, sizeof buffer, 0));
            if (got <= 0 || ::send(B, buffer, static_cast<std::size_t>(got), MSG_NOSIGNAL) != got)
                return;
        }
        if (entries[1].revents != 0) {
            const auto got = ::recv(B, buffer, sizeof buffer, 0);
            if (got <= 0)
                return;
            const int sent = ASsl != nullptr ? SSL_write(ASsl, buffer, static_cast<int>(got))
                                             : static_cast<int>(::send(A, buffer, got, MSG_NOSIGNAL));
            if (sent != got)
                return;
        }
    }
}
