#pragma once
// Runs a program with arguments and collects its exit code, stdout and stderr (for tests of command-line
// tools).

#include <chrono>
#include <string>
#include <vector>

struct TProgramResult {
    int ExitCode = -1; // -1 when it did not exit normally (killed, or could not start)
    std::string Out;   // stdout bytes
    std::string Err;   // stderr bytes
    bool TimedOut = false;
};

// Starts Program with Args (no shell), waits for it at most Limit (then kills it) and returns what it gave.
// Throws std::runtime_error when it cannot be started.
TProgramResult RunProgram(const std::string& Program, const std::vector<std::string>& Args,
                          std::chrono::milliseconds Limit = std::chrono::seconds(20));
