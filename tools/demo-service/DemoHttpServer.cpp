#include "tools/demo-service/DemoHttpServer.h"

#include "text/Eintr.h"

#include <algorithm>
#include <cerrno>
#include <netdb.h>
#include <openssl/err.h>
#include <openssl/ssl.h>
#include <poll.h>
#include <string>
#include <sys/resource.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

namespace {

using TSteady = std::chrono::steady_clock;

constexpr int kAcceptTickMs = 100; // how soon the accept loop notices Stop()

int MillisecondsUntil(TSteady::time_point End) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(End - TSteady::now()).count();
    return static_cast<int>(std::clamp<long long>(left, 0, 1 << 30));
}

// Waits until Socket is ready for Events or End passes; true when ready.
bool WaitFor(int Socket, short Events, TSteady::time_point End) {
    for (;;) {
        pollfd entry{Socket, Events, 0};
        const int ready = ::poll(&entry, 1, MillisecondsUntil(End));
        if (ready > 0)
            return true;
        if (ready == 0 || errno != EINTR)
            return false;
    }
}

void Address(const sockaddr_storage& Storage, socklen_t Size, std::string& Ip, int& Port) {
    char host[NI_MAXHOST] = "";
    char service[NI_MAXSERV] = "";
    if (::getnameinfo(reinterpret_cast<const sockaddr*>(&Storage), Size, host, sizeof host, service,
                      sizeof service, NI_NUMERICHOST | NI_NUMERICSERV) == 0) {
        Ip = host;
        Port = std::atoi(service);
    }
}

// One connection as the library's stream, with the bounds of TDemoServerLimits on what a request may send;
// over TLS when Ssl is set (the socket then blocks, each call bounded by the socket's own time-outs).
class TBoundedStream final : public httplib::Stream {
  public:
    TBoundedStream(int Socket, const TDemoServerLimits& Limits, SSL* Ssl = nullptr)
        : FSocket(Socket), FLimits(Limits), FSsl(Ssl) {}

    // Starts the next request: a new time limit for its bytes and a new count of its head.
    void StartRequest() {
        FDeadline = TSteady::now() + FLimits.RequestTime;
        FInHead = true;
        FHeadLines = 0;
        FHeadBytes = 0;
        FLineEnded = false;
    }

    // True when bytes of a next request are waiting or arrive within Wait.
    bool NextRequestArrives(std::chrono::milliseconds Wait) {
        return Buffered() || WaitFor(FSocket, POLLIN, TSteady::now() + Wait);
    }

    bool is_readable() const override { return Buffered() || WaitFor(FSocket, POLLIN, ReadEnd()); }
    bool is_writable() const override {
        return WaitFor(FSocket, POLLOUT, TSteady::now() + FLimits.WriteTimeout);
    }

    ssize_t read(char* Ptr, size_t Size) override {
        if (FPos >= FBuffer.size()) {
            const ssize_t got = Fill();
            if (got <= 0)
                return got;
        }
        const std::size_t count = std::min(Size, FBuffer.size() - FPos);
        if (FInHead && !CountHead(FBuffer.data() + FPos, count))
            return -1;
        std::copy_n(FBuffer.data() + FPos, count, Ptr);
        FPos += count;
        return static_cast<ssize_t>(count);
    }

    ssize_t write(const char* Ptr, size_t Size) override {
        if (!is_writable())
            return -1;
        if (FSsl != nullptr) {
            std::size_t written = 0;
            return SSL_write_ex(FSsl, Ptr, Size, &written) == 1 ? static_cast<ssize_t>(written) : -1;
        }
        return HandleEINTR([&] { return ::send(FSocket, Ptr, Size, MSG_NOSIGNAL | MSG_DONTWAIT); });
    }

    void get_remote_ip_and_port(std::string& Ip, int& Port) const override {
        sockaddr_storage storage{};
        socklen_t size = sizeof storage;
        if (::getpeername(FSocket, reinterpret_cast<sockaddr*>(&storage), &size) == 0)
            Address(storage, size, Ip, Port);
    }
    void get_local_ip_and_port(std::string& Ip, int& Port) const override {
        sockaddr_storage storage{};
        socklen_t size = sizeof storage;
        if (::getsockname(FSocket, reinterpret_cast<sockaddr*>(&storage), &size) == 0)
            Address(storage, size, Ip, Port);
    }
    socket_t socket() const override { return FSocket; }

  private:
    // Request bytes already here: in our buffer, or decrypted and waiting inside the TLS layer.
    bool Buffered() const { return FPos < FBuffer.size() || (FSsl != nullptr && SSL_pending(FSsl) > 0); }

    TSteady::time_point ReadEnd() const { return std::min(TSteady::now() + FLimits.ReadTimeout, FDeadline); }

    // Receives more request bytes: the count, 0 when the client closed, -1 when the wait failed or the
    // request's time is up.
    ssize_t Fill() {
        FBuffer.resize(kBufferSize);
        FPos = 0;
        ssize_t got = -1;
        if (FSsl != nullptr) {
            std::size_t read = 0;
            if (SSL_pending(FSsl) > 0 || WaitFor(FSocket, POLLIN, ReadEnd())) {
                if (SSL_read_ex(FSsl, FBuffer.data(), FBuffer.size(), &read) == 1)
                    got = static_cast<ssize_t>(read);
                else if (SSL_get_error(FSsl, 0) == SSL_ERROR_ZERO_RETURN)
                    got = 0;
                ERR_clear_error();
            }
        } else if (WaitFor(FSocket, POLLIN, ReadEnd())) {
            got = HandleEINTR([&] { return ::recv(FSocket, FBuffer.data(), FBuffer.size(), MSG_DONTWAIT); });
        }
        FBuffer.resize(got > 0 ? static_cast<std::size_t>(got) : 0);
        return got;
    }

    // Counts the head's lines and bytes as the library takes them, up to the empty line that ends it; false
    // once a cap is passed.
    bool CountHead(const char* Bytes, std::size_t Count) {
        for (std::size_t i = 0; i < Count && FInHead; ++i) {
            ++FHeadBytes;
            if (Bytes[i] == '\n') {
                ++FHeadLines;
                FInHead = !FLineEnded;
                FLineEnded = true;
            } else if (Bytes[i] != '\r') {
                FLineEnded = false;
            }
        }
        return FHeadLines <= FLimits.MaxHeadLines && FHeadBytes <= FLimits.MaxHeadBytes;
    }

    static constexpr std::size_t kBufferSize = 16384;
    int FSocket;
    const TDemoServerLimits& FLimits;
    SSL* FSsl;
    std::string FBuffer;
    std::size_t FPos = 0;
    TSteady::time_point FDeadline = TSteady::now();
    bool FInHead = true;
    bool FLineEnded = false;
    std::size_t FHeadLines = 0;
    std::size_t FHeadBytes = 0;
};

// A connection per thread needs a descriptor each: take what the hard limit allows, up to what is needed.
void RaiseOpenFileLimit(std::size_t Needed) {
    rlimit limit{};
    if (::getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur < Needed) {
        limit.rlim_cur = std::min<rlim_t>(Needed, limit.rlim_max);
        ::setrlimit(RLIMIT_NOFILE, &limit);
    }
}

// Set by the check below for the connection its thread serves: the answer is the connection's last.
thread_local bool CloseAfterAnswer = false;

// A request framed two ways at once: a proxy in front may read it one way and this server another, so the
// bytes behind it could pass for a request no one sent. Such a request is refused and its connection closed.
httplib::Server::HandlerResponse RefuseAmbiguousFraming(const httplib::Request& Request,
                                                        httplib::Response& Response) {
    const std::size_t lengths = Request.get_header_value_count("Content-Length");
    if (lengths > 1 || (lengths == 1 && Request.has_header("Transfer-Encoding"))) {
        CloseAfterAnswer = true;
        Response.status = 400;
        Response.set_header("Connection", "close");
        Response.set_content("the request's length is given more than one way\n", "text/plain");
        return httplib::Server::HandlerResponse::Handled;
    }
    return httplib::Server::HandlerResponse::Unhandled;
}

} // namespace

TDemoHttpServer::TDemoHttpServer(TDemoServerLimits Limits) : FLimits(Limits) {
    set_pre_routing_handler(RefuseAmbiguousFraming);
}

TDemoHttpServer::~TDemoHttpServer() {
    const int listener = svr_sock_.exchange(INVALID_SOCKET);
    if (listener != INVALID_SOCKET)
        ::close(listener);
    SSL_CTX_free(FTls);
}

bool TDemoHttpServer::UseTls(const std::string& CertFile, const std::string& KeyFile, std::string& Error) {
    SSL_CTX* context = SSL_CTX_new(TLS_server_method());
    const bool loaded = context != nullptr && SSL_CTX_set_min_proto_version(context, TLS1_2_VERSION) == 1 &&
                        SSL_CTX_use_certificate_chain_file(context, CertFile.c_str()) == 1 &&
                        SSL_CTX_use_PrivateKey_file(context, KeyFile.c_str(), SSL_FILETYPE_PEM) == 1 &&
                        SSL_CTX_check_private_key(context) == 1;
    if (!loaded) {
        const unsigned long code = ERR_get_error();
        const char* reason = code != 0 ? ERR_reason_error_string(code) : nullptr;
        Error = "cannot use " + CertFile + " and " + KeyFile +
                (reason != nullptr ? std::string(": ") + reason : "");
        ERR_clear_error();
        SSL_CTX_free(context);
        return false;
    }
    SSL_CTX_free(FTls);
    FTls = context;
    return true;
}

int TDemoHttpServer::Bind(const std::string& Host, int Port) {
    const int port = Port == 0 ? bind_to_any_port(Host) : (bind_to_port(Host, Port) ? Port : -1);
    // The library listens with a backlog of 5; listening again only deepens the queue.
    if (port > 0 && ::listen(svr_sock_, FLimits.Backlog) != 0)
        return -1;
    return port > 0 ? port : -1;
}

bool TDemoHttpServer::Serve() {
    const int listener = svr_sock_;
    if (listener == INVALID_SOCKET)
        return false;
    RaiseOpenFileLimit(FLimits.MaxConnections + 64);
    while (WaitForSlot()) {
        pollfd entry{listener, POLLIN, 0};
        if (::poll(&entry, 1, kAcceptTickMs) <= 0)
            continue;
        const int client = ::accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
        if (client < 0) {
            // Out of descriptors: give the connections being served a moment to end.
            if (errno == EMFILE || errno == ENFILE)
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
            continue;
        }
        const std::lock_guard<std::mutex> guard(FLock);
        FConnections.insert(client);
        try {
            std::thread(&TDemoHttpServer::ServeConnection, this, client).detach();
        } catch (const std::system_error&) {
            FConnections.erase(client);
            ::close(client);
        }
    }
    // Wake every connection that waits for its client, then wait for their threads.
    std::unique_lock<std::mutex> lock(FLock);
    for (const int socket : FConnections)
        ::shutdown(socket, SHUT_RDWR);
    FChanged.wait(lock, [&] { return FConnections.empty(); });
    return true;
}

void TDemoHttpServer::Stop() {
    const std::lock_guard<std::mutex> guard(FLock);
    FStopping = true;
    FChanged.notify_all();
}

bool TDemoHttpServer::WaitForSlot() {
    std::unique_lock<std::mutex> lock(FLock);
    const auto free = [&] { return FStopping || FConnections.size() < FLimits.MaxConnections; };
    while (!free()) {
        if (FIdle.empty()) {
            FChanged.wait(lock, [&] { return free() || !FIdle.empty(); });
            continue;
        }
        // Every slot taken: the connection idle longest makes way (the lowest number is the one open
        // longest often enough; any idle one will do). Its thread sees the close and ends.
        const int idle = *FIdle.begin();
        FIdle.erase(FIdle.begin());
        ::shutdown(idle, SHUT_RDWR);
        FChanged.wait_for(lock, std::chrono::milliseconds(kAcceptTickMs), free);
    }
    return !FStopping;
}

template <typename TWait> bool TDemoHttpServer::WaitIdle(int Socket, TWait&& Wait) {
    {
        const std::lock_guard<std::mutex> guard(FLock);
        FIdle.insert(Socket);
        FChanged.notify_all();
    }
    const bool arrived = Wait();
    const std::lock_guard<std::mutex> guard(FLock);
    // Not listed any more: the accept loop dropped it to make way.
    return FIdle.erase(Socket) == 1 && arrived;
}

void TDemoHttpServer::ServeConnection(int Socket) {
    SSL* ssl = nullptr;
    if (FTls != nullptr) {
        // A blocking socket for TLS, each call bounded: a client that stalls mid-record cannot hold a thread.
        const auto wait = std::chrono::duration_cast<std::chrono::microseconds>(
            std::max(FLimits.ReadTimeout, FLimits.WriteTimeout));
        const timeval bound{static_cast<time_t>(wait.count() / 1000000),
                            static_cast<suseconds_t>(wait.count() % 1000000)};
        ::setsockopt(Socket, SOL_SOCKET, SO_RCVTIMEO, &bound, sizeof bound);
        ::setsockopt(Socket, SOL_SOCKET, SO_SNDTIMEO, &bound, sizeof bound);
        ssl = SSL_new(FTls);
        if (ssl == nullptr || SSL_set_fd(ssl, Socket) != 1 || SSL_accept(ssl) != 1) {
            ERR_clear_error();
            SSL_free(ssl);
            Release(Socket);
            return;
        }
    }
    try {
        CloseAfterAnswer = false;
        TBoundedStream stream(Socket, FLimits, ssl);
        for (std::size_t served = 0; served < FLimits.KeepAliveMaxCount; ++served) {
            // The first request's time runs from the accept, so a client that sends nothing is bounded
            // as one that trickles.
            if (served == 0)
                stream.StartRequest();
            const bool arrives = WaitIdle(Socket, [&] {
                return served == 0 ? stream.is_readable()
                                   : stream.NextRequestArrives(FLimits.KeepAliveTimeout);
            });
            if (!arrives)
                break;
            if (served > 0)
                stream.StartRequest();
            bool closed = false;
            const bool last = served + 1 == FLimits.KeepAliveMaxCount;
            if (!process_request(stream, last, closed, nullptr) || closed || CloseAfterAnswer)
                break;
        }
    } catch (...) {
        // The library answers a throwing handler itself; anything else only ends this connection.
    }
    if (ssl != nullptr) {
        SSL_shutdown(ssl);
        SSL_free(ssl);
    }
    Release(Socket);
}

void TDemoHttpServer::Release(int Socket) {
    // Closed under the lock, so that Serve never shuts down a descriptor number that was given out again.
    const std::lock_guard<std::mutex> guard(FLock);
    ::shutdown(Socket, SHUT_RDWR);
    ::close(Socket);
    FConnections.erase(Socket);
    FIdle.erase(Socket);
    FChanged.notify_all();
}
