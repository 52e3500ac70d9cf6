#include "tools/kovrin-cli/OffersQuery.h"

#include <algorithm>

std::optional<std::string> CurrencyDisplayName(const TStringMatrix& Names, std::string_view Text) {
    std::optional<std::string> byCode;
    for (const auto& row : Names) {
        if (row.size() < 2)
            continue;
        if (row[1] == Text)
            return std::string(Text);
        if (row[0] == Text)
            byCode = row[1];
    }
    return byCode;
}

std::vector<TOfferRow> QueryOffers(const TStringMatrix& Rates, const TStringMatrix& Names,
                                   const TStringMatrix& Exchangers, const TOffersQuery& Query) {
    TOfferControls controls;
    controls.SrcName = CurrencyDisplayName(Names, Query.Give);
    if (!controls.SrcName)
        throw EUnknownCurrency("unknown currency \"" + Query.Give + "\"");
    controls.DstName = CurrencyDisplayName(Names, Query.Get);
    if (!controls.DstName)
        throw EUnknownCurrency("unknown currency \"" + Query.Get + "\"");
    controls.SrcAmountText = Query.GiveAmount;
    controls.DstAmountText = Query.GetAmount;

    auto rows = FillOffers(Rates, Names, Exchangers, controls);
    // Every rebuild sorts by the default order first; an amount's order then sorts that result, as on screen.
    SortOffers(rows, {kDefaultOrder});
    if (const auto order = AmountOrder(Query.GiveAmount, Query.GetAmount))
        SortOffers(rows, {*order});
    return rows;
}

bool IsAmountText(std::string_view Text) {
    return !Text.empty() && Text.size() <= 10 &&
           std::all_of(Text.begin(), Text.end(), [](char c) { return c >= '0' && c <= '9'; });
}
