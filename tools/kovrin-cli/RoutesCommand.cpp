// kovrin-cli routes: the best routes for a pair through one or two other currencies.

#include "engine/Routes.h"
#include "tools/kovrin-cli/CliGlobals.h"
#include "tools/kovrin-cli/Commands.h"
#include "tools/kovrin-cli/PairCommandLine.h"
#include "tools/kovrin-cli/RoutesOutput.h"

#include <iostream>

namespace {

void RoutesHelp(std::ostream& Out) {
    Out << "Fetches rates, names and exchangers (side by side) and prints the best routes from GIVE to GET "
           "through\nother currencies: GIVE for X at one exchanger, X for GET at another (or the same), best "
           "rate first,\nwhether or not they beat the best direct offer. Each leg is an exchange of its own, "
           "at its own time.\n"
           "GIVE and GET are display names as the names feed writes them, or currency codes.\n"
           "  --give-amount AMOUNT the amount you give (up to 10 digits; 0,5 or 0.5): every leg's reserve\n"
           "                       must cover its part\n"
           "  --get-amount AMOUNT  the amount you get (up to 10 digits; 0,5 or 0.5): likewise, counted back\n"
           "                       from the last leg\n"
           "  --top K              how many routes (1 to 1000, default 10)\n"
           "  --legs 2|3           2 (default): through one currency; 3: through one or two\n"
           "  --format FORMAT      table (default), csv or json\n"
        << kGlobalOptionsHelp << "  --help               this text\n"
        << FeedExitCodesHelp("an unknown currency, ", true);
}

int RunRoutes(const std::vector<std::string>& Args) {
    TRouteOptions options;
    const TPairCommandLine line = ReadPairCommandLine(Args, [&](TArgReader& Reader) {
        if (Reader.IsOption("--top")) {
            options.Top = static_cast<std::size_t>(ParseInteger(Reader.Value(), "--top", 1, 1000));
        } else if (Reader.IsOption("--legs")) {
            options.MaxLegs = static_cast<int>(ParseInteger(Reader.Value(), "--legs", 2, 3));
        } else {
            return false;
        }
        return true;
    });
    if (line.Help) {
        std::cout << "usage: kovrin-cli " << kRoutesCommand.Usage << "\n";
        RoutesHelp(std::cout);
        return kExitDone;
    }
    const TPairFeeds feeds = FetchPairFeeds(line.Source);
    TOfferControls controls;
    try {
        controls = QueryControls(feeds.Names, line.Query);
    } catch (const EUnknownCurrency& error) {
        std::cerr << "kovrin-cli: " << error.what() << "\n";
        return kExitFailed;
    }
    const TRoutes routes = FindRoutes(feeds.Rates, feeds.Names, feeds.Exchangers, controls, options);
    std::cout << (line.Format == "csv"    ? RoutesCsv(routes)
                  : line.Format == "json" ? RoutesJson(routes)
                                          : RoutesTable(routes));
    std::cout.flush();
    return std::cout ? kExitDone : kExitFailed;
}

} // namespace

const TCommand kRoutesCommand{
    "routes",
    "routes GIVE GET [--give-amount AMOUNT] [--get-amount AMOUNT] [--top K] [--legs 2|3] "
    "[--format table|csv|json] [--service URL] [--cacert FILE] [--feeds DIR]",
    RoutesHelp,
    RunRoutes,
};
