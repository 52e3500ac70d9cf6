#pragma once
// kovrin-cli's command line: the global options, the command chosen by name, --help and --version.

// Runs the command Argv names (Argv[0] is the program) and returns the exit code (Commands.h). Writes the
// result on stdout and what went wrong on stderr.
int RunCli(int Argc, const char* const* Argv);
