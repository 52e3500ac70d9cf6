#include "tools/kovrin-cli/PairCommandLine.h"

#include "engine/Offers.h"
#include "engine/PairRates.h"
#include "engine/Protocol.h"
#include "tools/kovrin-cli/CliGlobals.h"
#include "tools/kovrin-cli/FeedFile.h"

#include <optional>
#include <tuple>
#include <utility>

TPairCommandLine ReadPairCommandLine(const std::vector<std::string>& Args,
                                     const std::function<bool(TArgReader&)>& OwnOption) {
    TPairCommandLine line;
    line.Source = DefaultFeedSource();
    std::vector<std::string> currencies;
    TArgReader args(Args);
    while (args.More()) {
        if (args.IsOption("--help")) {
            line.Help = true;
            return line;
        } else if (TakeGlobalOption(args, line.Source)) {
        } else if (args.IsOption("--give-amount")) {
            line.Query.GiveAmount = AmountOptionValue(args, "--give-amount");
        } else if (args.IsOption("--get-amount")) {
            line.Query.GetAmount = AmountOptionValue(args, "--get-amount");
        } else if (args.IsOption("--format")) {
            line.Format = args.Value();
            if (line.Format != "table" && line.Format != "csv" && line.Format != "json")
                throw EUsage("--format wants table, csv or json, got \"" + line.Format + "\"");
        } else if (OwnOption && OwnOption(args)) {
        } else if (args.AtOption()) {
            throw EUsage("unknown option " + args.Next());
        } else {
            currencies.push_back(args.Next());
        }
    }
    std::tie(line.Query.Give, line.Query.Get) = CurrencyPair(currencies);
    return line;
}

TPairFeeds FetchPairFeeds(const TFeedSource& Source) {
    auto bodies = FetchFeeds(Source, {kFeedRates, kFeedNames, kFeedExchangers});
    TPairFeeds feeds;
    feeds.Rates = FetchedFeedTable(Source, kFeedRates, std::move(bodies[0]));
    feeds.Names = FetchedFeedTable(Source, kFeedNames, std::move(bodies[1]));
    feeds.Exchangers = FetchedFeedTable(Source, kFeedExchangers, std::move(bodies[2]));
    return feeds;
}

TPairFeeds ReadPairFeedFiles(const TFeedSource& Source, const TOffersQuery& Query) {
    // Read in the order a whole fetch reads them, so that the same missing file is named first.
    const std::string ratesPath = FeedFilePath(*Source.FeedsDir, kFeedRates);
    std::optional<TFeedFileLines> rates;
    try {
        rates.emplace(ratesPath);
    } catch (const std::runtime_error& error) {
        throw FeedFileUnreadable(ratesPath, kFeedRates, error);
    }
    auto bodies = FetchFeeds(Source, {kFeedNames, kFeedExchangers});
    TPairFeeds feeds;
    feeds.Names = FetchedFeedTable(Source, kFeedNames, std::move(bodies[0]));
    feeds.Exchangers = FetchedFeedTable(Source, kFeedExchangers, std::move(bodies[1]));

    std::string srcCode;
    std::string dstCode;
    FindCodes(feeds.Names, QueryControls(feeds.Names, Query), srcCode, dstCode);
    // A megabyte a piece: the pieces' memory is used again, and each is still cut by two threads.
    constexpr std::size_t kPieceBytes = std::size_t{1} << 20;
    TPairRatesCut cut(srcCode, dstCode);
    try {
        rates->ReadAll(kPieceBytes, [&cut](std::string_view Lines) { cut.Add(Lines); });
    } catch (const ETableTooLarge& error) {
        throw FeedTableTooLarge(Source, kFeedRates, error);
    } catch (const std::runtime_error& error) {
        throw FeedFileUnreadable(ratesPath, kFeedRates, error);
    }
    feeds.Rates = cut.Rows();
    return feeds;
}
