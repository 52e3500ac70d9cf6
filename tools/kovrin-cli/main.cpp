// kovrin-cli: the Kovrin core without a window, for scripts and diagnostics.

#include "tools/kovrin-cli/Args.h"
#include "tools/kovrin-cli/CliGlobals.h"
#include "tools/kovrin-cli/Commands.h"

#include <exception>
#include <iostream>

namespace {

// One entry per command; a new command adds its declaration to Commands.h and its line here.
const TCommand* const kCommands[] = {&kRequestCommand, &kOffersCommand, &kFeedCommand, &kGuidCommand};

void Overview(std::ostream& Out) {
    Out << "usage: kovrin-cli COMMAND [ARGS...]   (kovrin-cli COMMAND --help for its options)\n\ncommands:\n";
    for (const TCommand* command : kCommands)
        Out << "  kovrin-cli " << command->Usage << "\n";
}

} // namespace

int main(int Argc, char** Argv) {
    // --service and --feeds may also stand before the command: they are handed to it ahead of its own arguments.
    std::vector<std::string> args;
    int first = 1;
    while (first < Argc && IsGlobalOption(Argv[first])) {
        args.emplace_back(Argv[first]);
        if (args.back().find('=') == std::string::npos) {
            if (first + 1 >= Argc) {
                std::cerr << "kovrin-cli: " << args.back()
                          << " needs a value; usage: kovrin-cli [--service URL | --feeds DIR] COMMAND [ARGS...]\n";
                return 2;
            }
            args.emplace_back(Argv[++first]);
        }
        ++first;
    }
    if (first >= Argc) {
        std::cerr << "kovrin-cli: a command is missing; usage: kovrin-cli COMMAND [ARGS...] (see --help)\n";
        return 2;
    }
    const std::string name = Argv[first];
    args.insert(args.end(), Argv + first + 1, Argv + Argc);
    if (name == "--help" || name == "-h" || name == "help") {
        Overview(std::cout);
        for (const TCommand* command : kCommands) {
            std::cout << "\nkovrin-cli " << command->Usage << "\n";
            command->Help(std::cout);
        }
        return 0;
    }
    for (const TCommand* command : kCommands) {
        if (name != command->Name)
            continue;
        try {
            return command->Run(args);
        } catch (const EUsage& error) {
            std::cerr << "kovrin-cli " << command->Name << ": " << error.what() << "; usage: kovrin-cli "
                      << command->Usage << "\n";
            return 2;
        } catch (const std::exception& error) {
            std::cerr << "kovrin-cli " << command->Name << ": " << error.what() << "\n";
            return 1;
        }
    }
    std::cerr << "kovrin-cli: unknown command \"" << name
              << "\"; usage: kovrin-cli COMMAND [ARGS...] (see --help)\n";
    return 2;
}
