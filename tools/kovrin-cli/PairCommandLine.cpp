#include "tools/kovrin-cli/PairCommandLine.h"

#include "engine/Offers.h"
#include "engine/PairRates.h"
#include "engine/Protocol.h"
#include "tools/kovrin-cli/CliGlobals.h"
#include "tools/kovrin-cli/FeedFile.h"

#include <exception>
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
    feeds.Rates = FetchedRecordsTable(Source, kFeedRates, std::move(bodies[0]));
    feeds.Names = FetchedRecordsTable(Source, kFeedNames, std::move(bodies[1]));
    feeds.Exchangers = FetchedRecordsTable(Source, kFeedExchangers, std::move(bodies[2]));
    return feeds;
}

TPairFeeds ReadPairFeedFiles(const TFeedSource& Source, const TOffersQuery& Query) {
    const std::string ratesPath = FeedFilePath(*Source.FeedsDir, kFeedRates);
    std::optional<TFeedFile> rates;
    try {
        rates.emplace(ratesPath);
    } catch (const std::runtime_error& error) {
        throw FeedFileUnreadable(ratesPath, kFeedRates, error);
    }
    TPairFeeds feeds;
    if (!rates->Regular()) {
        // A pipe's writer may wait for the rates to be read before it writes the names: read them first,
        // whole, as a whole fetch does.
        TSharedText body;
        try {
            body = rates->ReadWhole();
        } catch (const std::runtime_error& error) {
            throw FeedFileUnreadable(ratesPath, kFeedRates, error);
        }
        auto bodies = FetchFeeds(Source, {kFeedNames, kFeedExchangers});
        feeds.Rates = FetchedRecordsTable(Source, kFeedRates, std::move(body));
        feeds.Names = FetchedRecordsTable(Source, kFeedNames, std::move(bodies[0]));
        feeds.Exchangers = FetchedRecordsTable(Source, kFeedExchangers, std::move(bodies[1]));
        return feeds;
    }

    // The pair's codes come from the names, read first here. Their failures are told in the order a whole
    // fetch meets them: a names or exchangers file that cannot be read after a rates file that cannot, and
    // before a rates table too large or without records; their tables too large or without records, and an
    // unknown currency, after it.
    std::exception_ptr readFailure;
    std::exception_ptr laterFailure;
    std::string srcCode;
    std::string dstCode;
    try {
        auto bodies = FetchFeeds(Source, {kFeedNames, kFeedExchangers});
        try {
            feeds.Names = FetchedRecordsTable(Source, kFeedNames, std::move(bodies[0]));
            feeds.Exchangers = FetchedRecordsTable(Source, kFeedExchangers, std::move(bodies[1]));
            FindCodes(feeds.Names, QueryControls(feeds.Names, Query), srcCode, dstCode);
        } catch (const std::runtime_error&) {
            laterFailure = std::current_exception();
        }
    } catch (const EFeedUnavailable&) {
        readFailure = std::current_exception();
    }
    // A megabyte a piece: the pieces' memory is used again, and each is still cut by two threads. Without the
    // codes no row is kept, but the pieces are cut all the same, for the budget.
    constexpr std::size_t kRatesPieceBytes = std::size_t{1} << 20;
    TPairRatesCut cut(laterFailure ? std::string() : srcCode, laterFailure ? std::string() : dstCode);
    std::optional<ETableTooLarge> tooLarge;
    try {
        rates->ReadLines(kRatesPieceBytes, [&](std::string_view Lines) {
            if (!tooLarge) {
                try {
                    cut.Add(Lines);
                } catch (const ETableTooLarge& error) {
                    tooLarge = error; // read on: a file that cannot be read to its end is told first
                }
            }
        });
    } catch (const std::runtime_error& error) {
        throw FeedFileUnreadable(ratesPath, kFeedRates, error);
    }
    if (readFailure) {
        std::rethrow_exception(readFailure);
    }
    if (tooLarge) {
        throw FeedTableTooLarge(Source, kFeedRates, *tooLarge);
    }
    if (cut.AllRows() == 0) {
        throw FeedWithoutRecords(Source, kFeedRates);
    }
    if (laterFailure) {
        std::rethrow_exception(laterFailure);
    }
    feeds.Rates = cut.Rows();
    return feeds;
}
