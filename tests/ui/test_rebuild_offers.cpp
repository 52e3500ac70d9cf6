#include "offer_test_rows.h"
#include "ui/RebuildOffers.h"

#include <QSignalSpy>
#include <gtest/gtest.h>

namespace {

// Feeds in the shape the service sends: names (code, display name, extra), rates (exchanger, source code,
// target code, give, get, reserve) and exchangers (id, name, BL, flag).
struct TFeeds {
    TStringMatrix Names{{"wmz", "WebMoney WMZ", "x"}, {"rub", "Рубли", "x"}, {"btc", "Bitcoin", "x"}};
    TStringMatrix Rates;
    TStringMatrix Exchangers;
    TOfferControls Controls{"WebMoney WMZ", "Рубли", "", ""};

    // N exchangers (ids 11, 12, ...) quoting wmz -> rub; the later in the feed, the less they ask, so the
    // shown order is the reverse of the feed order.
    static TFeeds WithQuotes(int N) {
        TFeeds feeds;
        for (int k = 1; k <= N; ++k) {
            const std::string id = std::to_string(10 + k);
            feeds.Exchangers.push_back({id, "Exchanger " + id, "", ""});
            feeds.Rates.push_back({id, "wmz", "rub", std::to_string(N + 1 - k), "1", "5000"});
        }
        return feeds;
    }
};

void Rebuild(TDBGridRates& Grid, const TFeeds& Feeds) {
    TQuoteRows quotes;
    RebuildOffers(Grid, Feeds.Rates, Feeds.Names, Feeds.Exchangers, Feeds.Controls, quotes);
}

QStringList RowTexts(const TDBGridRates& Grid, int Row) {
    QStringList texts;
    for (int column = 1; column < TMemTableRates::kColumnCount; ++column)
        texts << Grid.Model().data(Grid.Model().index(Row, column)).toString();
    return texts;
}

TEST(RebuildOffers, ShowsTheComputedOffersForTheAmounts) {
    TFeeds feeds;
    feeds.Exchangers = {{"7", "Быстрый обмен", "3", "1"}, {"8", "Slow", "4", ""}};
    feeds.Rates = {{"7", "wmz", "rub", "1", "3", "0.125"},
                   {"8", "wmz", "rub", "1", "30.5", "5000"},
                   {"8", "wmz", "btc", "1", "1", "1"}};
    TDBGridRates grid;

    Rebuild(grid, feeds); // no amounts: the quotes as they stand; of equal SrcRate, the one that gets more
    ASSERT_EQ(grid.Model().rowCount(), 2);
    EXPECT_EQ(RowTexts(grid, 0), (QStringList{"Slow", "1", "30.5", "5000", ""}));
    EXPECT_EQ(RowTexts(grid, 1), (QStringList{"Быстрый обмен", "1", "3", "0.12", "3"}));

    feeds.Rates = {{"7", "wmz", "rub", "1", "3", "10"},
                   {"8", "wmz", "rub", "1", "30.5", "5000"},
                   {"8", "wmz", "btc", "1", "1", "1"}};
    feeds.Controls.DstAmountText = "1";
    Rebuild(grid, feeds);
    ASSERT_EQ(grid.Model().rowCount(), 2);
    EXPECT_EQ(RowTexts(grid, 0), (QStringList{"Slow", "0.0328", "1", "5000", ""}));
    EXPECT_EQ(RowTexts(grid, 1), (QStringList{"Быстрый обмен", "0.3333", "1", "10", "3"}));

    feeds.Controls.DstAmountText = "";
    feeds.Controls.SrcAmountText = "100";
    Rebuild(grid, feeds);
    ASSERT_EQ(grid.Model().rowCount(), 1);
    EXPECT_EQ(RowTexts(grid, 0), (QStringList{"Slow", "100", "3050", "5000", ""}));
}

TEST(RebuildOffers, KeepsTheCurrentRowNumberOnlyWhenTheNewTableHasThatManyRows) {
    TShownGrid shown(std::vector<TOfferRow>{});
    TDBGridRates& grid = shown.Grid;
    Rebuild(grid, TFeeds::WithQuotes(6));
    EXPECT_EQ(grid.CurrentRowNumber(), 1); // no row was current: start at the top
    grid.SetCurrentRowNumber(2);
    Rebuild(grid, TFeeds::WithQuotes(4));
    EXPECT_EQ(grid.CurrentRowNumber(), 2);
    EXPECT_EQ(grid.CurrentOffer()->EID, 13); // second cheapest of four: ids 14, 13, 12, 11
    EXPECT_TRUE(grid.selectionModel()->isRowSelected(1, {}));

    Rebuild(grid, TFeeds::WithQuotes(6));
    grid.SetCurrentRowNumber(5);
    Rebuild(grid, TFeeds::WithQuotes(3));
    EXPECT_EQ(grid.CurrentRowNumber(), 3);
    EXPECT_EQ(grid.CurrentOffer()->EID, 11);

    TFeeds unknown = TFeeds::WithQuotes(3);
    unknown.Controls.SrcName = "no such currency";
    Rebuild(grid, unknown);
    EXPECT_EQ(grid.Model().rowCount(), 0);
    EXPECT_EQ(grid.CurrentRowNumber(), 0);
}

TEST(RebuildOffers, SetsTheDefaultOrderWithItsMarkerOnly) {
    TShownGrid shown(std::vector<TOfferRow>{});
    TDBGridRates& grid = shown.Grid;
    Rebuild(grid, TFeeds::WithQuotes(4));
    ClickTitle(grid, TOfferField::Exchanger, Qt::ControlModifier);
    ClickTitle(grid, TOfferField::Reserve, Qt::ControlModifier);
    QTest::keyRelease(&grid, Qt::Key_Control);
    ASSERT_EQ(grid.Order().size(), 2u);

    Rebuild(grid, TFeeds::WithQuotes(4));
    EXPECT_EQ(grid.Order(), (TSortOrder{kDefaultOrder}));
    EXPECT_EQ(grid.TitleHeader().Markers(), (TSortOrder{kDefaultOrder}));
    EXPECT_EQ(Eids(grid.Model().Rows()), (std::vector<int>{14, 13, 12, 11}));
}

TEST(RebuildOffers, AfterAFeedKeepsTheAmountsOrTheUsersOrderAndANewOrderStartsAtTheTop) {
    TShownGrid shown(std::vector<TOfferRow>{});
    TDBGridRates& grid = shown.Grid;
    TFeeds feeds = TFeeds::WithQuotes(4);
    TQuoteRows quotes;
    const auto afterFeed = [&] {
        RebuildOffersAfterFeed(grid, feeds.Rates, feeds.Names, feeds.Exchangers, feeds.Controls, quotes);
    };
    afterFeed(); // neither amounts nor the user chose: the default order
    EXPECT_EQ(grid.Order(), (TSortOrder{kDefaultOrder}));
    grid.SetCurrentRowNumber(3);

    // Half a unit given: everyone gives 0.5, so only the amounts' order puts the most received first.
    feeds.Controls.SrcAmountText = "0,5";
    afterFeed();
    EXPECT_EQ(grid.Order(), (TSortOrder{{TOfferField::DstRate, true}}));
    EXPECT_EQ(grid.TitleHeader().Markers(), (TSortOrder{{TOfferField::DstRate, true}}));
    EXPECT_EQ(Eids(grid.Model().Rows()), (std::vector<int>{14, 13, 12, 11}));
    EXPECT_EQ(grid.CurrentRowNumber(), 1); // the order changed: the best offer is current
    EXPECT_EQ(RowTexts(grid, 0).mid(1, 2), (QStringList{"0.5", "0.5"}));

    feeds.Controls.DstAmountText = "2";
    afterFeed();
    EXPECT_EQ(grid.Order(), (TSortOrder{kDefaultOrder}));

    // The user's own sort outlives every refresh, and the row the user stands on stays.
    ClickTitle(grid, TOfferField::Exchanger);
    ClickTitle(grid, TOfferField::Exchanger);
    EXPECT_EQ(grid.CurrentRowNumber(), 1);
    grid.SetCurrentRowNumber(2);
    afterFeed();
    EXPECT_EQ(grid.Order(), (TSortOrder{{TOfferField::Exchanger, true}}));
    EXPECT_EQ(grid.UserOrder(), grid.Order());
    EXPECT_EQ(grid.CurrentRowNumber(), 2);
    // Until the program sets an order: then the next refresh follows the amounts again.
    grid.SetOrder({kDefaultOrder});
    feeds.Controls.DstAmountText.clear();
    afterFeed();
    EXPECT_EQ(grid.Order(), (TSortOrder{{TOfferField::DstRate, true}}));
}

TEST(RebuildOffers, RefillsWithOneResetAndPaintingRestored) {
    TShownGrid shown(std::vector<TOfferRow>{});
    TDBGridRates& grid = shown.Grid;
    QSignalSpy resets(&grid.Model(), &QAbstractItemModel::modelReset);
    QSignalSpy inserts(&grid.Model(), &QAbstractItemModel::rowsInserted);
    Rebuild(grid, TFeeds::WithQuotes(50));
    EXPECT_EQ(resets.count(), 1);
    EXPECT_EQ(inserts.count(), 0);
    EXPECT_TRUE(grid.updatesEnabled());
    EXPECT_EQ(grid.Model().rowCount(), 50);
}

TEST(RebuildOffers, DoesNothingAtAllWithoutEveryTableAndBothCurrencies) {
    TShownGrid shown(std::vector<TOfferRow>{});
    TDBGridRates& grid = shown.Grid;
    const TFeeds full = TFeeds::WithQuotes(5);
    Rebuild(grid, full);
    grid.SetOrder({{TOfferField::Exchanger, true}});
    grid.SetCurrentRowNumber(4);
    const std::vector<int> rows = Eids(grid.Model().Rows());

    std::vector<TFeeds> lacking(5, full);
    lacking[0].Exchangers.clear();
    lacking[1].Rates.clear();
    lacking[2].Names.clear();
    lacking[3].Controls.SrcName.reset();
    lacking[4].Controls.DstName.reset();
    QSignalSpy resets(&grid.Model(), &QAbstractItemModel::modelReset);
    QSignalSpy layouts(&grid.Model(), &QAbstractItemModel::layoutChanged);
    for (std::size_t i = 0; i < lacking.size(); ++i) {
        Rebuild(grid, lacking[i]);
        EXPECT_EQ(Eids(grid.Model().Rows()), rows) << i;
        EXPECT_EQ(grid.Order(), (TSortOrder{{TOfferField::Exchanger, true}})) << i;
        EXPECT_EQ(grid.CurrentRowNumber(), 4) << i;
    }
    EXPECT_EQ(resets.count(), 0);
    EXPECT_EQ(layouts.count(), 0);
}

} // namespace
