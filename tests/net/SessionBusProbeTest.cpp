#include "net/SessionBusProbe.h"

#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <sys/socket.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>

namespace {

using namespace std::chrono_literals;

// A socket listening at Path that accepts nothing by itself.
int Listen(const std::string& Path) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, Path.c_str(), sizeof address.sun_path - 1);
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    EXPECT_EQ(::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
    EXPECT_EQ(::listen(fd, 8), 0);
    return fd;
}

TEST(SessionBusProbe, ABusThatAcceptsAndNeverAnswersIsFoundWithinTheBoundAndNoOtherIs) {
    TTempDir dir;
    const std::string silent = "unix:path=" + (dir / "sil%65nt").string() + ",guid=1"; // escapes are read
    const std::string missing = "unix:path=" + (dir / "missing").string();
    const int silentBus = Listen((dir / "silent").string());
    const auto start = std::chrono::steady_clock::now();
    EXPECT_TRUE(BusStaysSilent(silent, 200));
    EXPECT_LT(std::chrono::steady_clock::now() - start, 2s);
    // Endpoints that accept no connection are passed over, as libdbus passes them.
    EXPECT_TRUE(BusStaysSilent(missing + ";" + silent, 200));

    // A bus that answers, or closes, speaks; one that is not there fails fast on its own; a kind not probed
    // is left to libdbus.
    const int answeringBus = Listen((dir / "answering").string());
    std::thread server([answeringBus] {
        for (const std::string reply : {"DATA\r\n", ""}) {
            const int connection = ::accept(answeringBus, nullptr, nullptr);
            char buffer[64];
            EXPECT_GT(::read(connection, buffer, sizeof buffer), 0);
            EXPECT_EQ(::write(connection, reply.data(), reply.size()), static_cast<ssize_t>(reply.size()));
            ::close(connection);
        }
    });
    EXPECT_FALSE(BusStaysSilent("unix:path=" + (dir / "answering").string(), 5000));
    EXPECT_FALSE(BusStaysSilent("unix:path=" + (dir / "answering").string(), 5000));
    server.join();
    EXPECT_FALSE(BusStaysSilent(missing, 200));
    EXPECT_FALSE(BusStaysSilent("launchd:env=X;" + silent, 200));
    ::close(silentBus);
    ::close(answeringBus);
}

} // namespace
