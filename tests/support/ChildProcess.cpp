#include "tests/support/ChildProcess.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <stdexcept>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace {

using TClock = std::chrono::steady_clock;

struct TPipe {
    int Read = -1;
    int Write = -1;
};

TPipe MakePipe() {
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0)
        throw std::runtime_error(std::string("pipe: ") + std::strerror(errno));
    return {fds[0], fds[1]};
}

std::vector<std::string> ChildEnvironment(const TChildEnv& extra) {
    std::vector<std::string> env;
    for (char** entry = environ; *entry != nullptr; ++entry) {
        const std::string text(*entry);
        const auto name = text.substr(0, text.find('='));
        if (!extra.contains(name))
            env.push_back(text);
    }
    for (const auto& [name, value] : extra)
        if (value)
            env.push_back(name + "=" + *value);
    return env;
}

// Forks and execs; stdin is /dev/null, stdout and stderr go to the given pipes' write ends.
pid_t Spawn(const std::string& program, const std::vector<std::string>& args, const TChildEnv& extraEnv,
            const TPipe& out, const TPipe& err) {
    std::vector<std::string> env = ChildEnvironment(extraEnv);
    std::vector<char*> argv{const_cast<char*>(program.c_str())};
    for (const auto& arg : args)
        argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    std::vector<char*> envp;
    for (auto& entry : env)
        envp.push_back(entry.data());
    envp.push_back(nullptr);

    const pid_t pid = fork();
    if (pid < 0)
        throw std::runtime_error(std::string("fork: ") + std::strerror(errno));
    if (pid == 0) {
        const int devNull = open("/dev/null", O_RDONLY);
        dup2(devNull, 0);
        dup2(out.Write, 1);
        dup2(err.Write, 2);
        execve(program.c_str(), argv.data(), envp.data());
        _exit(127);
    }
    close(out.Write);
    close(err.Write);
    return pid;
}

// Waits for the child at most until Deadline; kills it then. The exit code, or -1 after a signal or a kill.
int Reap(pid_t pid, TClock::time_point deadline, bool& timedOut) {
    int status = 0;
    while (true) {
        const pid_t done = waitpid(pid, &status, WNOHANG);
        if (done == pid)
            break;
        if (done < 0 && errno != EINTR)
            return -1;
        if (TClock::now() >= deadline) {
            timedOut = true;
            kill(pid, SIGKILL);
            waitpid(pid, &status, 0);
            return -1;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

} // namespace

TChildResult RunChild(const std::string& Program, const std::vector<std::string>& Args, const TChildEnv& Env,
                      std::chrono::milliseconds Limit) {
    const auto deadline = TClock::now() + Limit;
    const TPipe out = MakePipe();
    const TPipe err = MakePipe();
    const pid_t pid = Spawn(Program, Args, Env, out, err);

    TChildResult result;
    pollfd fds[2] = {{out.Read, POLLIN, 0}, {err.Read, POLLIN, 0}};
    std::string* sinks[2] = {&result.Out, &result.Err};
    int open = 2;
    while (open > 0) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - TClock::now()).count();
        if (left <= 0)
            break;
        const int ready = poll(fds, 2, static_cast<int>(left));
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready <= 0)
            break;
        for (int i = 0; i < 2; ++i) {
            if (fds[i].fd < 0 || fds[i].revents == 0)
                continue;
            char buffer[65536];
            const ssize_t got = read(fds[i].fd, buffer, sizeof buffer);
            if (got > 0) {
                sinks[i]->append(buffer, static_cast<std::size_t>(got));
            } else if (got == 0 || errno != EINTR) {
                fds[i].fd = -1;
                --open;
            }
        }
    }
    close(out.Read);
    close(err.Read);
    result.ExitCode = Reap(pid, deadline, result.TimedOut);
    return result;
}

TBackgroundChild::TBackgroundChild(const std::string& Program, const std::vector<std::string>& Args,
                                   const TChildEnv& Env) {
    const TPipe out = MakePipe();
    const TPipe err = MakePipe();
    FPid = Spawn(Program, Args, Env, out, err);
    FOut = out.Read;
    FErr = err.Read;
}

TBackgroundChild::~TBackgroundChild() {
    if (FPid > 0)
        Stop(std::chrono::seconds(2));
    close(FOut);
    close(FErr);
}

std::optional<std::string> TBackgroundChild::ReadLine(int Fd, std::string& Buffer,
                                                      std::chrono::milliseconds Limit) {
    const auto deadline = TClock::now() + Limit;
    while (true) {
        if (const auto end = Buffer.find('\n'); end != std::string::npos) {
            std::string line = Buffer.substr(0, end);
            Buffer.erase(0, end + 1);
            return line;
        }
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - TClock::now()).count();
        if (left <= 0)
            return std::nullopt;
        pollfd fd{Fd, POLLIN, 0};
        const int ready = poll(&fd, 1, static_cast<int>(left));
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready <= 0)
            return std::nullopt;
        char buffer[4096];
        const ssize_t got = read(Fd, buffer, sizeof buffer);
        if (got <= 0)
            return std::nullopt;
        Buffer.append(buffer, static_cast<std::size_t>(got));
    }
}

std::optional<std::string> TBackgroundChild::ReadOutLine(std::chrono::milliseconds Limit) {
    return ReadLine(FOut, FOutBuffer, Limit);
}

std::vector<std::string>
TBackgroundChild::ReadErrUntil(const std::function<bool(const std::vector<std::string>&)>& Done,
                               std::chrono::milliseconds Limit) {
    const auto deadline = TClock::now() + Limit;
    while (true) {
        if (Done(FErrLines))
            return FErrLines;
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - TClock::now());
        if (left.count() <= 0)
            return FErrLines;
        auto line = ReadLine(FErr, FErrBuffer, left);
        if (!line)
            return FErrLines;
        FErrLines.push_back(std::move(*line));
    }
}

int TBackgroundChild::Stop(std::chrono::milliseconds Limit) {
    if (FPid <= 0)
        return -1;
    kill(FPid, SIGTERM);
    bool timedOut = false;
    const int code = Reap(FPid, TClock::now() + Limit, timedOut);
    FPid = -1;
    return code;
}
