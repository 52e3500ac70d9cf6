#pragma once
// Recomputes the offer grid from the feed tables and the rates tab's controls.

#include "engine/Functions.h"
#include "engine/Offers.h"

class TDBGridRates;

// Refills Grid with RebuiltOffers for Controls and sets the order PickRebuildOrder gives (the typed amount's,
// else SrcRate ascending). Does nothing at all (rows, current row and order stay) unless CanRebuildOffers
// holds. The current row keeps its number when the new table has that many rows, else the last row is
// current; with no current row before, or when the order changed, the first row is; none when the table is
// empty. Numbers count rows in the order shown. The grid is repainted once, not per row. Throws only what
// RebuiltOffers throws, and then leaves the previous rows in place. Quotes keeps the quoting rows from one
// rebuild to the next.
void RebuildOffers(TDBGridRates& Grid, const TStringMatrix& Rates, const TStringMatrix& Names,
                   const TStringMatrix& Exchangers, const TOfferControls& Controls, TQuoteRows& Quotes);

// The same after a feed arrived, leaving the order FeedRebuildOrder picks from the grid's user order and the
// amounts instead of the default one; a user's order stays the user's.
void RebuildOffersAfterFeed(TDBGridRates& Grid, const TStringMatrix& Rates, const TStringMatrix& Names,
                            const TStringMatrix& Exchangers, const TOfferControls& Controls,
                            TQuoteRows& Quotes);
