// kovrin-cli feed: one feed as the client reads it, raw or as the table it cuts from it.

#include "engine/Protocol.h"
#include "tools/kovrin-cli/CliGlobals.h"
#include "tools/kovrin-cli/CliText.h"
#include "tools/kovrin-cli/Commands.h"

#include <iostream>
#include <utility>

namespace {

void FeedHelp(std::ostream& Out) {
    Out << "Prints one feed: NAME is news, rates, names or exchangers.\n"
           "  --format raw         the decoded body (default); news as the news view shows it\n"
           "  --format tsv         one line per table row, tab-separated, with \\t \\r \\n \\\\ escaped (not "
           "for news)\n"
        << kGlobalOptionsHelp << "  --help               this text\n"
        << FeedExitCodesHelp();
}

int RunFeed(const std::vector<std::string>& Args) {
    TFeedSource source = DefaultFeedSource();
    std::string name;
    std::string format = "raw";
    TArgReader args(Args);
    while (args.More()) {
        if (args.IsOption("--help")) {
            std::cout << "usage: kovrin-cli " << kFeedCommand.Usage << "\n";
            FeedHelp(std::cout);
            return kExitDone;
        } else if (TakeGlobalOption(args, source)) {
        } else if (args.IsOption("--format")) {
            format = args.Value();
            if (format != "raw" && format != "tsv")
                throw EUsage("--format wants raw or tsv, got \"" + format + "\"");
        } else if (args.AtOption()) {
            throw EUsage("unknown option " + args.Next());
        } else if (name.empty()) {
            name = args.Next();
        } else {
            throw EUsage("one feed only, got a second: " + args.Next());
        }
    }
    const bool news = name == kFeedNews;
    if (!news && name != kFeedRates && name != kFeedNames && name != kFeedExchangers)
        throw EUsage(name.empty() ? "the feed name is missing"
                                  : "no feed \"" + name + "\": news, rates, names or exchangers");
    if (news && format == "tsv")
        throw EUsage("the news feed has no table: --format tsv does not apply");

    TSharedText body = FetchFeeds(source, {name}).front();
    if (news) {
        const auto text = NewsText(body.Bytes());
        std::cout << text << (text.empty() ? "" : "\n");
    } else if (format == "raw") {
        std::cout << DecodeFeedBody(body.Bytes());
    } else {
        for (const auto row : FetchedFeedTable(source, name, std::move(body))) {
            for (std::size_t i = 0; i < row.size(); ++i)
                std::cout << (i > 0 ? "\t" : "") << TsvField(row[i]);
            std::cout << '\n';
        }
    }
    std::cout.flush();
    return std::cout ? kExitDone : kExitFailed;
}

} // namespace

const TCommand kFeedCommand{
    "feed",
    "feed news|rates|names|exchangers [--format raw|tsv] [--service URL] [--cacert FILE] [--feeds DIR]",
    FeedHelp,
    RunFeed,
};
