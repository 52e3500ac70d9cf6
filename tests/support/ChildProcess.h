#pragma once
// Runs the tools under test as child processes: to completion with captured output, or in the background (the
// demo service) with its output read line by line. Every wait is bounded.

#include <chrono>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <sys/types.h>
#include <vector>

// What a finished child left behind.
struct TChildResult {
    int ExitCode = -1; // -1 when it was killed by a signal or had to be killed after the time limit
    bool TimedOut = false;
    std::string Out;
    std::string Err;
};

// Extra environment for a child: a value replaces the inherited one, nullopt removes it.
using TChildEnv = std::map<std::string, std::optional<std::string>>;

// Runs Program with Args, waits at most Limit, kills it after that. Throws std::runtime_error when it cannot
// start.
TChildResult RunChild(const std::string& Program, const std::vector<std::string>& Args,
                      const TChildEnv& Env = {}, std::chrono::milliseconds Limit = std::chrono::seconds(30));

// A child left running, its stdout and stderr kept in pipes; SIGTERM and a bounded wait when it goes.
class TBackgroundChild final {
  public:
    // Starts Program with Args (and Env added to this process's environment). Throws std::runtime_error when
    // it cannot start.
    TBackgroundChild(const std::string& Program, const std::vector<std::string>& Args,
                     const TChildEnv& Env = {});
    ~TBackgroundChild();
    TBackgroundChild(const TBackgroundChild&) = delete;
    TBackgroundChild& operator=(const TBackgroundChild&) = delete;

    // The next line of stdout (without its LF), or nullopt when none came within Limit or the pipe closed.
    std::optional<std::string> ReadOutLine(std::chrono::milliseconds Limit);
    // Reads stderr lines for at most Limit until Done(all lines read so far) holds; all lines read so far.
    std::vector<std::string> ReadErrUntil(const std::function<bool(const std::vector<std::string>&)>& Done,
                                          std::chrono::milliseconds Limit);
    // Sends SIGTERM and waits at most Limit for the exit; the exit code, or -1 when it had to be killed.
    int Stop(std::chrono::milliseconds Limit = std::chrono::seconds(5));

  private:
    std::optional<std::string> ReadLine(int Fd, std::string& Buffer, std::chrono::milliseconds Limit);

    pid_t FPid = -1;
    int FOut = -1;
    int FErr = -1;
    std::string FOutBuffer;
    std::string FErrBuffer;
    std::vector<std::string> FErrLines;
};
