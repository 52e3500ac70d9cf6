#include "ui/RebuildOffers.h"

#include "ui/OfferGrid.h"
#include "ui/UpdatesSuspended.h"

#include <algorithm>

namespace {

void Rebuild(TDBGridRates& Grid, const TStringMatrix& Rates, const TStringMatrix& Names,
             const TStringMatrix& Exchangers, const TOfferControls& Controls, TQuoteRows& Quotes,
             const TSortOrder& Order, TDBGridRates::TOrderBy By) {
    if (!CanRebuildOffers(Rates, Names, Exchangers, Controls)) {
        if (!ShownOffersStay(Grid.Model().ShownFor(), Controls))
            Grid.Model().Clear();
        return;
    }
    const int remembered = Grid.CurrentRowNumber();
    {
        TUpdatesSuspended suspended(Grid);
        // Rows go in already in the order they will be shown, so the remembered number lands on the same
        // place on screen rather than on whatever offer happened to come N-th in the rates feed.
        std::vector<TOfferRow> rows = RebuiltOffers(Rates, Names, Exchangers, Controls, Quotes);
        if (Order != TSortOrder{kDefaultOrder})
            SortOffers(rows, Order);
        const int count = static_cast<int>(rows.size());
        Grid.Model().Fill(std::move(rows), {*Controls.SrcName, *Controls.DstName});
        // With no current row before (the first fill), start at the top rather than scroll to the bottom.
        const int target = remembered < 1 ? 1 : std::min(remembered, count);
        Grid.SetCurrentRowNumber(count == 0 ? 0 : target);
    }
    Grid.SetOrder(Order, By);
}

} // namespace

void RebuildOffers(TDBGridRates& Grid, const TStringMatrix& Rates, const TStringMatrix& Names,
                   const TStringMatrix& Exchangers, const TOfferControls& Controls, TQuoteRows& Quotes) {
    Rebuild(Grid, Rates, Names, Exchangers, Controls, Quotes, PickRebuildOrder(Controls),
            TDBGridRates::TOrderBy::Program);
}

void RebuildOffersAfterFeed(TDBGridRates& Grid, const TStringMatrix& Rates, const TStringMatrix& Names,
                            const TStringMatrix& Exchangers, const TOfferControls& Controls,
                            TQuoteRows& Quotes) {
    const TSortOrder user = Grid.UserOrder();
    Rebuild(Grid, Rates, Names, Exchangers, Controls, Quotes, FeedRebuildOrder(user, Controls),
            user.empty() ? TDBGridRates::TOrderBy::Program : TDBGridRates::TOrderBy::User);
}
