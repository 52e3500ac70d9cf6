// The demo service's server against clients that hold connections: a crowd of slow ones, a head that never
// ends, a head that arrives a byte at a time.

#include "tools/demo-service/DemoHttpServer.h"
#include "net/TCP.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <chrono>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

namespace {

using namespace std::chrono_literals;
using TSteady = std::chrono::steady_clock;

class TRunningServer final {
  public:
    explicit TRunningServer(TDemoServerLimits Limits = {}) : FServer(Limits) {
        FServer.Get("/hello", [](const httplib::Request&, httplib::Response& Response) {
            Response.set_content("hello", "text/plain");
        });
        FPort = FServer.Bind("127.0.0.1", 0);
        FThread = std::thread([this] { FServer.Serve(); });
    }
    ~TRunningServer() {
        FServer.Stop();
        FThread.join();
    }

    int Port() const { return FPort; }

    TOData Get(std::int32_t Timeout = 5000) const {
        TIData input;
        input.Timeout = Timeout;
        input.URL = "http://127.0.0.1:" + std::to_string(FPort) + "/hello";
        TOData output;
        HttpRequest(input, output);
        return output;
    }

  private:
    TDemoHttpServer FServer;
    int FPort = 0;
    std::thread FThread;
};

// A client connected to Port that has sent Bytes; -1 when it could not connect.
int Client(int Port, const std::string& Bytes) {
    const int handle = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<std::uint16_t>(Port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (connect(handle, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        send(handle, Bytes.data(), Bytes.size(), MSG_NOSIGNAL) != static_cast<ssize_t>(Bytes.size())) {
        close(handle);
        return -1;
    }
    return handle;
}

// What the server sends on Handle until it closes the connection (at most Limit); nullopt when it kept the
// connection open that long.
std::optional<std::string> AnswerUntilClose(int Handle, std::chrono::milliseconds Limit) {
    std::string answer;
    const auto end = TSteady::now() + Limit;
    while (TSteady::now() < end) {
        pollfd entry{Handle, POLLIN, 0};
        if (poll(&entry, 1, 50) <= 0)
            continue;
        char buffer[4096];
        const ssize_t got = recv(Handle, buffer, sizeof buffer, 0);
        if (got <= 0)
            return answer;
        answer.append(buffer, static_cast<std::size_t>(got));
    }
    return std::nullopt;
}

std::string Head(int HeaderLines) {
    std::string head = "GET /hello HTTP/1.1\r\nConnection: close\r\n";
    for (int i = 1; i < HeaderLines; ++i)
        head += "X-" + std::to_string(i) + ": y\r\n";
    return head;
}

TEST(DemoHttpServer, ACrowdOfSlowClientsDoesNotStopANormalOne) {
    TRunningServer server;
    std::vector<int> crowd;
    for (int i = 0; i < 300; ++i) {
        const int client = Client(server.Port(), "POST /hello HTTP/1.1\r\nHost: x\r\nX-Slow: ");
        ASSERT_GE(client, 0) << "connection " << i;
        crowd.push_back(client);
    }
    const auto start = TSteady::now();
    const TOData answer = server.Get();
    const auto took = TSteady::now() - start;
    EXPECT_EQ(answer.ResultCode, 200);
    EXPECT_EQ(answer.Body, "hello");
    EXPECT_LT(took, 1s);
    for (const int client : crowd)
        close(client);
}

TEST(DemoHttpServer, IdleConnectionsMakeWayForANewClientWhenEverySlotIsTaken) {
    TDemoServerLimits limits;
    limits.MaxConnections = 16;
    TRunningServer server(limits);
    // Kept-alive connections that had their answer and stay, and connections that never send a byte: each
    // would hold its slot for seconds.
    std::vector<int> crowd;
    for (int i = 0; i < 120; ++i) {
        const int client = Client(server.Port(), i % 2 == 0 ? "GET /hello HTTP/1.1\r\nHost: x\r\n\r\n" : "");
        ASSERT_GE(client, 0) << "connection " << i;
        crowd.push_back(client);
    }
    const auto start = TSteady::now();
    const TOData answer = server.Get(3000);
    EXPECT_EQ(answer.ResultCode, 200);
    EXPECT_LT(TSteady::now() - start, 1500ms);
    for (const int client : crowd)
        close(client);
}

TEST(DemoHttpServer, ALengthGivenTwoWaysIsRefusedAndNothingBehindItIsAnswered) {
    TRunningServer server;
    const std::string smuggled = "GET /hello HTTP/1.1\r\nHost: x\r\n\r\n";
    for (const std::string& head :
         {"POST /hello HTTP/1.1\r\nHost: x\r\nContent-Length: 0\r\nContent-Length: " +
              std::to_string(smuggled.size()) + "\r\n\r\n",
          "POST /hello HTTP/1.1\r\nHost: x\r\nContent-Length: " + std::to_string(5 + smuggled.size()) +
              "\r\nTransfer-Encoding: chunked\r\n\r\n0\r\n\r\n"}) {
        const int client = Client(server.Port(), head + smuggled);
        const std::optional<std::string> answer = AnswerUntilClose(client, 5s);
        close(client);
        ASSERT_TRUE(answer) << "the connection was kept open: " << head;
        EXPECT_EQ(answer->substr(0, 12), "HTTP/1.1 400") << head;
        EXPECT_EQ(answer->find("HTTP/1.1", 1), std::string::npos) << *answer;
    }
}

TEST(DemoHttpServer, AHeadPastItsLineCapIsRefused) {
    TDemoServerLimits limits;
    limits.MaxHeadLines = 100;
    TRunningServer server(limits);
    // 98 header lines, the request line and the empty line: just within the cap.
    const int within = Client(server.Port(), Head(98) + "\r\n");
    const std::optional<std::string> whole = AnswerUntilClose(within, 5s);
    close(within);
    ASSERT_TRUE(whole);
    EXPECT_EQ(whole->substr(0, 15), "HTTP/1.1 200 OK");

    // A head that goes on and on is answered 400 and closed once past the cap, not read to its end.
    const int endless = Client(server.Port(), Head(200));
    const std::optional<std::string> refused = AnswerUntilClose(endless, 5s);
    close(endless);
    ASSERT_TRUE(refused) << "the connection was kept open";
    EXPECT_EQ(refused->substr(0, 12), "HTTP/1.1 400");
    EXPECT_EQ(server.Get().ResultCode, 200);
}

TEST(DemoHttpServer, AHeadTrickledPastTheRequestTimeEndsTheConnection) {
    TDemoServerLimits limits;
    limits.RequestTime = 300ms;
    TRunningServer server(limits);
    const int slow = Client(server.Port(), "GET /hello HTTP/1.1\r\n");
    // One byte each 50 ms: every single wait is short, the request as a whole is not.
    std::atomic<bool> done{false};
    std::thread trickle([&] {
        while (!done && send(slow, "X", 1, MSG_NOSIGNAL) == 1)
            std::this_thread::sleep_for(50ms);
    });
    const std::optional<std::string> answer = AnswerUntilClose(slow, 5s);
    done = true;
    trickle.join();
    close(slow);
    EXPECT_TRUE(answer) << "the trickling client kept its connection for 5 s";
}

} // namespace
