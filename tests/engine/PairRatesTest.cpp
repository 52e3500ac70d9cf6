#include "engine/PairRates.h"

#include "engine/Functions.h"
#include "engine/Offers.h"

#include <gtest/gtest.h>

namespace {

// The pair's rows among others, a CR LF, bytes that are not UTF-8, codes in capitals (another pair to an
// exact comparison), a row short of fields and a last line without its end.
const std::vector<std::string> kLines = {
    "demo rates\n",      "1;wmz;btc;1;2;3\n",     "2;wmz;btc;4;5;6\r\n",
    "3;WMZ;btc;7;8;9\n", "4;wmz;btc;1\xFF;2;3\n", "5;wmz;btc;1;1;1\xFE\n",
    "6;btc;wmz;1;2;3\n", "7;wmz;btc;1;2\n",       "8;wmz;btc;13;14;15"};

std::vector<TStringArray> PairRows(const TStringMatrix& Rates) {
    std::vector<TStringArray> rows;
    TQuoteRows quotes;
    for (const std::uint32_t at : quotes.Of(Rates, "wmz", "btc"))
        rows.push_back(Rates[at].ToArray());
    return rows;
}

} // namespace

TEST(PairRatesCut, KeepsTheRowsOfTheWholeBodyInPiecesOfAnyLinesAndItsBudget) {
    std::string body;
    for (const std::string& line : kLines)
        body += line;
    const TStringMatrix whole = FeedTable(kFeedRates, body);
    ASSERT_EQ(PairRows(whole).size(), 4u);
    for (std::size_t perPiece = 1; perPiece <= kLines.size(); ++perPiece) {
        TPairRatesCut cut("wmz", "btc");
        TPairRatesCut short_of_budget("wmz", "btc", whole.NeededBytes() - 1);
        for (std::size_t at = 0; at < kLines.size(); at += perPiece) {
            std::string piece;
            for (std::size_t i = at; i < std::min(kLines.size(), at + perPiece); ++i)
                piece += kLines[i];
            cut.Add(piece);
            // The whole table passes the budget by one byte: only the last piece tips it.
            if (at + perPiece < kLines.size())
                short_of_budget.Add(piece);
            else
                try {
                    short_of_budget.Add(piece);
                    ADD_FAILURE() << "not refused";
                } catch (const ETableTooLarge& error) {
                    EXPECT_EQ(error.Budget(), whole.NeededBytes() - 1); // the whole budget, not what was left
                }
        }
        EXPECT_EQ(PairRows(cut.Rows()), PairRows(whole)) << perPiece << " lines a piece";
    }
}
