// kovrin-cli routes: the best routes for a pair through one or two other currencies.

#include "engine/Protocol.h"
#include "engine/Routes.h"
#include "tools/kovrin-cli/CliGlobals.h"
#include "tools/kovrin-cli/Commands.h"
#include "tools/kovrin-cli/OffersQuery.h"
#include "tools/kovrin-cli/RoutesOutput.h"

#include <iostream>
#include <tuple>
#include <utility>

namespace {

void RoutesHelp(std::ostream& Out) {
    Out << "Fetches rates, names and exchangers (side by side) and prints the best routes from GIVE to GET "
           "through\nother currencies: GIVE for X at one exchanger, X for GET at another (or the same), best "
           "rate first,\nwhether or not they beat the best direct offer. Each leg is an exchange of its own, "
           "at its own time.\n"
           "GIVE and GET are display names as the names feed writes them, or currency codes.\n"
           "  --give-amount DIGITS the amount you give (1 to 10 digits): every leg's reserve must cover its "
           "part\n"
           "  --get-amount DIGITS  the amount you get (1 to 10 digits): likewise, counted back from the last "
           "leg\n"
           "  --top K              how many routes (1 to 1000, default 10)\n"
           "  --legs 2|3           2 (default): through one currency; 3: through one or two\n"
           "  --format FORMAT      table (default), csv or json\n"
        << kGlobalOptionsHelp << "  --help               this text\n"
        << FeedExitCodesHelp("an unknown currency, ");
}

int RunRoutes(const std::vector<std::string>& Args) {
    TFeedSource source = DefaultFeedSource();
    TOffersQuery query;
    TRouteOptions options;
    std::vector<std::string> currencies;
    std::string format = "table";
    TArgReader args(Args);
    while (args.More()) {
        if (args.IsOption("--help")) {
            std::cout << "usage: kovrin-cli " << kRoutesCommand.Usage << "\n";
            RoutesHelp(std::cout);
            return kExitDone;
        } else if (TakeGlobalOption(args, source)) {
        } else if (args.IsOption("--give-amount")) {
            query.GiveAmount = AmountOptionValue(args, "--give-amount");
        } else if (args.IsOption("--get-amount")) {
            query.GetAmount = AmountOptionValue(args, "--get-amount");
        } else if (args.IsOption("--top")) {
            options.Top = static_cast<std::size_t>(ParseInteger(args.Value(), "--top", 1, 1000));
        } else if (args.IsOption("--legs")) {
            options.MaxLegs = static_cast<int>(ParseInteger(args.Value(), "--legs", 2, 3));
        } else if (args.IsOption("--format")) {
            format = args.Value();
            if (format != "table" && format != "csv" && format != "json")
                throw EUsage("--format wants table, csv or json, got \"" + format + "\"");
        } else if (args.AtOption()) {
            throw EUsage("unknown option " + args.Next());
        } else {
            currencies.push_back(args.Next());
        }
    }
    std::tie(query.Give, query.Get) = CurrencyPair(currencies);

    auto bodies = FetchFeeds(source, {kFeedRates, kFeedNames, kFeedExchangers});
    const TStringMatrix rates = FetchedFeedTable(source, kFeedRates, std::move(bodies[0]));
    const TStringMatrix names = FetchedFeedTable(source, kFeedNames, std::move(bodies[1]));
    const TStringMatrix exchangers = FetchedFeedTable(source, kFeedExchangers, std::move(bodies[2]));
    TOfferControls controls;
    controls.SrcName = CurrencyDisplayName(names, query.Give);
    controls.DstName = CurrencyDisplayName(names, query.Get);
    for (const auto& [name, typed] :
         {std::pair{controls.SrcName, query.Give}, {controls.DstName, query.Get}}) {
        if (!name) {
            std::cerr << "kovrin-cli: unknown currency \"" << typed << "\"\n";
            return kExitFailed;
        }
    }
    controls.SrcAmountText = query.GiveAmount;
    controls.DstAmountText = query.GetAmount;
    const TRoutes routes = FindRoutes(rates, names, exchangers, controls, options);
    std::cout << (format == "csv"    ? RoutesCsv(routes)
                  : format == "json" ? RoutesJson(routes)
                                     : RoutesTable(routes));
    std::cout.flush();
    return std::cout ? kExitDone : kExitFailed;
}

} // namespace

const TCommand kRoutesCommand{
    "routes",
    "routes GIVE GET [--give-amount DIGITS] [--get-amount DIGITS] [--top K] [--legs 2|3] "
    "[--format table|csv|json] [--service URL] [--feeds DIR]",
    RoutesHelp,
    RunRoutes,
};
