#pragma once
// Offer rows and a shown, laid-out grid for the offer-grid tests.

#include "engine/Offers.h"
#include "tests/support/OfferRow.h"
#include "ui/OfferGrid.h"
#include "ui/OfferGridHeaders.h"

#include <QTest>
#include <optional>
#include <string>
#include <vector>

// Four offers whose orders by name, SrcRate and DstRate all differ; two share a SrcRate.
inline std::vector<TOfferRow> SampleOffers() {
    return {OfferRow(1, "Delta", 3, 10, 500), OfferRow(2, "alpha", 1, 30, 100, 7),
            OfferRow(3, "Charlie", 2, 20, 300), OfferRow(4, "bravo", 2, 40, 200, 2)};
}

inline std::vector<int> Eids(const std::vector<TOfferRow>& Rows) {
    std::vector<int> eids;
    for (const TOfferRow& row : Rows)
        eids.push_back(row.EID);
    return eids;
}

// The centre of a column's title, in the header viewport's coordinates.
inline QPoint TitleCentre(const TDBGridRates& Grid, TOfferField Field) {
    const QHeaderView& header = Grid.TitleHeader();
    const int section = static_cast<int>(Field);
    return QPoint(header.sectionViewportPosition(section) + header.sectionSize(section) / 2,
                  header.height() / 2);
}

inline void ClickTitle(TDBGridRates& Grid, TOfferField Field,
                       Qt::KeyboardModifiers Modifiers = Qt::NoModifier) {
    QTest::mouseClick(Grid.TitleHeader().viewport(), Qt::LeftButton, Modifiers, TitleCentre(Grid, Field));
}

// A grid with rows, shown so that its headers have their geometry.
struct TShownGrid {
    TDBGridRates Grid;
    explicit TShownGrid(std::vector<TOfferRow> Rows = SampleOffers()) {
        Grid.resize(640, 300);
        Grid.Model().Fill(std::move(Rows));
        Grid.show();
        (void)QTest::qWaitForWindowExposed(&Grid);
    }
};
