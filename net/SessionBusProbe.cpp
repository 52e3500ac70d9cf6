#include "net/SessionBusProbe.h"

#include "net/Socket.h"
#include "text/Eintr.h"

#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

int HexDigit(char C) {
    if (C >= '0' && C <= '9')
        return C - '0';
    if (C >= 'a' && C <= 'f')
        return C - 'a' + 10;
    if (C >= 'A' && C <= 'F')
        return C - 'A' + 10;
    return -1;
}

std::string Unescape(std::string_view Value) {
    std::string out;
    for (std::size_t i = 0; i < Value.size(); ++i) {
        if (Value[i] == '%' && i + 2 < Value.size() && HexDigit(Value[i + 1]) >= 0 &&
            HexDigit(Value[i + 2]) >= 0) {
            out += static_cast<char>(HexDigit(Value[i + 1]) * 16 + HexDigit(Value[i + 2]));
            i += 2;
        } else {
            out += Value[i];
        }
    }
    return out;
}

// The value of Key in "key=value,key=value".
std::string Option(std::string_view Options, std::string_view Key) {
    while (!Options.empty()) {
        const std::size_t comma = Options.find(',');
        const std::string_view pair = Options.substr(0, comma);
        const std::size_t equals = pair.find('=');
        if (equals != std::string_view::npos && pair.substr(0, equals) == Key)
            return Unescape(pair.substr(equals + 1));
        Options = comma == std::string_view::npos ? std::string_view() : Options.substr(comma + 1);
    }
    return {};
}

// The endpoint's answer within the wait: 1 a reply or a close, 0 silence; -1 when no connection was made.
int AskUnix(const TBusEndpoint& Endpoint, int TimeoutMs) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const bool abstract = Endpoint.Kind == TBusEndpoint::TKind::UnixAbstract;
    const std::size_t room = sizeof address.sun_path - (abstract ? 1 : 0) - (abstract ? 0 : 1);
    if (Endpoint.Where.empty() || Endpoint.Where.size() > room)
        return -1;
    std::memcpy(address.sun_path + (abstract ? 1 : 0), Endpoint.Where.data(), Endpoint.Where.size());
    const auto length =
        static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + (abstract ? 1 : 0) + Endpoint.Where.size());
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0)
        return -1;
    const auto deadline = TClock::now() + std::chrono::milliseconds(TimeoutMs);
    int connected = -1;
    for (;;) {
        connected =
            HandleEINTR([&] { return ::connect(fd, reinterpret_cast<const sockaddr*>(&address), length); });
        // A full backlog: a bus that never accepts holds a blocking connect as long as a silent one.
        if (connected == 0 || errno != EAGAIN || WaitBudget(TimeoutMs, deadline) == 0)
            break;
        ::usleep(10000);
    }
    int result = -1;
    if (connected == 0) {
        // The opening of the handshake libdbus sends: a zero byte, then an authentication request. Any
        // reply, or a close, shows that the bus speaks; what it says does not matter here.
        const std::string hello = std::string(1, '\0') + "AUTH EXTERNAL\r\n";
        pollfd readable{fd, POLLIN, 0};
        result = ::send(fd, hello.data(), hello.size(), MSG_NOSIGNAL) != static_cast<ssize_t>(hello.size()) ||
                 HandleEINTR([&] { return ::poll(&readable, 1, WaitBudget(TimeoutMs, deadline)); }) != 0;
    } else if (errno == EAGAIN) {
        result = 0;
    }
    ::close(fd);
    return result;
}

int AskTcp(const TBusEndpoint& Endpoint, int TimeoutMs) {
    const auto deadline = TClock::now() + std::chrono::milliseconds(TimeoutMs);
    TSocket socket;
    if (!socket.Connect(Endpoint.Where.empty() ? "localhost" : Endpoint.Where, Endpoint.Port, TimeoutMs,
                        deadline))
        return -1;
    if (!socket.SendAll(std::string(1, '\0') + "AUTH EXTERNAL\r\n", TimeoutMs, deadline))
        return 1;
    char byte = 0;
    return socket.Receive(&byte, 1, TimeoutMs, deadline) == kReadFailed &&
                   socket.LastFailure() == TExchangeFailure::Timeout
               ? 0
               : 1;
}

} // namespace

std::vector<TBusEndpoint> ParseBusAddress(std::string_view Address) {
    std::vector<TBusEndpoint> endpoints;
    while (!Address.empty()) {
        const std::size_t semicolon = Address.find(';');
        const std::string_view entry = Address.substr(0, semicolon);
        Address = semicolon == std::string_view::npos ? std::string_view() : Address.substr(semicolon + 1);
        const std::size_t colon = entry.find(':');
        if (entry.empty() || colon == std::string_view::npos)
            continue;
        const std::string_view kind = entry.substr(0, colon);
        const std::string_view options = entry.substr(colon + 1);
        TBusEndpoint endpoint;
        if (kind == "unix" && !Option(options, "path").empty()) {
            endpoint.Kind = TBusEndpoint::TKind::UnixPath;
            endpoint.Where = Option(options, "path");
        } else if (kind == "unix" && !Option(options, "abstract").empty()) {
            endpoint.Kind = TBusEndpoint::TKind::UnixAbstract;
            endpoint.Where = Option(options, "abstract");
        } else if (kind == "tcp" && !Option(options, "port").empty()) {
            endpoint.Kind = TBusEndpoint::TKind::Tcp;
            endpoint.Where = Option(options, "host");
            endpoint.Port = Option(options, "port");
        }
        endpoints.push_back(std::move(endpoint));
    }
    return endpoints;
}

std::string SessionBusAddress() {
    if (const char* address = std::getenv("DBUS_SESSION_BUS_ADDRESS"); address != nullptr)
        return address;
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime == nullptr || *runtime == '\0')
        return {};
    const std::string path = std::string(runtime) + "/bus";
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0 || !S_ISSOCK(info.st_mode))
        return {};
    return "unix:path=" + path;
}

bool BusStaysSilent(std::string_view Address, int TimeoutMs) {
    for (const TBusEndpoint& endpoint : ParseBusAddress(Address)) {
        int answer = -1;
        switch (endpoint.Kind) {
        case TBusEndpoint::TKind::UnixPath:
        case TBusEndpoint::TKind::UnixAbstract:
            answer = AskUnix(endpoint, TimeoutMs);
            break;
        case TBusEndpoint::TKind::Tcp:
            answer = AskTcp(endpoint, TimeoutMs);
            break;
        case TBusEndpoint::TKind::Other:
            return false;
        }
        if (answer >= 0)
            return answer == 0;
    }
    return false;
}
