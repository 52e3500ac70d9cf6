#include "tools/kovrin-cli/Cli.h"

#include "tools/kovrin-cli/Args.h"
#include "tools/kovrin-cli/CliGlobals.h"
#include "tools/kovrin-cli/Commands.h"

#include <cstdio>
#include <exception>
#include <iostream>
#include <poll.h>
#include <unistd.h>

namespace {

// One entry per command; a new command adds its declaration to Commands.h and its line here.
const TCommand* const kCommands[] = {&kRequestCommand, &kOffersCommand, &kFeedCommand,   &kGuidCommand,
                                     &kWatchCommand,   &kRoutesCommand, &kHistoryCommand};

constexpr const char* kUsageHint = "usage: kovrin-cli COMMAND [ARGS...] (see --help)";

void Overview(std::ostream& Out) {
    Out << "usage: kovrin-cli COMMAND [ARGS...]   (kovrin-cli COMMAND --help for its options)\n"
           "       kovrin-cli --version\n\ncommands:\n";
    for (const TCommand* command : kCommands)
        Out << "  kovrin-cli " << command->Usage << "\n";
}

int RunCommand(const TCommand& Command, const std::vector<std::string>& Args) {
    try {
        return Command.Run(Args);
    } catch (const EUsage& error) {
        std::cerr << "kovrin-cli " << Command.Name << ": " << error.what() << "; usage: kovrin-cli "
                  << Command.Usage << "\n";
        return kExitUsage;
    } catch (const EFeedUnavailable& error) {
        std::cerr << "kovrin-cli: " << error.what() << "\n";
        return error.FeedFailed() ? kExitUnreachable : kExitFailed;
    } catch (const std::exception& error) {
        std::cerr << "kovrin-cli " << Command.Name << ": " << error.what() << "\n";
        return kExitFailed;
    }
}

// True when stdout is a pipe or socket whose reader has closed it: the usual end of `| head`, no fault.
bool OutputReaderGone() {
    pollfd out{STDOUT_FILENO, 0, 0};
    return ::poll(&out, 1, 0) == 1 && (out.revents & (POLLERR | POLLHUP)) != 0;
}

// The exit code once stdout is flushed: output that could not be written (a full disk, a closed file) is said
// on stderr, and a run that would have exited 0 exits kExitFailed instead. A reader that closed the pipe
// gets the same code, without a word. The stdio check covers what request writes with fwrite.
int AfterOutput(int Code) {
    std::cout.flush();
    std::fflush(stdout);
    if (std::cout && !std::ferror(stdout)) {
        return Code;
    }
    if (!OutputReaderGone()) {
        std::cerr << "kovrin-cli: the output could not be written\n";
    }
    return Code == kExitDone ? kExitFailed : Code;
}

int RunCliCommand(int Argc, const char* const* Argv) {
    // --service and --feeds may also stand before the command: they are handed to it ahead of its own
    // arguments.
    std::vector<std::string> args;
    int first = 1;
    while (first < Argc && IsGlobalOption(Argv[first])) {
        args.emplace_back(Argv[first]);
        if (args.back().find('=') == std::string::npos) {
            if (first + 1 >= Argc) {
                std::cerr
                    << "kovrin-cli: " << args.back()
                    << " needs a value; usage: kovrin-cli [--service URL | --feeds DIR] COMMAND [ARGS...]\n";
                return kExitUsage;
            }
            args.emplace_back(Argv[++first]);
        }
        ++first;
    }
    if (first >= Argc) {
        std::cerr << "kovrin-cli: a command is missing; " << kUsageHint << "\n";
        return kExitUsage;
    }
    const std::string name = Argv[first];
    args.insert(args.end(), Argv + first + 1, Argv + Argc);
    if (name == "--help" || name == "-h" || name == "help") {
        Overview(std::cout);
        for (const TCommand* command : kCommands) {
            std::cout << "\nkovrin-cli " << command->Usage << "\n";
            command->Help(std::cout);
        }
        return kExitDone;
    }
    if (name == "--version") {
        std::cout << "kovrin-cli " << KOVRIN_VERSION << "\n";
        return kExitDone;
    }
    for (const TCommand* command : kCommands)
        if (name == command->Name)
            return RunCommand(*command, args);
    if (name.size() > 1 && name[0] == '-')
        std::cerr << "kovrin-cli: unknown option " << name << "; " << kUsageHint << "\n";
    else
        std::cerr << "kovrin-cli: unknown command \"" << name << "\"; " << kUsageHint << "\n";
    return kExitUsage;
}

} // namespace

int RunCli(int Argc, const char* const* Argv) {
    return AfterOutput(RunCliCommand(Argc, Argv));
}
