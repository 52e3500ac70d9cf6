#include "offer_test_rows.h"
#include "ui/FindDialog.h"

#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStandardItemModel>
#include <gtest/gtest.h>

namespace {

// Rows of two columns: a name and a hidden-looking code.
void FillNames(QStandardItemModel& model, const QStringList& Names) {
    model.setRowCount(Names.size());
    model.setColumnCount(2);
    for (int row = 0; row < Names.size(); ++row) {
        model.setItem(row, 0, new QStandardItem(Names[row]));
        model.setItem(row, 1, new QStandardItem(QStringLiteral("code%1").arg(row)));
    }
}

TEST(FindNextRow, SearchesFromTheRowAfterTheCurrentOne) {
    const QStringList names{"Alpha", "beta", "Gamma", "alphabet", "Delta"};
    struct TCase {
        const char* Name;
        int From;
        QString Text;
        TFindOptions Options;
        int Row;
    };
    const TCase cases[] = {
        {"no current row starts at the top", -1, "alpha", {}, 0},
        {"skips the current row", 0, "alpha", {}, 3},
        {"wraps past the end", 3, "alpha", {}, 0},
        {"without wrap stops at the end", 3, "alpha", {false, true, false}, -1},
        {"the only match is the current row", 2, "gamma", {}, 2},
        {"case-sensitive misses other cases", -1, "ALPHA", {true, true, true}, -1},
        {"case-sensitive finds the exact case", 0, "alpha", {true, true, true}, 3},
        {"up goes towards the first row", 3, "a", {false, false, false}, 2},
        {"up without current starts at the bottom", -1, "Alpha", {false, false, false}, 3},
        {"up wraps past the top", 0, "delta", {false, false, true}, 4},
        {"substring in the middle", -1, "ET", {}, 1},
        {"nothing matches", 1, "omega", {}, -1},
        {"empty text finds nothing", 1, "", {}, -1},
        {"searches only the given columns", -1, "code2", {}, -1},
    };
    QStandardItemModel model;
    FillNames(model, names);
    for (const TCase& c : cases)
        EXPECT_EQ(FindNextRow(model, {0}, c.From, c.Text, c.Options).Row, c.Row) << c.Name;
    EXPECT_EQ(FindNextRow(model, {0, 1}, -1, "code2", {}).Row, 2);
    EXPECT_EQ(FindNextRow(model, {0, 1}, -1, "code2", {}).Column, 1);
    QStandardItemModel empty;
    EXPECT_EQ(FindNextRow(empty, {0}, -1, "a", {}).Row, -1);
}

struct TFindFixture : ::testing::Test {
    TShownGrid Shown{{OfferRow(987654, "Alpha", 1, 2, 3), OfferRow(2, "beta", 4, 5, 6),
                      OfferRow(3, "ALPHA-2", 7, 8, 9, 11), OfferRow(4, "gamma", 10, 11, 12)}};
    TDBGridRates& Grid = Shown.Grid;
    TFindDialog& Dialog = Grid.OpenFindDialog();

    void Search(const QString& Text) {
        auto* edit = Dialog.findChild<QLineEdit*>("EditFind");
        edit->clear();
        QTest::keyClicks(edit, Text);
        QTest::mouseClick(Dialog.findChild<QPushButton*>("ButtonFindNext"), Qt::LeftButton);
    }
};

TEST_F(TFindFixture, MovesTheCurrentRowToEachMatchInTurnAndWraps) {
    Grid.SetCurrentRowNumber(1);
    Search("alpha");
    EXPECT_EQ(Grid.CurrentRowNumber(), 3);
    EXPECT_TRUE(Dialog.StatusText().isEmpty());
    QTest::mouseClick(Dialog.findChild<QPushButton*>("ButtonFindNext"), Qt::LeftButton);
    EXPECT_EQ(Grid.CurrentRowNumber(), 1);
    EXPECT_TRUE(Grid.selectionModel()->isRowSelected(0, {}));

    Search("11"); // DstRate of row 4 and BL of row 3: the first one after the current row wins
    EXPECT_EQ(Grid.CurrentRowNumber(), 3);
}

TEST_F(TFindFixture, SaysNotFoundInTheDialogAndLeavesTheCurrentRow) {
    Grid.SetCurrentRowNumber(2);
    Search("987654"); // only in the hidden EID column
    EXPECT_EQ(Dialog.StatusText(), TFindDialog::kNotFound);
    EXPECT_EQ(Grid.CurrentRowNumber(), 2);
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);

    Dialog.findChild<QCheckBox*>("CheckBoxWrap")->setChecked(false);
    Search("gamma");
    EXPECT_EQ(Grid.CurrentRowNumber(), 4);
    QTest::mouseClick(Dialog.findChild<QPushButton*>("ButtonFindNext"), Qt::LeftButton);
    EXPECT_EQ(Dialog.StatusText(), TFindDialog::kNotFound);
    EXPECT_EQ(Grid.CurrentRowNumber(), 4);

    Dialog.findChild<QRadioButton*>("RadioButtonUp")->setChecked(true);
    Search("beta");
    EXPECT_EQ(Grid.CurrentRowNumber(), 2);
    EXPECT_TRUE(Dialog.StatusText().isEmpty());
}

TEST_F(TFindFixture, MatchCaseOptionIsHonoured) {
    Grid.SetCurrentRowNumber(1);
    Dialog.findChild<QCheckBox*>("CheckBoxMatchCase")->setChecked(true);
    Search("ALPHA");
    EXPECT_EQ(Grid.CurrentRowNumber(), 3);
    Search("Gamma");
    EXPECT_EQ(Dialog.StatusText(), TFindDialog::kNotFound);
}

} // namespace
