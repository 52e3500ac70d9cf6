// kovrin-cli offers: the offers for a pair, as the rates tab would show them once the amounts are typed.

#include "tools/kovrin-cli/CliGlobals.h"
#include "tools/kovrin-cli/Commands.h"
#include "tools/kovrin-cli/OffersOutput.h"
#include "tools/kovrin-cli/PairCommandLine.h"

#include <iostream>

namespace {

void OffersHelp(std::ostream& Out) {
    Out << "Fetches rates, names and exchangers (side by side) and prints the offers for the pair GIVE -> "
           "GET.\n"
           "GIVE and GET are display names or currency codes, also without letter case, or the last word of\n"
           "a display name when only one currency has it (\"BTC\").\n"
           "  --give-amount AMOUNT the amount you give (up to 10 digits; 0,5 or 0.5): offers must cover it,\n"
           "                       most received first\n"
           "  --get-amount AMOUNT  the amount you get (up to 10 digits; 0,5 or 0.5): least given first\n"
           "  --format FORMAT      table (default), csv or json\n"
        << kGlobalOptionsHelp << "  --help               this text\n"
        << FeedExitCodesHelp("an unknown currency, ", true);
}

int RunOffers(const std::vector<std::string>& Args) {
    const TPairCommandLine line = ReadPairCommandLine(Args);
    if (line.Help) {
        std::cout << "usage: kovrin-cli " << kOffersCommand.Usage << "\n";
        OffersHelp(std::cout);
        return kExitDone;
    }
    try {
        const TPairFeeds feeds =
            line.Source.FeedsDir ? ReadPairFeedFiles(line.Source, line.Query) : FetchPairFeeds(line.Source);
        const auto rows = QueryOffers(feeds.Rates, feeds.Names, feeds.Exchangers, line.Query);
        std::cout << (line.Format == "csv"    ? OffersCsv(rows)
                      : line.Format == "json" ? OffersJson(rows)
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
    "offers GIVE GET [--give-amount AMOUNT] [--get-amount AMOUNT] [--format table|csv|json] [--service URL] "
    "[--cacert FILE] [--feeds DIR]",
    OffersHelp,
    RunOffers,
};
