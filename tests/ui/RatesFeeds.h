#pragma once
// Small feeds with known offers, shared by the rates-tab tests and the end-to-end refresh tests.
//
// For US Dollar -> Euro the quotes are Alpha 1:0.9 (reserve 1000), Beta 1:0.95 (50), Gamma 1.1:1 (500) and
// Delta (EID 42) 1:0.8 (100000); the way back, Euro -> US Dollar, Alpha 1:1.05 (800) and Beta 1:1.1 (30).

#include "engine/Offers.h"
#include "ui/OfferGrid.h"

#include <string>
#include <vector>

namespace feeds {

inline const std::string kNames = "Currencies\n"
                                  "usd;US Dollar;x\n"
                                  "eur;Euro;x\n"
                                  "rub;Рубль;x\n"
                                  "btc;Bitcoin;x\n";
inline const std::string kRates = "1;usd;eur;1;0.9;1000\n"
                                  "2;usd;eur;1;0.95;50\n"
                                  "3;usd;eur;1.1;1;500\n"
                                  "42;usd;eur;1;0.8;100000\n"
                                  "1;eur;usd;1;1.05;800\n"
                                  "2;eur;usd;1;1.1;30\n";
inline const std::string kExchangers = "1;Alpha;;\n"
                                       "2;Beta;5;1\n"
                                       "3;Gamma;;\n"
                                       "42;Delta;;\n";
inline const std::string kNews = "  \r\nCourse news: see https://example.org/today\n\n";

} // namespace feeds

// The exchanger names of the grid's rows, in the order shown.
inline std::vector<std::string> ShownExchangers(const TDBGridRates& Grid) {
    std::vector<std::string> names;
    for (const TOfferRow& row : Grid.Model().Rows()) {
        names.push_back(row.Exchanger);
    }
    return names;
}

// The grid's rows as "name src dst" texts, in the order shown.
inline std::vector<std::string> ShownOffers(const TDBGridRates& Grid) {
    std::vector<std::string> offers;
    for (const TOfferRow& row : Grid.Model().Rows()) {
        offers.push_back(row.Exchanger + " " + OfferCellText(row, TOfferField::SrcRate) + " " +
                         OfferCellText(row, TOfferField::DstRate));
    }
    return offers;
}
