// kovrin-cli: the Kovrin core without a window, for scripts and diagnostics.
#include "tools/kovrin-cli/Cli.h"

#include <csignal>

int main(int Argc, char** Argv) {
    // A write to a reader that has gone fails as a write instead of ending the process: RunCli then ends
    // quietly when stdout's reader closed it (`| head` had its lines). Sockets need none of this: plain
    // exchanges and the TLS module's socket BIO send with MSG_NOSIGNAL.
    std::signal(SIGPIPE, SIG_IGN);
    return RunCli(Argc, Argv);
}
