// A rates body cut while it arrives must give the table of the whole body, however its pieces fall, or give
// nothing and leave the body to the usual cut.

#include "engine/EarlyCut.h"
#include "engine/Protocol.h"

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <thread>

namespace {

// Follows Body arriving Piece bytes at a time, with every call a reading thread makes, and gives what the cut
// made of it (over Body itself).
std::optional<TStringMatrix> CutWhileArriving(const std::shared_ptr<const std::string>& Body,
                                              std::size_t Piece, std::size_t Budget = kFeedTableBudget,
                                              std::size_t BreakOffAt = std::string::npos,
                                              bool LookedAtEachPiece = true) {
    TEarlyCut cut(std::string(kRatesPattern), Budget, 0);
    cut.Began(Body->data(), Body->size());
    for (std::size_t in = Piece; in < Body->size() + Piece; in += Piece) {
        if (in >= BreakOffAt) {
            cut.Ended(false);
            return cut.TakeRows(*Body) ? std::optional(TStringMatrix()) : std::nullopt;
        }
        cut.Arrived(std::min(in, Body->size()));
        // Each piece is looked at before the next arrives, as when the network is the slower side.
        while (LookedAtEachPiece && cut.Looked() < std::min(in, Body->size())) {
            std::this_thread::yield();
        }
    }
    cut.Ended(true);
    auto rows = cut.TakeRows(*Body);
    if (!rows) {
        return std::nullopt;
    }
    return TStringMatrix(TSharedText(Body), std::move(*rows));
}

std::shared_ptr<const std::string> Shared(std::string Text) {
    return std::make_shared<const std::string>(std::move(Text));
}

TEST(EarlyCut, FindsTheRowsOfTheWholeBodyHoweverItArrives) {
    const std::string rows = "12;wmz;yandex rub;1;30.5;1000\n7;BTC;eth;0.5;3;12.25\r\n"
                             "heading of ten words that is not a record at all\n"
                             "130;usdt trc20;k\xE2\x84\xAA;1;1;1\n5;a;b;1;2;3;4;5\n\n";
    std::string longLine(5000, 'x');
    longLine += "\xD0\x96;9;q;w;1;2;3\n";
    const std::string bodies[] = {
        rows + rows + rows,
        rows + longLine + rows + "99;ltc;xmr;1;2;3", // no line end after the last record
        rows + "99;ltc;xmr;1;2;",                    // a record cut short at the end
        "\xD0\x9A\xD0\xB8\xD1\x80\xD0\xB8\xD0\xBB\xD0\xBB\xD0\xB8\xD1\x86\xD0\xB0\n" + rows + longLine,
    };
    for (const std::string& text : bodies) {
        const auto body = Shared(text);
        const TStringMatrix whole = FeedTableShared(kFeedRates, body);
        for (const std::size_t piece : {1, 3, 64, 4096, 1 << 20}) {
            SCOPED_TRACE("piece " + std::to_string(piece) + ", body of " + std::to_string(text.size()));
            const auto early = CutWhileArriving(body, piece);
            ASSERT_TRUE(early.has_value());
            EXPECT_EQ(*early, whole);
            EXPECT_EQ(early->size(), whole.size());
        }
    }

    // Megabytes that come faster than they are cut: the reading thread searches the rest from its middle.
    std::string block = rows + longLine;
    std::string big;
    while (big.size() < (3 << 20)) {
        big += block;
        block += "1;a;b;1;1;1\n"; // no fixed place in a block where the reading thread starts
    }
    const auto body = Shared(big);
    for (const std::size_t piece : {std::size_t{1} << 20, big.size()}) {
        const auto early = CutWhileArriving(body, piece, kFeedTableBudget, std::string::npos, false);
        ASSERT_TRUE(early.has_value());
        EXPECT_EQ(*early, FeedTableShared(kFeedRates, body));
    }
}

TEST(EarlyCut, LeavesWhatItCannotVouchForToTheUsualCut) {
    const std::string rows = "12;wmz;yandex rub;1;30.5;1000\n7;BTC;eth;0.5;3;12.25\n";
    // A malformed byte: the usual cut reads the body leniently into a text of its own.
    EXPECT_FALSE(CutWhileArriving(Shared(rows + "bad\xFF\n" + rows), 7));
    // Past the budget: the usual cut refuses it in its own words.
    EXPECT_FALSE(CutWhileArriving(Shared(rows + rows + rows), 7, 40));
    // Broken off before its end.
    EXPECT_FALSE(CutWhileArriving(Shared(rows + rows), 7, kFeedTableBudget, 40));

    // Another body than the one followed, if only a copy of it.
    const auto body = Shared(rows + rows);
    TEarlyCut cut(std::string(kRatesPattern), kFeedTableBudget, 0);
    cut.Began(body->data(), body->size());
    cut.Arrived(body->size());
    cut.Ended(true);
    EXPECT_FALSE(cut.TakeRows(std::string(*body)));
    EXPECT_TRUE(cut.TakeRows(*body));

    // A short body is not followed at all.
    TEarlyCut small(std::string(kRatesPattern), kFeedTableBudget);
    small.Began(body->data(), body->size());
    small.Arrived(body->size());
    small.Ended(true);
    EXPECT_FALSE(small.TakeRows(*body));
}

} // namespace
