#include "tests/support/ScriptedServer.h"

#include "text/Eintr.h"

#include <algorithm>
#include <arpa/inet.h>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <netinet/in.h>
#include <poll.h>
#include <stdexcept>
#include <sys/socket.h>
#include <unistd.h>

namespace {

using namespace std::chrono_literals;
using TClockSrv = std::chrono::steady_clock;

constexpr auto kRequestWait = 2s;
constexpr auto kLongest = 30s;
constexpr auto kSlice = 50ms;

// Waits up to Slice for readable data; >0 read, 0 peer closed, -1 nothing yet (or an error when Error is
// set).
ssize_t ReadSlice(int Handle, std::string& Into, bool& Error) {
    pollfd entry{Handle, POLLIN, 0};
    Error = false;
    const int ready = poll(&entry, 1, static_cast<int>(kSlice.count()));
    if (ready <= 0)
        return -1;
    char buffer[16384];
    const ssize_t got = recv(Handle, buffer, sizeof buffer, MSG_DONTWAIT);
    if (got > 0)
        Into.append(buffer, static_cast<std::size_t>(got));
    if (got < 0)
        Error = errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR;
    return got;
}

bool SendBytes(int Handle, const std::string& Bytes) {
    std::size_t done = 0;
    while (done < Bytes.size()) {
        const ssize_t sent =
            HandleEINTR([&] { return send(Handle, Bytes.data() + done, Bytes.size() - done, MSG_NOSIGNAL); });
        if (sent <= 0)
            return false;
        done += static_cast<std::size_t>(sent);
    }
    return true;
}

// Length of the request so far: head plus announced body; 0 while the head is incomplete.
std::size_t ExpectedRequestSize(const std::string& Bytes) {
    const std::size_t headEnd = Bytes.find("\r\n\r\n");
    if (headEnd == std::string::npos)
        return 0;
    std::string head = Bytes.substr(0, headEnd);
    std::transform(head.begin(), head.end(), head.begin(), [](unsigned char C) { return std::tolower(C); });
    std::size_t length = 0;
    const std::size_t field = head.find("\r\ncontent-length:");
    if (field != std::string::npos)
        length = std::strtoull(head.c_str() + field + 17, nullptr, 10);
    return headEnd + 4 + length;
}

} // namespace

struct TScriptedServer::TConnection {
    int Handle = -1;
    std::string Received;
    bool Done = false;
};

TScript& TScript::Send(std::string Bytes) {
    Steps.push_back({TStep::skSend, std::move(Bytes), {}});
    return *this;
}
TScript& TScript::Wait(std::chrono::milliseconds Delay) {
    Steps.push_back({TStep::skWait, {}, Delay});
    return *this;
}
TScript& TScript::Trickle(std::string Bytes, std::chrono::milliseconds Interval) {
    Steps.push_back({TStep::skTrickle, std::move(Bytes), Interval});
    return *this;
}
TScript& TScript::Hold() {
    Steps.push_back({TStep::skHold, {}, {}});
    return *this;
}
TScript& TScript::NoRequest() {
    ReadRequest = false;
    return *this;
}

std::string HttpResponseText(const std::string& Status, const std::string& Body,
                             const std::string& ExtraHeaders) {
    return "HTTP/1.0 " + Status + "\r\n" + ExtraHeaders + "Content-Length: " + std::to_string(Body.size()) +
           "\r\n\r\n" + Body;
}

TScriptedServer::TScriptedServer(bool Ipv6) : FIpv6(Ipv6) {
    FListen = socket(Ipv6 ? AF_INET6 : AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (FListen < 0)
        throw std::runtime_error("scripted server: no socket");
    const int yes = 1;
    setsockopt(FListen, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    int bound = -1;
    if (Ipv6) {
        sockaddr_in6 address{};
        address.sin6_family = AF_INET6;
        address.sin6_addr = in6addr_loopback;
        bound = bind(FListen, reinterpret_cast<sockaddr*>(&address), sizeof address);
    } else {
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        bound = bind(FListen, reinterpret_cast<sockaddr*>(&address), sizeof address);
    }
    sockaddr_storage actual{};
    socklen_t size = sizeof actual;
    if (bound != 0 || listen(FListen, 64) != 0 ||
        getsockname(FListen, reinterpret_cast<sockaddr*>(&actual), &size) != 0) {
        close(FListen);
        throw std::runtime_error(std::string("scripted server: cannot listen on ") +
                                 (Ipv6 ? "::1" : "127.0.0.1"));
    }
    FPort = ntohs(Ipv6 ? reinterpret_cast<sockaddr_in6*>(&actual)->sin6_port
                       : reinterpret_cast<sockaddr_in*>(&actual)->sin_port);
    FAcceptThread = std::thread([this] { AcceptLoop(); });
}

TScriptedServer::~TScriptedServer() {
    {
        std::lock_guard<std::mutex> lock(FMutex);
        FStopping = true;
    }
    FChanged.notify_all();
    FAcceptThread.join();
    std::vector<std::thread> threads;
    {
        std::lock_guard<std::mutex> lock(FMutex);
        threads.swap(FThreads);
    }
    for (std::thread& thread : threads)
        thread.join();
    close(FListen);
}

std::string TScriptedServer::Url(const std::string& Path) const {
    return std::string("http://") + (FIpv6 ? "[::1]" : "127.0.0.1") + ":" + std::to_string(FPort) + Path;
}

void TScriptedServer::Enqueue(TScript Script) {
    std::lock_guard<std::mutex> lock(FMutex);
    FQueue.push_back(std::move(Script));
}

void TScriptedServer::SetResponder(TResponder Responder) {
    std::lock_guard<std::mutex> lock(FMutex);
    FResponder = std::move(Responder);
}

std::size_t TScriptedServer::ConnectionCount() const {
    std::lock_guard<std::mutex> lock(FMutex);
    return FConnections.size();
}

std::string TScriptedServer::Received(std::size_t Index) const {
    std::lock_guard<std::mutex> lock(FMutex);
    return Index < FConnections.size() ? FConnections[Index]->Received : std::string();
}

bool TScriptedServer::WaitForConnections(std::size_t Count, std::chrono::milliseconds Timeout) const {
    std::unique_lock<std::mutex> lock(FMutex);
    return FChanged.wait_for(lock, Timeout, [&] {
        return FConnections.size() >= Count &&
               std::all_of(FConnections.begin(), FConnections.begin() + static_cast<std::ptrdiff_t>(Count),
                           [](const auto& Connection) { return Connection->Done; });
    });
}

bool TScriptedServer::Pause(std::chrono::milliseconds Delay) {
    std::unique_lock<std::mutex> lock(FMutex);
    return !FChanged.wait_for(lock, Delay, [this] { return FStopping; });
}

void TScriptedServer::AcceptLoop() {
    for (;;) {
        {
            std::lock_guard<std::mutex> lock(FMutex);
            if (FStopping)
                return;
        }
        pollfd entry{FListen, POLLIN, 0};
        if (poll(&entry, 1, static_cast<int>(kSlice.count())) <= 0)
            continue;
        const int handle = accept4(FListen, nullptr, nullptr, SOCK_CLOEXEC);
        if (handle < 0)
            continue;
        auto connection = std::make_shared<TConnection>();
        connection->Handle = handle;
        std::lock_guard<std::mutex> lock(FMutex);
        TScript script;
        if (FNextScript < FQueue.size())
            script = FQueue[FNextScript++];
        else if (!FQueue.empty())
            script = FQueue.back();
        FConnections.push_back(connection);
        FThreads.emplace_back([this, connection, script] { Serve(connection, script); });
    }
}

void TScriptedServer::Serve(std::shared_ptr<TConnection> Connection, TScript Script) {
    const int handle = Connection->Handle;
    std::string received;
    bool peerClosed = false;
    bool error = false;
    auto record = [&] {
        std::lock_guard<std::mutex> lock(FMutex);
        Connection->Received = received;
    };
    auto stopping = [&] {
        std::lock_guard<std::mutex> lock(FMutex);
        return FStopping;
    };

    if (Script.ReadRequest) {
        const auto until = TClockSrv::now() + kRequestWait;
        while (!peerClosed && !stopping() && TClockSrv::now() < until) {
            const std::size_t expected = ExpectedRequestSize(received);
            if (expected != 0 && received.size() >= expected)
                break;
            const ssize_t got = ReadSlice(handle, received, error);
            peerClosed = got == 0 || error;
        }
        record();
        TResponder responder;
        {
            std::lock_guard<std::mutex> lock(FMutex);
            responder = FResponder;
        }
        if (responder)
            Script = responder(received);
    }

    bool alive = !peerClosed;
    for (const TScript::TStep& step : Script.Steps) {
        if (!alive)
            break;
        switch (step.Kind) {
        case TScript::TStep::skSend:
            alive = SendBytes(handle, step.Bytes);
            break;
        case TScript::TStep::skWait:
            alive = Pause(step.Delay);
            break;
        case TScript::TStep::skTrickle: {
            const auto until = TClockSrv::now() + kLongest;
            for (std::size_t i = 0; alive && TClockSrv::now() < until; ++i) {
                if (!step.Bytes.empty() && i >= step.Bytes.size())
                    break;
                alive = SendBytes(handle, step.Bytes.empty() ? std::string("x") : step.Bytes.substr(i, 1)) &&
                        Pause(step.Delay);
                // A client that has gone shows as a readable end of stream.
                pollfd entry{handle, POLLIN, 0};
                char byte = 0;
                if (alive && poll(&entry, 1, 0) > 0 && recv(handle, &byte, 1, MSG_DONTWAIT | MSG_PEEK) <= 0)
                    alive = false;
            }
            break;
        }
        case TScript::TStep::skHold: {
            const auto until = TClockSrv::now() + kLongest;
            while (alive && !stopping() && TClockSrv::now() < until) {
                const ssize_t got = ReadSlice(handle, received, error);
                alive = got != 0 && !error;
            }
            record();
            break;
        }
        }
    }

    // Whatever else already arrived belongs to the record (and closing with unread data would reset the
    // line).
    char buffer[16384];
    for (int i = 0; i < 64; ++i) {
        const ssize_t got = recv(handle, buffer, sizeof buffer, MSG_DONTWAIT);
        if (got <= 0)
            break;
        received.append(buffer, static_cast<std::size_t>(got));
    }
    close(handle);
    {
        std::lock_guard<std::mutex> lock(FMutex);
        Connection->Received = received;
        Connection->Done = true;
    }
    FChanged.notify_all();
}
