#include "tools/kovrin-cli/OffersQuery.h"

namespace {

std::string DisplayName(const TStringMatrix& Names, const std::string& Text) {
    TCurrencyMatch match = MatchCurrency(Names, Text);
    if (!match.Name)
        throw EUnknownCurrency(CurrencyProblem(match, Text));
    return std::move(*match.Name);
}

} // namespace

TOfferControls QueryControls(const TStringMatrix& Names, const TOffersQuery& Query) {
    TOfferControls controls;
    controls.SrcName = DisplayName(Names, Query.Give);
    controls.DstName = DisplayName(Names, Query.Get);
    controls.SrcAmountText = Query.GiveAmount;
    controls.DstAmountText = Query.GetAmount;
    return controls;
}

std::vector<TOfferRow> QueryOffers(const TStringMatrix& Rates, const TStringMatrix& Names,
                                   const TStringMatrix& Exchangers, const TOffersQuery& Query) {
    return TabOffers(Rates, Names, Exchangers, QueryControls(Names, Query));
}
