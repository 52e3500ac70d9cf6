#pragma once
// The offers for a pair of currencies named on the command line, in the order the rates tab shows them.

#include "engine/Offers.h"
#include "tools/kovrin-cli/CurrencyNames.h"

#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

// A currency the names feed does not have, or a name that fits several (see MatchCurrency); what() says
// which.
class EUnknownCurrency : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// What the command asks for: the two currencies (as MatchCurrency finds them) and the amount texts ("" for
// none).
struct TOffersQuery {
    std::string Give;
    std::string Get;
    std::string GiveAmount;
    std::string GetAmount;
};

// The rates tab's controls for the query: both names as MatchCurrency finds them, the amount texts. Throws
// EUnknownCurrency.
TOfferControls QueryControls(const TStringMatrix& Names, const TOffersQuery& Query);

// TabOffers for the query: the offers as the rates tab shows them once those amounts are typed. Throws
// EUnknownCurrency.
std::vector<TOfferRow> QueryOffers(const TStringMatrix& Rates, const TStringMatrix& Names,
                                   const TStringMatrix& Exchangers, const TOffersQuery& Query);
