// The real program closed while its four feed requests hang on a service that never answers: it must end at
// once, cleanly, with its settings saved. The program takes its service address from the build and from
// nothing else, so the stalled service listens on the built address; when that address is not a free local
// port (another service is running there), the test is skipped rather than pointed anywhere else.
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <atomic>
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <functional>
#include <netinet/in.h>
#include <optional>
#include <poll.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

// Accepts connections on 127.0.0.1:Port and keeps them open without a word until it goes.
class TStalledService final {
  public:
    explicit TStalledService(std::uint16_t Port) {
        FListen = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        const int yes = 1;
        setsockopt(FListen, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(Port);
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        if (FListen < 0 || bind(FListen, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
            listen(FListen, 16) != 0) {
            return;
        }
        FListening = true;
        FThread = std::thread([this] {
            while (!FStop) {
                pollfd entry{FListen, POLLIN, 0};
                if (poll(&entry, 1, 50) > 0) {
                    const int client = accept4(FListen, nullptr, nullptr, SOCK_CLOEXEC);
                    if (client >= 0) {
                        FClients.push_back(client);
                        ++FAccepted;
                    }
                }
            }
        });
    }
    ~TStalledService() {
        FStop = true;
        if (FThread.joinable()) {
            FThread.join();
        }
        for (const int client : FClients) {
            close(client);
        }
        if (FListen >= 0) {
            close(FListen);
        }
    }

    bool Listening() const { return FListening; }
    int Accepted() const { return FAccepted; }

  private:
    int FListen = -1;
    bool FListening = false;
    std::atomic<bool> FStop{false};
    std::atomic<int> FAccepted{0};
    std::vector<int> FClients; // touched by the accepting thread only, until it has been joined
    std::thread FThread;
};

// The port of the built service address when it names this machine's IPv4 loopback.
std::optional<std::uint16_t> BuiltLoopbackPort() {
    const std::string base = KOVRIN_BUILT_SERVICE_BASE;
    const std::string prefix = "http://127.0.0.1:";
    if (!base.starts_with(prefix) || base.size() == prefix.size() || base.size() > prefix.size() + 5 ||
        base.find_first_not_of("0123456789", prefix.size()) != std::string::npos) {
        return std::nullopt;
    }
    const unsigned long port = std::stoul(base.substr(prefix.size()));
    if (port == 0 || port > 65535) {
        return std::nullopt;
    }
    return static_cast<std::uint16_t>(port);
}

bool WaitUntil(const std::function<bool()>& Done, std::chrono::milliseconds Limit) {
    const auto deadline = std::chrono::steady_clock::now() + Limit;
    while (!Done()) {
        if (std::chrono::steady_clock::now() >= deadline) {
            return false;
        }
        std::this_thread::sleep_for(20ms);
    }
    return true;
}

TEST(KovrinStalledService, ClosingWithRequestsStillRunningEndsAtOnceAndSavesTheSettings) {
    const std::optional<std::uint16_t> port = BuiltLoopbackPort();
    if (!port) {
        GTEST_SKIP() << "the build's service address " << KOVRIN_BUILT_SERVICE_BASE << " is not on 127.0.0.1";
    }
    TStalledService service(*port);
    if (!service.Listening()) {
        GTEST_SKIP() << "port " << *port << " is in use; the program can be pointed at no other";
    }

    TTempDir dir;
    for (const char* folder : {"bin", "home", "runtime"}) {
        fs::create_directories(dir / folder);
    }
    fs::permissions(dir / "runtime", fs::perms::owner_all);
    fs::copy_file(KOVRIN_EXECUTABLE, dir / "bin" / "kovrin");
    WriteFileBytes(
        dir / "bin" / "settings.xml",
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<settings>\r\n\t<Rates>\r\n\t\t<SrcAmount>77"
        "</SrcAmount>\r\n\t\t<SrcCurr>Euro</SrcCurr>\r\n\t</Rates>\r\n</settings>\r\n");

    const pid_t pid = fork();
    if (pid == 0) {
        setenv("HOME", (dir / "home").c_str(), 1);
        setenv("XDG_CONFIG_HOME", (dir / "home" / ".config").c_str(), 1);
        setenv("XDG_CACHE_HOME", (dir / "home" / ".cache").c_str(), 1);
        setenv("XDG_DATA_HOME", (dir / "home" / ".local/share").c_str(), 1);
        setenv("XDG_RUNTIME_DIR", (dir / "runtime").c_str(), 1);
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
        const int log = open((dir / "log").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        if (log >= 0) {
            dup2(log, STDOUT_FILENO);
            dup2(log, STDERR_FILENO);
        }
        const std::string program = (dir / "bin" / "kovrin").string();
        execl(program.c_str(), program.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    ASSERT_GT(pid, 0);

    // The first tick, about a second after start, sends the four requests.
    const bool asked = WaitUntil([&] { return service.Accepted() >= 4; }, 30s);
    const auto stopAt = std::chrono::steady_clock::now();
    kill(pid, SIGTERM);
    int status = 0;
    const bool ended = WaitUntil([&] { return waitpid(pid, &status, WNOHANG) == pid; }, 15s);
    const auto took = std::chrono::steady_clock::now() - stopAt;
    if (!ended) {
        kill(pid, SIGKILL);
        waitpid(pid, &status, 0);
    }
    const std::string log = ReadFileBytes(dir / "log");
    ASSERT_TRUE(asked) << "the program sent " << service.Accepted() << " requests\n" << log;
    ASSERT_TRUE(ended) << "the program did not end\n" << log;
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "status " << status << "\n" << log;
    // The requests wait up to 30 s for data; nothing may wait for them.
    EXPECT_LT(took, 5s);

    const std::string settings = ReadFileBytes(dir / "bin" / "settings.xml");
    EXPECT_NE(settings.find("<SrcAmount>77</SrcAmount>"), std::string::npos) << settings;
    EXPECT_NE(settings.find("<SrcCurr>Euro</SrcCurr>"), std::string::npos) << settings;
    EXPECT_NE(settings.find("<Tab>"), std::string::npos) << settings;
}

} // namespace
