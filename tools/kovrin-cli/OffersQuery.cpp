#include "tools/kovrin-cli/OffersQuery.h"

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
    return TabOffers(Rates, Names, Exchangers, controls);
}
