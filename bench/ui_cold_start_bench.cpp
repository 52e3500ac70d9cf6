// Cold start: from spawning a fresh process to the end of the main window's first paint.
// Goal: under 300 ms (median of 10 runs, under Xvfb).
//
// Each run starts this same executable again as a child that goes through the program's own start sequence
// (TProgram, as the program's main runs it) and reports through a pipe once the first paint of the main
// window has been flushed. The parent times from just before the spawn to that report, so the figure holds
// exec, dynamic linking, Qt's platform set-up and translations, opening settings.xml (none: a first start),
// the kept feeds, reading the manual beside the executable and building the three windows. The GUI program
// itself stays free of any measuring hook and reads nothing from its command line.

#include "app/Program.h"
#include "app/QuitSignals.h"
#include "ui/UnitMain.h"

#include <QApplication>
#include <QTimer>
#include <benchmark/benchmark.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <poll.h>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

constexpr const char* kChildFlag = "--first-paint-child";
constexpr int kChildTimeoutMs = 30000;

// Catches the first paint of the main window (FormMain, once the start sequence has made it) or of anything
// inside it; the report waits one turn of the event loop so that it follows the flush of the whole painted
// window to the screen, then ends the loop as closing the window would.
class TFirstPaintProbe final : public QObject {
  public:
    explicit TFirstPaintProbe(int Fd) : FFd(Fd) {}

    bool eventFilter(QObject* Watched, QEvent* Event) override {
        if (!FSeen && FormMain != nullptr && Event->type() == QEvent::Paint) {
            auto* widget = qobject_cast<QWidget*>(Watched);
            if (widget != nullptr && widget->window() == FormMain) {
                FSeen = true;
                QTimer::singleShot(0, this, [this] {
                    const char painted = 'p';
                    FReported = ::write(FFd, &painted, 1) == 1;
                    QCoreApplication::quit();
                });
            }
        }
        return false;
    }

    bool Reported() const { return FReported; }

  private:
    int FFd;
    bool FSeen = false;
    bool FReported = false;
};

// The program's own start sequence up to its first paint; then its stop sequence, which releases the windows
// and globals in the program's order. settings.xml is read where the program would read it and never written.
int RunChild(char* Argv0, int Fd) {
    InstallQuitSignalHandlers(); // as the program's main does, before QApplication
    int argc = 1;
    char* argv[] = {Argv0, nullptr};
    QApplication application(argc, argv);
    TFirstPaintProbe probe(Fd);
    application.installEventFilter(&probe);
    TProgramOptions options;
    options.SaveSettings = false;
    TProgram program(options);
    const int code = program.Run();
    application.removeEventFilter(&probe);
    return probe.Reported() ? code : 2;
}

// Waits for the child's one-byte report; false on time-out, a closed pipe or a read error.
bool WaitForReport(int Fd) {
    pollfd watch{Fd, POLLIN, 0};
    for (;;) {
        const int ready = ::poll(&watch, 1, kChildTimeoutMs);
        if (ready < 0 && errno == EINTR) {
            continue;
        }
        if (ready <= 0) {
            return false;
        }
        char byte = 0;
        const ssize_t got = ::read(Fd, &byte, 1);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        return got == 1;
    }
}

void BM_ColdStartToFirstPaint(benchmark::State& state) {
    const char* platform = std::getenv("QT_QPA_PLATFORM");
    if (std::getenv("DISPLAY") == nullptr && platform == nullptr) {
        state.SkipWithError("no display: run under Xvfb (DISPLAY set) or name a QT_QPA_PLATFORM");
        return;
    }
    state.SetLabel(platform != nullptr ? platform : "xcb");
    std::string self(4096, '\0');
    const ssize_t length = ::readlink("/proc/self/exe", self.data(), self.size() - 1);
    if (length <= 0) {
        state.SkipWithError("cannot find this executable");
        return;
    }
    self.resize(static_cast<std::size_t>(length));
    // The program reads its manual while its main window is created; a start without one would look faster.
    if (!std::filesystem::exists(std::filesystem::path(self).parent_path() / "help.rtf")) {
        state.SkipWithError("no help.rtf beside this program: copy data/help.rtf there (bench/report does)");
        return;
    }

    for (auto _ : state) {
        int fds[2];
        if (::pipe2(fds, O_CLOEXEC) != 0) {
            state.SkipWithError("pipe failed");
            return;
        }
        // The child's end is duplicated without close-on-exec under a fixed number.
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, fds[1], 3);
        std::string flag = kChildFlag;
        std::string fdText = "3";
        char* args[] = {self.data(), flag.data(), fdText.data(), nullptr};

        pid_t child = 0;
        const auto start = std::chrono::steady_clock::now();
        const int spawned = ::posix_spawn(&child, self.c_str(), &actions, nullptr, args, environ);
        posix_spawn_file_actions_destroy(&actions);
        ::close(fds[1]);
        const bool painted = spawned == 0 && WaitForReport(fds[0]);
        const auto end = std::chrono::steady_clock::now();
        ::close(fds[0]);

        int status = 0;
        if (spawned == 0) {
            if (!painted) {
                ::kill(child, SIGKILL);
            }
            ::waitpid(child, &status, 0);
        }
        if (!painted || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
            state.SkipWithError("the child did not paint its main window and exit cleanly");
            return;
        }
        state.SetIterationTime(std::chrono::duration<double>(end - start).count());
    }
}
BENCHMARK(BM_ColdStartToFirstPaint)
    ->UseManualTime()
    ->Iterations(1)
    ->Repetitions(10)
    ->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::strcmp(argv[1], kChildFlag) == 0) {
        return RunChild(argv[0], std::atoi(argv[2]));
    }
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
