#include "offer_test_rows.h"
#include "ui/FindDialog.h"

#include <QApplication>
#include <QLineEdit>
#include <QSignalSpy>
#include <gtest/gtest.h>

namespace {

using TMarker = TOrderHeader::TMarker;

std::optional<TMarker> MarkerOn(const TDBGridRates& Grid, TOfferField Field) {
    return Grid.TitleHeader().MarkerOf(static_cast<int>(Field));
}

int CountMarkers(const TDBGridRates& Grid) {
    int count = 0;
    for (int column = 0; column < TMemTableRates::kColumnCount; ++column)
        count += Grid.TitleHeader().MarkerOf(column).has_value();
    return count;
}

TEST(DBGridRates, SettingsSurviveARefill) {
    TShownGrid shown;
    TDBGridRates& grid = shown.Grid;
    grid.Model().Fill(SampleOffers()); // a model reset must not lose widths or the hidden id column
    EXPECT_EQ(grid.objectName(), "DBGridRates");
    EXPECT_FALSE(grid.accessibleName().isEmpty());
    EXPECT_EQ(grid.editTriggers(), QAbstractItemView::NoEditTriggers);
    EXPECT_EQ(grid.selectionBehavior(), QAbstractItemView::SelectRows);
    EXPECT_EQ(grid.selectionMode(), QAbstractItemView::SingleSelection);
    EXPECT_TRUE(grid.isColumnHidden(0));
    for (int column = 1; column < TMemTableRates::kColumnCount; ++column) {
        EXPECT_FALSE(grid.isColumnHidden(column));
        EXPECT_EQ(grid.columnWidth(column), TDBGridRates::kColumnWidths[column]) << column;
    }
    EXPECT_EQ(grid.verticalHeader()->width(), TRowMarkerHeader::kWidth);
    EXPECT_EQ(grid.verticalHeader()->sectionResizeMode(0), QHeaderView::Fixed);
}

TEST(DBGridRates, TitleClicksSortAscendingThenReverseAndMoveTheMarker) {
    TShownGrid shown;
    TDBGridRates& grid = shown.Grid;

    ClickTitle(grid, TOfferField::DstRate);
    EXPECT_EQ(grid.Order(), (TSortOrder{{TOfferField::DstRate, false}}));
    EXPECT_EQ(Eids(grid.Model().Rows()), (std::vector<int>{1, 3, 2, 4}));
    EXPECT_EQ(MarkerOn(grid, TOfferField::DstRate), (TMarker{false, 1}));
    EXPECT_EQ(CountMarkers(grid), 1);
    EXPECT_EQ(grid.TitleHeader().TitleText(static_cast<int>(TOfferField::DstRate)), "Получаете ▲");

    ClickTitle(grid, TOfferField::DstRate);
    EXPECT_EQ(grid.Order(), (TSortOrder{{TOfferField::DstRate, true}}));
    EXPECT_EQ(Eids(grid.Model().Rows()), (std::vector<int>{4, 2, 3, 1}));
    EXPECT_EQ(grid.TitleHeader().TitleText(static_cast<int>(TOfferField::DstRate)), "Получаете ▼");

    ClickTitle(grid, TOfferField::DstRate);
    EXPECT_EQ(grid.Order(), (TSortOrder{{TOfferField::DstRate, false}}));

    ClickTitle(grid, TOfferField::Reserve);
    EXPECT_EQ(grid.Order(), (TSortOrder{{TOfferField::Reserve, false}}));
    EXPECT_EQ(Eids(grid.Model().Rows()), (std::vector<int>{2, 4, 3, 1}));
    EXPECT_FALSE(MarkerOn(grid, TOfferField::DstRate));
    EXPECT_EQ(CountMarkers(grid), 1);
    EXPECT_EQ(grid.TitleHeader().TitleText(static_cast<int>(TOfferField::DstRate)), "Получаете");
}

TEST(DBGridRates, ANewOrderMakesItsFirstRowCurrentAndTheSameOrderKeepsTheRow) {
    TShownGrid shown;
    TDBGridRates& grid = shown.Grid;
    grid.SetCurrentRowNumber(2); // alpha, EID 2
    ClickTitle(grid, TOfferField::DstRate);
    EXPECT_EQ(grid.CurrentRowNumber(), 1);
    ASSERT_TRUE(grid.CurrentOffer());
    EXPECT_EQ(grid.CurrentOffer()->EID, grid.Model().Rows().front().EID);
    EXPECT_TRUE(grid.selectionModel()->isRowSelected(0, {}));
    grid.SetCurrentRowNumber(3);
    grid.SetOrder(grid.Order());
    EXPECT_EQ(grid.CurrentRowNumber(), 3);
}

TEST(DBGridRates, CtrlClicksBuildAnOrderAppliedOnlyWhenCtrlIsReleased) {
    TShownGrid shown;
    TDBGridRates& grid = shown.Grid;
    grid.SetOrder({kDefaultOrder});
    const std::vector<int> before = Eids(grid.Model().Rows());

    ClickTitle(grid, TOfferField::SrcRate, Qt::ControlModifier);
    ClickTitle(grid, TOfferField::DstRate, Qt::ControlModifier);
    ClickTitle(grid, TOfferField::SrcRate, Qt::ControlModifier); // already listed: reversed, keeps its rank
    EXPECT_EQ(grid.Order(), (TSortOrder{kDefaultOrder}));
    EXPECT_EQ(Eids(grid.Model().Rows()), before);
    EXPECT_EQ(grid.PendingOrder(), (TSortOrder{{TOfferField::SrcRate, true}, {TOfferField::DstRate, false}}));
    EXPECT_EQ(MarkerOn(grid, TOfferField::SrcRate),
              (TMarker{true, 1})); // the titles show what Ctrl will apply

    QTest::keyRelease(&grid, Qt::Key_Control);
    const TSortOrder expected{{TOfferField::SrcRate, true}, {TOfferField::DstRate, false}};
    EXPECT_EQ(grid.Order(), expected);
    EXPECT_TRUE(grid.PendingOrder().empty());
    EXPECT_EQ(Eids(grid.Model().Rows()), (std::vector<int>{1, 3, 4, 2}));
    EXPECT_EQ(MarkerOn(grid, TOfferField::SrcRate), (TMarker{true, 1}));
    EXPECT_EQ(MarkerOn(grid, TOfferField::DstRate), (TMarker{false, 2}));
    EXPECT_EQ(CountMarkers(grid), 2);
    EXPECT_EQ(grid.TitleHeader().TitleText(static_cast<int>(TOfferField::DstRate)), "Получаете ▲2");

    // A plain click afterwards starts over with one column.
    ClickTitle(grid, TOfferField::Exchanger);
    EXPECT_EQ(grid.Order(), (TSortOrder{{TOfferField::Exchanger, false}}));
    EXPECT_EQ(CountMarkers(grid), 1);
}

TEST(DBGridRates, CtrlReleasedOverAnotherWidgetStillAppliesThePendingOrder) {
    TShownGrid shown;
    TDBGridRates& grid = shown.Grid;
    QLineEdit elsewhere;
    ClickTitle(grid, TOfferField::Reserve, Qt::ControlModifier);
    QTest::keyRelease(&elsewhere, Qt::Key_Shift);
    EXPECT_TRUE(grid.Order().empty());
    QTest::keyRelease(&elsewhere, Qt::Key_Control);
    EXPECT_EQ(grid.Order(), (TSortOrder{{TOfferField::Reserve, false}}));
    EXPECT_EQ(Eids(grid.Model().Rows()), (std::vector<int>{2, 4, 3, 1}));

    // A release that never reached the program shows as a later press without Ctrl.
    ClickTitle(grid, TOfferField::DstRate, Qt::ControlModifier);
    QTest::mouseClick(&elsewhere, Qt::LeftButton, Qt::ControlModifier);
    EXPECT_EQ(grid.Order(), (TSortOrder{{TOfferField::Reserve, false}}));
    QTest::mouseClick(&elsewhere, Qt::LeftButton);
    EXPECT_EQ(grid.Order(), (TSortOrder{{TOfferField::DstRate, false}}));
}

TEST(DBGridRates, SetOrderFromOutsideReplacesMarkersAndDropsAPendingOrder) {
    TShownGrid shown;
    TDBGridRates& grid = shown.Grid;
    ClickTitle(grid, TOfferField::Exchanger, Qt::ControlModifier);
    grid.SetOrder({{TOfferField::DstRate, true}});
    QTest::keyRelease(&grid, Qt::Key_Control);
    EXPECT_EQ(grid.Order(), (TSortOrder{{TOfferField::DstRate, true}}));
    EXPECT_EQ(MarkerOn(grid, TOfferField::DstRate), (TMarker{true, 1}));
    EXPECT_EQ(CountMarkers(grid), 1);
}

TEST(DBGridRates, DoubleClickSignalsOnARowOnly) {
    TShownGrid shown;
    TDBGridRates& grid = shown.Grid;
    QSignalSpy spy(&grid, &TDBGridRates::DblClick);
    const QRect cell = grid.visualRect(grid.Model().index(1, 1));
    QTest::mouseDClick(grid.viewport(), Qt::LeftButton, {}, cell.center());
    EXPECT_EQ(spy.count(), 1);
    EXPECT_EQ(grid.CurrentRowNumber(), 2);

    QTest::mouseDClick(grid.TitleHeader().viewport(), Qt::LeftButton, {},
                       TitleCentre(grid, TOfferField::SrcRate));
    const QPoint belowRows(20, grid.viewport()->height() - 3);
    QTest::mouseDClick(grid.viewport(), Qt::LeftButton, {}, belowRows);
    EXPECT_EQ(spy.count(), 1);

    grid.Model().Clear();
    QTest::mouseDClick(grid.viewport(), Qt::LeftButton, {}, QPoint(40, 10));
    EXPECT_EQ(spy.count(), 1);
    EXPECT_EQ(grid.CurrentRowNumber(), 0);
    EXPECT_FALSE(grid.CurrentOffer());
}

TEST(DBGridRates, CurrentRowNumbersAreOneBasedAndOutOfRangeMeansNone) {
    TShownGrid shown;
    TDBGridRates& grid = shown.Grid;
    EXPECT_EQ(grid.CurrentRowNumber(), 1); // a refilled table starts on its first row
    grid.SetCurrentRowNumber(4);
    EXPECT_EQ(grid.CurrentOffer()->EID, 4);
    grid.SetCurrentRowNumber(5);
    EXPECT_EQ(grid.CurrentRowNumber(), 0);
    grid.SetCurrentRowNumber(3);
    grid.SetCurrentRowNumber(0);
    EXPECT_EQ(grid.CurrentRowNumber(), 0);
    EXPECT_TRUE(grid.selectionModel()->selectedRows().isEmpty());
}

// Pixels darker than the section background, in a row's part of the indicator column.
int DarkPixels(const QImage& Image, const QHeaderView& Header, int Row) {
    int dark = 0;
    const int top = Header.sectionViewportPosition(Row);
    for (int y = top; y < top + Header.sectionSize(Row); ++y)
        for (int x = 2; x < Image.width() - 2; ++x)
            dark += qGray(Image.pixel(x, y)) < 96;
    return dark;
}

TEST(DBGridRates, IndicatorColumnMarksTheCurrentRowOnly) {
    TShownGrid shown;
    TDBGridRates& grid = shown.Grid;
    QHeaderView& indicator = *grid.verticalHeader();
    grid.SetCurrentRowNumber(3);
    QImage image = indicator.grab().toImage();
    EXPECT_GT(DarkPixels(image, indicator, 2), DarkPixels(image, indicator, 1) + 4);
    EXPECT_EQ(DarkPixels(image, indicator, 0), DarkPixels(image, indicator, 1));
    EXPECT_TRUE(indicator.model()->headerData(2, Qt::Vertical).toString().isEmpty());

    grid.SetCurrentRowNumber(1);
    image = indicator.grab().toImage();
    EXPECT_GT(DarkPixels(image, indicator, 0), DarkPixels(image, indicator, 2) + 4);
}

TEST(DBGridRates, CtrlFOpensTheFindDialogWithoutBlocking) {
    TShownGrid shown;
    TDBGridRates& grid = shown.Grid;
    EXPECT_EQ(grid.findChild<TFindDialog*>(), nullptr);
    QTest::keyClick(&grid, Qt::Key_F, Qt::ControlModifier);
    auto* dialog = grid.findChild<TFindDialog*>();
    ASSERT_NE(dialog, nullptr);
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_FALSE(dialog->isModal());
    EXPECT_EQ(dialog->windowTitle(), "Найти");
    QTest::keyClick(&grid, Qt::Key_F, Qt::ControlModifier);
    EXPECT_EQ(grid.findChildren<TFindDialog*>().size(), 1);
}

} // namespace
