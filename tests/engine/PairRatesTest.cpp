#include "engine/PairRates.h"

#include "engine/Functions.h"
#include "engine/Offers.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// Rows of the pair among others, a CR LF, bytes that are not UTF-8, codes in capitals (another pair to an
// exact comparison), a row short of fields and a last line without its end.
const std::string kBody = "demo rates: exchanger, from, to, give, get, reserve\n"
                          "1;wmz;btc;1;2;3\n"
                          "2;wmz;btc;4;5;6\r\n"
                          "3;WMZ;btc;7;8;9\n"
                          "4;wmz;btc;1\xFF;2;3\n"
                          "5;wmz;btc;10;11;12\xFE\n"
                          "6;btc;wmz;1;2;3\n"
                          "7;wmz;btc;1;2\n"
                          "8;wmz;btc;13;14;15";

std::vector<std::vector<std::string>> PairRows(const TStringMatrix& Rates) {
    std::vector<std::vector<std::string>> rows;
    TQuoteRows quotes;
    for (const std::uint32_t at : quotes.Of(Rates, "wmz", "btc")) {
        const auto fields = Rates[at].ToArray();
        rows.emplace_back(fields.begin(), fields.end());
    }
    return rows;
}

std::vector<std::string> Lines(const std::string& Body) {
    std::vector<std::string> lines;
    for (std::size_t at = 0; at < Body.size();) {
        const std::size_t end = Body.find('\n', at);
        const std::size_t next = end == std::string::npos ? Body.size() : end + 1;
        lines.push_back(Body.substr(at, next - at));
        at = next;
    }
    return lines;
}

} // namespace

TEST(PairRatesCut, PiecesOfAnyNumberOfLinesKeepTheRowsTheWholeBodyGives) {
    const auto expected = PairRows(FeedTable(kFeedRates, kBody));
    ASSERT_EQ(expected.size(), 4u);
    const std::vector<std::string> lines = Lines(kBody);
    for (std::size_t perPiece = 1; perPiece <= lines.size(); ++perPiece) {
        TPairRatesCut cut("wmz", "btc");
        for (std::size_t at = 0; at < lines.size(); at += perPiece) {
            std::string piece;
            for (std::size_t i = at; i < std::min(lines.size(), at + perPiece); ++i) {
                piece += lines[i];
            }
            cut.Add(piece);
        }
        EXPECT_EQ(PairRows(cut.Rows()), expected) << perPiece << " lines a piece";
    }
}

TEST(PairRatesCut, RefusesABodyOnceTheWholeTableWouldPassTheBudget) {
    const std::size_t needed = FeedTable(kFeedRates, kBody).NeededBytes();
    EXPECT_THROW(FeedTable(kFeedRates, kBody, needed - 1), ETableTooLarge);
    const std::vector<std::string> lines = Lines(kBody);
    TPairRatesCut exact("wmz", "btc", needed);
    TPairRatesCut short_of_it("wmz", "btc", needed - 1);
    for (std::size_t i = 0; i + 1 < lines.size(); ++i) {
        exact.Add(lines[i]);
        short_of_it.Add(lines[i]);
    }
    exact.Add(lines.back());
    try {
        short_of_it.Add(lines.back());
        FAIL() << "the last row passes the budget";
    } catch (const ETableTooLarge& error) {
        EXPECT_EQ(error.Budget(), needed - 1);
    }
}
