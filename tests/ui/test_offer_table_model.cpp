#include "offer_test_rows.h"
#include "ui/OfferTableModel.h"

#include <QAbstractItemModelTester>
#include <QPersistentModelIndex>
#include <QSignalSpy>
#include <gtest/gtest.h>

namespace {

QString Cell(const TMemTableRates& Model, int Row, TOfferField Field, int Role = Qt::DisplayRole) {
    return Model.data(Model.index(Row, static_cast<int>(Field)), Role).toString();
}

TEST(MemTableRates, PassesTheModelTesterThroughFillSortAndClear) {
    TMemTableRates model;
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Fatal);
    model.Fill(SampleOffers());
    const QPersistentModelIndex kept = model.index(1, 1);
    model.Sort({{TOfferField::SrcRate, true}});
    model.Sort({{TOfferField::Exchanger, false}, {TOfferField::BL, true}});
    EXPECT_TRUE(kept.isValid());
    model.Clear();
    EXPECT_EQ(model.rowCount(), 0);
    EXPECT_FALSE(kept.isValid());
}

TEST(MemTableRates, ShowsTitlesInFieldOrderAndNoRowTitles) {
    TMemTableRates model;
    const QStringList expected{"", "Обменник", "Отдаёте", "Получаете", "Резерв", "BL"};
    ASSERT_EQ(model.columnCount(), expected.size());
    for (int column = 0; column < model.columnCount(); ++column)
        EXPECT_EQ(model.headerData(column, Qt::Horizontal).toString(), expected[column]) << column;
    model.Fill(SampleOffers());
    EXPECT_FALSE(model.headerData(0, Qt::Vertical).isValid());
}

TEST(MemTableRates, CellTextsAlignmentAndRawKeys) {
    TMemTableRates model;
    model.Fill({OfferRow(7, "Обмен-24", 0.3333, 3050, 0.12), OfferRow(8, "X", 1e-4, 30.5, 5000, 3)});
    EXPECT_EQ(Cell(model, 0, TOfferField::Exchanger), "Обмен-24");
    EXPECT_EQ(Cell(model, 0, TOfferField::SrcRate), "0.3333");
    EXPECT_EQ(Cell(model, 0, TOfferField::DstRate), "3050");
    EXPECT_EQ(Cell(model, 0, TOfferField::Reserve), "0.12");
    EXPECT_EQ(Cell(model, 0, TOfferField::BL), "");
    EXPECT_EQ(Cell(model, 1, TOfferField::DstRate), "30.5");
    EXPECT_EQ(Cell(model, 1, TOfferField::BL), "3");

    const auto alignment = [&](TOfferField field) {
        return model.data(model.index(0, static_cast<int>(field)), Qt::TextAlignmentRole).toInt() &
               Qt::AlignHorizontal_Mask;
    };
    EXPECT_EQ(alignment(TOfferField::Exchanger), Qt::AlignLeft);
    for (TOfferField field :
         {TOfferField::SrcRate, TOfferField::DstRate, TOfferField::Reserve, TOfferField::BL})
        EXPECT_EQ(alignment(field), Qt::AlignRight);

    // Sorting looks at values, not texts: "3050" must come after "30.5" and a null BL is no number.
    const auto raw = [&](int row, TOfferField field) {
        return model.data(model.index(row, static_cast<int>(field)), TMemTableRates::kRawKeyRole);
    };
    EXPECT_EQ(raw(0, TOfferField::DstRate).toDouble(), 3050.0);
    EXPECT_EQ(raw(1, TOfferField::EID).toInt(), 8);
    EXPECT_FALSE(raw(0, TOfferField::BL).isValid());
    EXPECT_EQ(raw(1, TOfferField::BL).toInt(), 3);

    EXPECT_FALSE(model.flags(model.index(0, 1)) & Qt::ItemIsEditable);
    EXPECT_FALSE(model.data(model.index(5, 1)).isValid());
}

TEST(MemTableRates, FillIsOneResetWithoutRowInserts) {
    TMemTableRates model;
    QSignalSpy resets(&model, &QAbstractItemModel::modelReset);
    QSignalSpy inserts(&model, &QAbstractItemModel::rowsInserted);
    model.Fill(SampleOffers());
    model.Fill(SampleOffers());
    model.Clear();
    EXPECT_EQ(resets.count(), 3);
    EXPECT_EQ(inserts.count(), 0);
}

TEST(MemTableRates, SortIsStableAndOneLayoutChange) {
    TMemTableRates model;
    model.Fill(SampleOffers());
    QSignalSpy layouts(&model, &QAbstractItemModel::layoutChanged);
    model.Sort({{TOfferField::SrcRate, false}});
    EXPECT_EQ(Eids(model.Rows()),
              (std::vector<int>{2, 3, 4, 1})); // 3 before 4: equal SrcRate, fill order kept
    model.Sort({{TOfferField::SrcRate, true}, {TOfferField::DstRate, true}});
    EXPECT_EQ(Eids(model.Rows()), (std::vector<int>{1, 4, 3, 2}));
    model.sort(static_cast<int>(TOfferField::DstRate), Qt::AscendingOrder);
    EXPECT_EQ(Eids(model.Rows()), (std::vector<int>{1, 3, 2, 4}));
    EXPECT_EQ(layouts.count(), 3);
}

TEST(MemTableRates, PersistentIndexesFollowTheirRowsEvenAmongIdenticalRows) {
    TMemTableRates model;
    // Rows 0 and 2 are identical; the sort must not swap which persistent index points at which copy.
    model.Fill({OfferRow(5, "same", 9, 1, 1), OfferRow(6, "other", 1, 1, 1), OfferRow(5, "same", 9, 1, 1),
                OfferRow(7, "last", 4, 1, 1)});
    std::vector<QPersistentModelIndex> kept;
    for (int row = 0; row < model.rowCount(); ++row)
        kept.emplace_back(model.index(row, 2));
    model.Sort({{TOfferField::SrcRate, false}});
    EXPECT_EQ(Eids(model.Rows()), (std::vector<int>{6, 7, 5, 5}));
    EXPECT_EQ(kept[0].row(), 2);
    EXPECT_EQ(kept[1].row(), 0);
    EXPECT_EQ(kept[2].row(), 3);
    EXPECT_EQ(kept[3].row(), 1);
    for (const auto& index : kept)
        EXPECT_EQ(index.column(), 2);
}

} // namespace
