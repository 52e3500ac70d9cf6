// kovrin-cli offers: the offers for a pair, as the rates tab would show them once the amounts are typed.

#include "engine/Protocol.h"
#include "tools/kovrin-cli/CliGlobals.h"
#include "tools/kovrin-cli/Commands.h"
#include "tools/kovrin-cli/OffersOutput.h"
#include "tools/kovrin-cli/OffersQuery.h"

#include <iostream>
#include <tuple>
#include <utility>

namespace {

void OffersHelp(std::ostream& Out) {
    Out << "Fetches rates, names and exchangers (side by side) and prints the offers for the pair GIVE -> "
           "GET.\n"
           "GIVE and GET are display names or currency codes, also without letter case, or the last word of\n"
           "a display name when only one currency has it (\"BTC\").\n"
           "  --give-amount DIGITS the amount you give (1 to 10 digits): offers must cover it, most received "
           "first\n"
           "  --get-amount DIGITS  the amount you get (1 to 10 digits): least given first\n"
           "  --format FORMAT      table (default), csv or json\n"
        << kGlobalOptionsHelp << "  --help               this text\n"
        << FeedExitCodesHelp("an unknown currency, ");
}

int RunOffers(const std::vector<std::string>& Args) {
    TFeedSource source = DefaultFeedSource();
    TOffersQuery query;
    std::vector<std::string> currencies;
    std::string format = "table";
    TArgReader args(Args);
    while (args.More()) {
        if (args.IsOption("--help")) {
            std::cout << "usage: kovrin-cli " << kOffersCommand.Usage << "\n";
            OffersHelp(std::cout);
            return kExitDone;
        } else if (TakeGlobalOption(args, source)) {
        } else if (args.IsOption("--give-amount")) {
            query.GiveAmount = AmountOptionValue(args, "--give-amount");
        } else if (args.IsOption("--get-amount")) {
            query.GetAmount = AmountOptionValue(args, "--get-amount");
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
    try {
        const auto rows = QueryOffers(rates, names, exchangers, query);
        std::cout << (format == "csv"    ? OffersCsv(rows)
                      : format == "json" ? OffersJson(rows)
                                         : OffersTable(rows));
    } catch (const EUnknownCurrency& error) {
        std::cerr << "kovrin-cli: " << error.what() << "\n";
        return kExitFailed;
    }
    std::cout.flush();
    return std::cout ? kExitDone : kExitFailed;
}

} // namespace

const TCommand kOffersCommand{
    "offers",
    "offers GIVE GET [--give-amount DIGITS] [--get-amount DIGITS] [--format table|csv|json] [--service URL] "
    "[--feeds DIR]",
    OffersHelp,
    RunOffers,
};
