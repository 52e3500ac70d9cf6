#pragma once
// The offers for a pair of currencies named on the command line, in the order the rates tab shows them.

#include "engine/Offers.h"

#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

// A currency that is neither a display name nor a code of the names feed; what() names it.
class EUnknownCurrency : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// The display name Text stands for: Text itself when some names row carries it as display name, else the
// display name of the last row whose code equals Text; nullopt when neither. Never throws.
std::optional<std::string> CurrencyDisplayName(const TStringMatrix& Names, std::string_view Text);

// What the command asks for: the two currencies (display names or codes) and the amount texts ("" for none).
struct TOffersQuery {
    std::string Give;
    std::string Get;
    std::string GiveAmount;
    std::string GetAmount;
};

// TabOffers for the query: the offers as the rates tab shows them once those amounts are typed. Throws
// EUnknownCurrency.
std::vector<TOfferRow> QueryOffers(const TStringMatrix& Rates, const TStringMatrix& Names,
                                   const TStringMatrix& Exchangers, const TOffersQuery& Query);
