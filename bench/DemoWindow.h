#pragma once
// The window of a benchmark against the demo service: the service started as a child process on a free
// loopback port serving 100,000 rates rows, and the program's start sequence pointed at it with a private
// settings document, the pair "Bitcoin BTC" -> "Сбербанк RUB" chosen on the rates tab.
//
// KOVRIN_DEMO_SERVICE names the service's program, else it is looked up beside this build
// (tools/demo-service/kovrin-demo-service).

#include "app/Program.h"
#include "engine/FeedCache.h"
#include "engine/Functions.h"
#include "engine/Protocol.h"
#include "globals/Globals.h"
#include "net/TCP.h"
#include "ui/OfferGrid.h"
#include "ui/UnitLoader.h"
#include "ui/UnitMain.h"

#include <QApplication>
#include <QTimer>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <optional>
#include <poll.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace demo_window {

namespace fs = std::filesystem;

inline constexpr const char* kRatesRows = "100000";
inline constexpr const char* kGive = "Bitcoin BTC";
inline constexpr const char* kGet = "Сбербанк RUB";

inline fs::path DemoServicePath() {
    if (const char* given = std::getenv("KOVRIN_DEMO_SERVICE")) {
        return given;
    }
    std::error_code error;
    const fs::path self = fs::read_symlink("/proc/self/exe", error);
    return self.parent_path().parent_path() / "tools" / "demo-service" / "kovrin-demo-service";
}

// The demo service as a child process, listening on a port of its choosing.
class TDemoService final {
  public:
    // With Tls, serves https with the certificate and key given.
    explicit TDemoService(const std::vector<std::string>& Tls = {}) {
        const std::string program = DemoServicePath().string();
        std::vector<std::string> args = {program, "--port", "0", "--rates-rows", kRatesRows};
        args.insert(args.end(), Tls.begin(), Tls.end());
        std::vector<char*> argv;
        for (std::string& arg : args) {
            argv.push_back(arg.data());
        }
        argv.push_back(nullptr);
        int out[2];
        if (pipe(out) != 0) {
            return;
        }
        FPid = fork();
        if (FPid == 0) {
            dup2(out[1], STDOUT_FILENO);
            close(out[0]);
            close(out[1]);
            const int quiet = open("/dev/null", O_WRONLY);
            dup2(quiet, STDERR_FILENO); // the request log
            execv(program.c_str(), argv.data());
            _exit(127);
        }
        close(out[1]);
        // "listening on http://127.0.0.1:PORT" (or https://), within 20 s.
        std::string line;
        for (int waited = 0; waited < 200 && line.find('\n') == std::string::npos; ++waited) {
            pollfd entry{out[0], POLLIN, 0};
            if (poll(&entry, 1, 100) > 0) {
                char buffer[256];
                const ssize_t got = read(out[0], buffer, sizeof buffer);
                if (got <= 0) {
                    break;
                }
                line.append(buffer, static_cast<std::size_t>(got));
            }
        }
        close(out[0]);
        const std::size_t at = line.find("http");
        if (at != std::string::npos && line.find('\n') != std::string::npos) {
            FBase = line.substr(at, line.find('\n') - at);
        }
    }
    ~TDemoService() {
        if (FPid > 0) {
            kill(FPid, SIGTERM);
            waitpid(FPid, nullptr, 0);
        }
    }
    TDemoService(const TDemoService&) = delete;
    TDemoService& operator=(const TDemoService&) = delete;

    // "http://ADDR:PORT" or "https://ADDR:PORT"; empty when the service did not come up.
    const std::string& Base() const { return FBase; }

  private:
    pid_t FPid = -1;
    std::string FBase;
};

// Each feed as the service answers it now, kept in Folder as the program keeps what it showed.
inline void KeepServiceFeeds(const std::string& Base, const fs::path& Folder) {
    for (const std::string_view feed : {kFeedNews, kFeedRates, kFeedNames, kFeedExchangers}) {
        TIData input = MakeFeedRequest(Base, feed, "{00000000-0000-4000-8000-000000000000}");
        input.Timeout = 30000;
        TOData output;
        HttpRequest(input, output);
        KeepFeed(Folder, feed, output.Body, 1765281909);
    }
}

// The program as its start sequence makes it, with a private settings document and GUID store, pointed at the
// service; the timers stand still (refreshes are started by the benchmark only). No feed is kept, unless
// KeptFeeds: then, as for a user who has run it before, the feeds of an earlier run are kept and the program
// shows them before its first refresh (and keeps each feed a refresh brings).
struct TProgramRun {
    fs::path Dir;
    std::optional<TProgram> Program;
    TFormMain* Main = nullptr;
    TFormLoader* Loader = nullptr;

    explicit TProgramRun(const std::string& Base, bool KeptFeeds = false) {
        char pattern[] = "/tmp/kovrin-window-bench-XXXXXX";
        Dir = mkdtemp(pattern);
        setenv("XDG_CONFIG_HOME", (Dir / "config").c_str(), 1);
        TProgramOptions options;
        options.SettingsFile = Dir / "settings.xml";
        options.ServiceBase = Base;
        options.FeedCache = fs::path();
        if (KeptFeeds) {
            options.FeedCache = Dir / "feeds";
            KeepServiceFeeds(Base, *options.FeedCache);
        }
        options.HistoryFile = fs::path();
        options.Timers = false;
        options.SaveSettings = false;
        options.QuitSignals = false;
        Program.emplace(options);
        Program->Open();
        // A returning user's profile, which holds its installation GUID: the first refresh after an
        // installation also stores one, a durable write of a few milliseconds that no later run repeats.
        GetAppGuid();
        ConfigWrite(ConfigDoc, "Rates/SrcCurr", kGive);
        ConfigWrite(ConfigDoc, "Rates/DstCurr", kGet);
        Program->ShowWindows();
        Main = &Program->Main();
        Loader = &Program->Loader();
        Main->SetActiveTab(TFormMain::tabRates);
        Main->resize(720, 520);
        QCoreApplication::processEvents();
        // The kept feeds are read and cut on a worker: the window shows their offers once it is done.
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        while (KeptFeeds && Main->DBGridRates->Model().rowCount() == 0 &&
               std::chrono::steady_clock::now() < deadline) {
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 10);
        }
    }
    ~TProgramRun() {
        Program.reset();
        std::error_code error;
        fs::remove_all(Dir, error);
    }

    // Clicks Refresh and runs the event loop until all four feeds are handled; false after 30 s.
    bool Refresh() {
        Main->BitBtnRefresh->setEnabled(true); // as after the cooldown
        // The loop sleeps until an event comes, as the program's own loop does: polling it would take a
        // core from the workers the refresh waits for. The tick wakes it to look at the deadline.
        QTimer tick;
        tick.start(10);
        Main->BitBtnRefresh->click();
        for (int turn = 0; turn < 3'000'000; ++turn) {
            if (Loader->ProgressBar->value() == Loader->ProgressBar->maximum()) {
                QCoreApplication::processEvents(); // the paint of the filled grid
                return Main->DBGridRates->Model().rowCount() > 0;
            }
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
            if (std::chrono::steady_clock::now() > FDeadline) {
                return false;
            }
        }
        return false;
    }
    void StartDeadline() { FDeadline = std::chrono::steady_clock::now() + std::chrono::seconds(30); }
    // Waits until the routes a refresh asked for are listed: they are found on a worker after the grid is
    // filled, and one still running would share the cores with the next timed refresh.
    void SettleRoutes() {
        while (Main->RoutesPending() && std::chrono::steady_clock::now() < FDeadline) {
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 10);
        }
        QCoreApplication::processEvents();
    }

  private:
    std::chrono::steady_clock::time_point FDeadline;
};

// One answer of every feed, from outside the program: the service a program meets has answered before, and
// its first answers cost it extra (fresh memory, a thread per connection started cold).
inline void WarmUp(const std::string& Base) {
    for (const std::string_view feed : {kFeedNews, kFeedRates, kFeedNames, kFeedExchangers}) {
        TIData input = MakeFeedRequest(Base, feed, "{00000000-0000-4000-8000-000000000000}");
        input.Timeout = 30000;
        TOData output;
        HttpRequest(input, output);
    }
}

} // namespace demo_window
