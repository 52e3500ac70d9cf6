#pragma once
// Routes through one or two more currencies: giving A for X and X for B (or A for X, X for Y and Y for B)
// when that pays more than any exchanger quoting A for B directly. Each leg is a rates row under the offer
// rules (codes compared exactly, numbers read with the same defaults, its exchanger present).

#include "engine/Offers.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// One exchange of a route.
struct TRouteLeg {
    std::uint32_t Row = 0; // the rates row
    std::int32_t EID = 0;
    std::string Exchanger; // as an offer shows it
    std::string From;      // display names of the currencies given and received
    std::string To;
    long double Rate = 0; // what one unit given buys: get / give of the quote
    // As an offer of this leg shows it: the leg's amounts for the route's typed amounts, else the quote's
    // own numbers; rounded as offers are (ShownAmount: 4 decimals, the reserve 2).
    double SrcRate = 0;
    double DstRate = 0;
    double Reserve = 0; // in the leg's target currency
};

// A route, best first among its kind.
struct TRoute {
    std::vector<TRouteLeg> Legs;  // 2 or 3
    std::vector<std::string> Via; // display names of the currencies passed through, in order
    long double Rate = 0;         // the legs' rates multiplied, in that order
    // What is given and received, rounded as offers are: for the target amount when one is typed, else for
    // the source amount; without amounts, the largest amount every leg's reserve allows and what it buys,
    // both rounded down.
    double Give = 0;
    double Get = 0;
};

struct TRoutes {
    // The highest get / give among the direct quotes of the pair that pass the offer rules and the amounts'
    // reserve tests (as the offer grid lists them); nullopt when there is none.
    std::optional<long double> Direct;
    std::vector<TRoute> Routes; // best first: highest rate, ties by the legs' rates rows in table order
};

struct TRouteOptions {
    std::size_t Top = 10;
    // 2: through one currency; 3: through one or two.
    int MaxLegs = 2;
    // Codes never passed through (the currencies hidden in the settings).
    std::vector<std::string> HiddenCodes;
};

// The best Options.Top routes for Controls's pair and amounts (amount texts read as FillOffers reads them).
// A leg needs a quote whose give, get and reserve read above 0 (a leg that can pay nothing makes no route,
// even without amounts) and an exchanger FillOffers would show; a route passes through currencies of Names
// other than the pair's own, each once. With a source amount every leg's reserve must cover what it pays;
// with a target amount the last leg's reserve covers it and every earlier leg's what the next one needs;
// with both, both tests. Empty when a name is missing or matches no currency. Never throws beyond
// allocation.
TRoutes FindRoutes(const TStringMatrix& Rates, const TStringMatrix& Names, const TStringMatrix& Exchangers,
                   const TOfferControls& Controls, const TRouteOptions& Options);

// What the window lists: the routes that pay more than the best direct offer, or all of them when the pair
// has no direct offer, best first. Never throws beyond allocation.
std::vector<TRoute> RoutesWorthShowing(const TRoutes& Routes);

// By how many percent Rate exceeds Direct (above 0). Never throws.
long double RouteGainPercent(long double Rate, long double Direct);
// The same as the window and kovrin-cli show it, to 2 decimals with its sign: "+1.27 %", "-0.5 %". Never
// throws beyond allocation.
std::string RouteGainText(long double Rate, long double Direct);
