// kovrin-cli: the Kovrin core without a window, for scripts and diagnostics.
#include "tools/kovrin-cli/Cli.h"

int main(int Argc, char** Argv) {
    return RunCli(Argc, Argv);
}
