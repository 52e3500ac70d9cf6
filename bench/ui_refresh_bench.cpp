// A whole refresh of the window against the demo service serving 100,000 rates rows: from the click on
// Refresh to the grid filled by the rebuild after the last data feed (four HTTP exchanges on their own
// threads, the hand-offs to the UI thread, parsing, currency lists, rebuilds and one paint). Goal: the grid
// is filled within 25 ms of the click (median).
//
// The conditions are a user's on an ordinary day: the service has answered others before (one request per
// feed warms it up first) and the profile already holds its installation GUID.
//
// The same refresh over https (the demo service with a certificate for 127.0.0.1 made by the openssl command
// at start, trusted through SSL_CERT_FILE as a system store would trust it) is measured in the same run.
// Goal: within 1.3 times the refresh over http.
//
// The demo service is started as a child on a free loopback port: KOVRIN_DEMO_SERVICE names it, else it is
// looked up beside this build (tools/demo-service/kovrin-demo-service).

#include "app/Program.h"
#include "bench/WindowBenchMain.h"
#include "engine/Functions.h"
#include "engine/Protocol.h"
#include "globals/Globals.h"
#include "net/TCP.h"
#include "ui/OfferGrid.h"
#include "ui/UnitLoader.h"
#include "ui/UnitMain.h"

#include <QApplication>
#include <QTimer>
#include <benchmark/benchmark.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <optional>
#include <poll.h>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

namespace fs = std::filesystem;

constexpr const char* kRatesRows = "100000";
constexpr const char* kGive = "Bitcoin BTC";
constexpr const char* kGet = "Сбербанк RUB";

fs::path DemoServicePath() {
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

// The program as its start sequence makes it, with a private settings document and GUID store, pointed at the
// service; no feed is kept, and the timers stand still (refreshes are started by the benchmark only).
struct TProgramRun {
    fs::path Dir;
    std::optional<TProgram> Program;
    TFormMain* Main = nullptr;
    TFormLoader* Loader = nullptr;

    explicit TProgramRun(const std::string& Base) {
        char pattern[] = "/tmp/kovrin-refresh-bench-XXXXXX";
        Dir = mkdtemp(pattern);
        setenv("XDG_CONFIG_HOME", (Dir / "config").c_str(), 1);
        TProgramOptions options;
        options.SettingsFile = Dir / "settings.xml";
        options.ServiceBase = Base;
        options.FeedCache = fs::path();
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

  private:
    std::chrono::steady_clock::time_point FDeadline;
};

// One answer of every feed, from outside the program: the service a program meets has answered before, and
// its first answers cost it extra (fresh memory, a thread per connection started cold).
void WarmUp(const std::string& Base) {
    for (const std::string_view feed : {kFeedNews, kFeedRates, kFeedNames, kFeedExchangers}) {
        TIData input = MakeFeedRequest(Base, feed, "{00000000-0000-4000-8000-000000000000}");
        input.Timeout = 30000;
        TOData output;
        HttpRequest(input, output);
    }
}

// Pages this process has had mapped in so far.
long MinorFaults() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_minflt;
}

// CPU time this process has used so far, on all its threads (user and system), in milliseconds: unlike the
// real time it hardly moves with the load others put on the machine.
double ProcessCpuMs() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const auto ms = [](const timeval& Time) { return Time.tv_sec * 1e3 + Time.tv_usec / 1e3; };
    return ms(usage.ru_utime) + ms(usage.ru_stime);
}

// A certificate and key for 127.0.0.1, made once per run in a folder of its own, and trusted from then on as
// the system's store would trust it; empty when the openssl command failed.
std::vector<std::string> TlsOptions() {
    static const std::vector<std::string> options = [] {
        char pattern[] = "/tmp/kovrin-https-bench-XXXXXX";
        const fs::path dir = mkdtemp(pattern);
        const std::string cert = (dir / "cert.pem").string();
        const std::string key = (dir / "key.pem").string();
        const std::string command =
            "openssl req -x509 -newkey ec -pkeyopt ec_paramgen_curve:P-256 -nodes -days 2 "
            "-subj /CN=127.0.0.1 -addext subjectAltName=IP:127.0.0.1 -keyout " +
            key + " -out " + cert + " >/dev/null 2>&1";
        if (std::system(command.c_str()) != 0) {
            return std::vector<std::string>();
        }
        setenv("SSL_CERT_FILE", cert.c_str(), 1);
        return std::vector<std::string>{"--tls-cert", cert, "--tls-key", key};
    }();
    return options;
}

// Refreshes the program has made before the timed one: 0 times the first refresh of a run (the tables are
// emptied before each), 1 the second, 2 a refresh that finds the tables two refreshes old let go.
void Run(benchmark::State& state, int EarlierRefreshes, bool Tls = false) {
    const bool firstRefresh = EarlierRefreshes == 0;
    const std::vector<std::string> tls = Tls ? TlsOptions() : std::vector<std::string>();
    if (Tls && tls.empty()) {
        state.SkipWithError("no certificate: the openssl command failed");
        return;
    }
    TDemoService service(tls);
    if (service.Base().empty()) {
        state.SkipWithError(("the demo service did not start: " + DemoServicePath().string()).c_str());
        return;
    }
    WarmUp(service.Base());
    TProgramRun program(service.Base());
    for (int earlier = 0; earlier < EarlierRefreshes; ++earlier) {
        program.StartDeadline();
        if (!program.Refresh()) {
            state.SkipWithError("the warm-up refresh did not fill the grid");
            return;
        }
    }
    long faults = 0;
    double cpuMs = 0;
    for (auto _ : state) {
        if (firstRefresh) {
            state.PauseTiming();
            NamesTable.clear();
            RatesTable.clear();
            ExchangersTable.clear();
            program.Main->DBGridRates->Model().Clear();
            state.ResumeTiming();
        }
        program.StartDeadline();
        const long faultsBefore = MinorFaults();
        const double cpuBefore = ProcessCpuMs();
        if (!program.Refresh()) {
            state.SkipWithError("the refresh did not fill the grid");
            return;
        }
        faults += MinorFaults() - faultsBefore;
        cpuMs += ProcessCpuMs() - cpuBefore;
    }
    // Fresh pages cost from a fraction of a microsecond to ten on virtual machines: this count explains a
    // figure that moves with the host.
    state.counters["page_faults"] =
        benchmark::Counter(static_cast<double>(faults), benchmark::Counter::kAvgIterations);
    state.counters["process_cpu_ms"] = benchmark::Counter(cpuMs, benchmark::Counter::kAvgIterations);
    state.counters["rates_rows"] = static_cast<double>(RatesTable.size());
    state.counters["offers"] = program.Main->DBGridRates->Model().rowCount();
}

// A later refresh: every data feed's rebuild runs over the full tables.
void BM_RefreshFills100kRowsGrid(benchmark::State& state) {
    Run(state, 1);
}
BENCHMARK(BM_RefreshFills100kRowsGrid)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(1)
    ->Repetitions(9)
    ->ReportAggregatesOnly(true);

// The third refresh of a run, as every refresh from then on: the tables of the first refresh have gone, and
// what they held can serve the new ones.
void BM_ThirdRefreshFills100kRowsGrid(benchmark::State& state) {
    Run(state, 2);
}
BENCHMARK(BM_ThirdRefreshFills100kRowsGrid)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(1)
    ->Repetitions(9)
    ->ReportAggregatesOnly(true);

// A later refresh over https: four TLS handshakes and the bodies decrypted besides.
void BM_HttpsRefreshFills100kRowsGrid(benchmark::State& state) {
    Run(state, 1, true);
}
BENCHMARK(BM_HttpsRefreshFills100kRowsGrid)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(1)
    ->Repetitions(9)
    ->ReportAggregatesOnly(true);

// The first refresh of a run: the earlier rebuilds stop at the tables still empty.
void BM_FirstRefreshFills100kRowsGrid(benchmark::State& state) {
    Run(state, 0);
}
BENCHMARK(BM_FirstRefreshFills100kRowsGrid)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(1)
    ->Repetitions(9)
    ->ReportAggregatesOnly(true);

} // namespace

int main(int argc, char** argv) {
    return RunWindowBenchmarks(argc, argv);
}
