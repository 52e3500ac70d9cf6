#include "engine/PairRates.h"

#include "engine/Functions.h"
#include "engine/Offers.h"

#include <memory>
#include <utility>
#include <vector>

TPairRatesCut::TPairRatesCut(std::string SrcCode, std::string DstCode, std::size_t Budget)
    : FSrcCode(std::move(SrcCode)), FDstCode(std::move(DstCode)), FBudget(Budget) {}

void TPairRatesCut::Add(std::string_view Lines) {
    // The piece is only lent to its table, which goes before this returns: a keeper that owns nothing.
    const TSharedText piece(std::shared_ptr<const void>(std::shared_ptr<const void>(), Lines.data()), Lines);
    TStringMatrix table;
    try {
        table = FeedTableShared(kFeedRates, piece, FBudget - FUsed);
    } catch (const ETableTooLarge&) {
        throw ETableTooLarge(FBudget);
    }
    // What a table's rows need is the sum over its rows, so the pieces add up to the whole body's table.
    FUsed += table.NeededBytes();
    FAllRows += table.size();
    TQuoteRows quotes;
    std::vector<std::string_view> fields;
    for (const std::uint32_t at : quotes.Of(table, FSrcCode, FDstCode)) {
        fields.clear();
        for (const std::string_view field : table[at]) {
            fields.push_back(field);
        }
        FRows.AppendRow(fields);
    }
}
