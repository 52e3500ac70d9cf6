#include "tests/support/RunProgram.h"

#include "text/Eintr.h"

#include <cerrno>
#include <csignal>
#include <poll.h>
#include <spawn.h>
#include <stdexcept>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

TProgramResult RunProgram(const std::string& Program, const std::vector<std::string>& Args,
                          std::chrono::milliseconds Limit) {
    int out[2];
    int err[2];
    if (pipe(out) != 0 || pipe(err) != 0)
        throw std::runtime_error("RunProgram: no pipe");
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    posix_spawn_file_actions_adddup2(&actions, err[1], 2);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    posix_spawn_file_actions_addclose(&actions, err[0]);
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(Program.c_str()));
    for (const std::string& arg : Args)
        argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, Program.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(out[1]);
    close(err[1]);
    if (spawned != 0) {
        close(out[0]);
        close(err[0]);
        throw std::runtime_error("RunProgram: cannot start " + Program);
    }

    TProgramResult result;
    const auto end = std::chrono::steady_clock::now() + Limit;
    pollfd entries[2] = {{out[0], POLLIN, 0}, {err[0], POLLIN, 0}};
    std::string* sinks[2] = {&result.Out, &result.Err};
    int open = 2;
    while (open > 0) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(end - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            result.TimedOut = true;
            kill(pid, SIGKILL);
            break;
        }
        if (poll(entries, 2, static_cast<int>(left.count())) < 0 && errno != EINTR)
            break;
        for (int i = 0; i < 2; ++i) {
            if (entries[i].fd < 0 || entries[i].revents == 0)
                continue;
            char buffer[65536];
            const ssize_t got = read(entries[i].fd, buffer, sizeof buffer);
            if (got > 0) {
                sinks[i]->append(buffer, static_cast<std::size_t>(got));
            } else if (got == 0 || errno != EINTR) {
                close(entries[i].fd);
                entries[i].fd = -1;
                --open;
            }
        }
    }
    for (const pollfd& entry : entries)
        if (entry.fd >= 0)
            close(entry.fd);
    int status = 0;
    HandleEINTR([&] { return waitpid(pid, &status, 0); });
    result.ExitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}
