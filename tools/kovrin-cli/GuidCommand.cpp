// kovrin-cli guid: the installation GUID every request carries (created and stored on first use).

#include "engine/Functions.h"
#include "tools/kovrin-cli/Args.h"
#include "tools/kovrin-cli/Commands.h"

#include <iostream>

namespace {

void GuidHelp(std::ostream& Out) {
    Out << "Prints the installation GUID, creating and storing one when the per-user store holds none\n"
           "(the store lives under $XDG_CONFIG_HOME, else ~/.config).\n"
           "  --help               this text\n";
}

int RunGuid(const std::vector<std::string>& Args) {
    TArgReader args(Args);
    if (args.IsOption("--help")) {
        std::cout << "usage: kovrin-cli " << kGuidCommand.Usage << "\n";
        GuidHelp(std::cout);
        return 0;
    }
    if (args.More())
        throw EUsage("guid takes no arguments, got \"" + args.Next() + "\"");
    std::cout << GetAppGuid() << "\n";
    std::cout.flush();
    return std::cout ? 0 : 1;
}

} // namespace

const TCommand kGuidCommand{"guid", "guid", GuidHelp, RunGuid};
