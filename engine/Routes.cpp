#include "engine/Routes.h"

#include "engine/AmountInput.h"
#include "engine/ExchangerLookup.h"
#include "engine/RouteSearch.h"
#include "engine/Text.h"

#include <array>
#include <cmath>
#include <limits>
#include <string_view>
#include <unordered_map>

namespace {

// Reads quotes as legs: the offer rules, a rate that is a number above 0, and for a leg a reserve above 0 (a
// quote that holds no reserve can pay nothing, whatever its rate).
class TLegReader final {
  public:
    TLegReader(const TStringMatrix& Rates, const TStringMatrix& Exchangers)
        : FRates(Rates), FExchangers(Exchangers), FLookup(Exchangers) {}

    std::optional<TRouteCandidate> Read(std::uint32_t Row, int From, int To) {
        const std::array<std::string_view, 6> quote = FRates[Row].First<6>();
        const auto [give, get, reserve] = ReadQuote(quote);
        if (!(give > 0) || !(get > 0)) {
            return std::nullopt;
        }
        const long double rate = get / give;
        if (!(rate > 0) || !std::isfinite(rate)) {
            return std::nullopt;
        }
        // A direct quote (no currency passed through) counts as the offer table shows it, reserve or not.
        if (!(reserve > 0) && (From >= 0 || To >= 0)) {
            return std::nullopt;
        }
        const int exchanger = Exchanger(quote[0]);
        if (exchanger < 0) {
            return std::nullopt;
        }
        return TRouteCandidate{Row, exchanger, From, To, give, get, rate, reserve};
    }

    const std::string& Name(int Exchanger) { return FLookup.Name(Exchanger); }
    std::int32_t EID(int Exchanger) const { return *ParseInt32(FExchangers[Exchanger][0]); }

  private:
    // The exchangers row an offer would show for Id, or -1.
    int Exchanger(std::string_view Id) {
        const auto [known, added] = FById.try_emplace(Id, -1);
        if (added) {
            known->second = Usable(FLookup.Find(Id));
        }
        return known->second;
    }

    // Index when an offer would show that exchangers row, else -1.
    int Usable(int Index) const {
        if (Index < 0) {
            return -1;
        }
        const TStringRow row = FExchangers[static_cast<std::size_t>(Index)];
        return row.size() >= 4 && ParseInt32(row[0]) ? Index : -1;
    }

    const TStringMatrix& FRates;
    const TStringMatrix& FExchangers;
    TExchangerLookup FLookup;
    std::unordered_map<std::string_view, int> FById; // ids met so far, with what Exchanger gave
};

// Whether a direct quote passes the amounts' reserve tests, computed as the offer table computes them.
bool DirectServes(const TRouteCandidate& Quote, TRouteAmounts Amounts) {
    const long double rate = Quote.Give / Quote.Get;
    if (Amounts.Src > 0 && Quote.Reserve < Amounts.Src / rate) {
        return false;
    }
    return !(Amounts.Dst > 0 && Quote.Reserve < Amounts.Dst);
}

// Exact equality, with the lengths from the row's record and the first bytes compared before the rest: most
// rows are told apart without a call to memcmp.
bool SameCode(std::string_view A, std::string_view B) {
    return A.size() == B.size() && (A.empty() || (A[0] == B[0] && A == B));
}

void ScanRates(const TStringMatrix& Rates, std::string_view SrcCode, std::string_view DstCode, int MaxLegs,
               TRouteAmounts Amounts, TLegReader& Reader, TRouteGraph& Graph) {
    const auto via = [&](std::string_view code) {
        const auto at = Graph.Via.find(code);
        return at == Graph.Via.end() ? -1 : at->second;
    };
    for (std::size_t i = 0; i < Rates.size(); ++i) {
        const TStringRow row = Rates[i];
        if (row.size() < 6) {
            continue;
        }
        const auto [id, from, to] = row.First<3>();
        const auto at = static_cast<std::uint32_t>(i);
        // Both lengths come from the row's record: most rows are left without reading their text.
        const bool fromSrc = SameCode(from, SrcCode);
        const bool toDst = SameCode(to, DstCode);
        if (fromSrc && toDst) {
            const std::optional<TRouteCandidate> quote = Reader.Read(at, -1, -1);
            if (quote && DirectServes(*quote, Amounts) && (!Graph.Direct || quote->Rate > *Graph.Direct)) {
                Graph.Direct = quote->Rate;
            }
        } else if (fromSrc) {
            const int x = via(to);
            if (x >= 0) {
                // A first leg that cannot pay out the source amount's worth serves no route; the same product
                // as the route's own test.
                const std::optional<TRouteCandidate> leg = Reader.Read(at, -1, x);
                if (leg && !(Amounts.Src > 0 && leg->Reserve < Amounts.Src * leg->Rate)) {
                    Graph.Firsts[x].push_back(*leg);
                }
            }
        } else if (toDst) {
            const int x = via(from);
            if (x >= 0) {
                const std::optional<TRouteCandidate> leg = Reader.Read(at, x, -1);
                if (leg && !(Amounts.Dst > 0 && leg->Reserve < Amounts.Dst)) {
                    Graph.Lasts[x].push_back(*leg);
                }
            }
        } else if (MaxLegs >= 3) {
            const int x = via(from);
            const int y = x >= 0 ? via(to) : -1;
            if (y >= 0 && x != y) {
                if (const std::optional<TRouteCandidate> leg = Reader.Read(at, x, y)) {
                    Graph.Middles.push_back(*leg);
                }
            }
        }
    }
}

// Value rounded down to the decimals an amount is shown with (AmountDecimals, at least 4); a value a few
// units of the last binary place below a whole number of that decimal's units, as products and quotients of
// decimals come out, stays that number.
long double RoundDownShown(long double Value) {
    const long double power = powl(10.0L, AmountDecimals(Value, 4));
    const long double units = Value * power;
    const long double nearest = nearbyintl(units);
    constexpr long double kSlack = 64 * std::numeric_limits<long double>::epsilon();
    return (nearest >= units && nearest - units <= units * kSlack ? nearest : floorl(units)) / power;
}

TRoute MakeRoute(const TFoundRoute& Found, const TRouteGraph& Graph, TLegReader& Reader,
                 const TOfferControls& Controls, bool AmountTyped) {
    TRoute route;
    route.Rate = Found.Rate;
    // Without amounts the route offers the largest amount its reserves allow. Rounded to the nearest, that
    // could be more than they allow, and what it buys would belong to the amount before rounding: the amount
    // is rounded down, and what it buys is worked out from the amount shown and rounded down too.
    if (const long double give = AmountTyped ? 0 : RoundDownShown(Found.Flow[0]); give > 0) {
        long double get = give;
        for (int i = 0; i < Found.Count; ++i) {
            get *= Found.Legs[i]->Rate;
        }
        route.Give = static_cast<double>(give);
        route.Get = static_cast<double>(RoundDownShown(get));
    } else {
        route.Give = static_cast<double>(ShownAmount(Found.Flow[0], 4));
        route.Get = static_cast<double>(ShownAmount(Found.Flow[static_cast<std::size_t>(Found.Count)], 4));
    }
    for (int i = 0; i + 1 < Found.Count; ++i) {
        route.Via.emplace_back(Graph.ViaNames[static_cast<std::size_t>(Found.Legs[i]->To)]);
    }
    for (int i = 0; i < Found.Count; ++i) {
        const TRouteCandidate& leg = *Found.Legs[i];
        TRouteLeg& shown = route.Legs.emplace_back();
        shown.Row = leg.Row;
        shown.EID = Reader.EID(leg.Exchanger);
        shown.Exchanger = Reader.Name(leg.Exchanger);
        shown.From = i == 0 ? *Controls.SrcName : route.Via[static_cast<std::size_t>(i - 1)];
        shown.To = i + 1 == Found.Count ? *Controls.DstName : route.Via[static_cast<std::size_t>(i)];
        shown.Rate = leg.Rate;
        shown.SrcRate = static_cast<double>(ShownAmount(AmountTyped ? Found.Flow[i] : leg.Give, 4));
        shown.DstRate = static_cast<double>(ShownAmount(AmountTyped ? Found.Flow[i + 1] : leg.Get, 4));
        shown.Reserve = static_cast<double>(ShownAmount(leg.Reserve, 2));
    }
    return route;
}

} // namespace

TRoutes FindRoutes(const TStringMatrix& Rates, const TStringMatrix& Names, const TStringMatrix& Exchangers,
                   const TOfferControls& Controls, const TRouteOptions& Options) {
    TRoutes result;
    if (!Controls.SrcName || !Controls.DstName) {
        return result;
    }
    // The pair's codes as the offer table finds them (the last row with the display name), and every other
    // currency with the display name of its last row.
    std::optional<std::string_view> srcCode;
    std::optional<std::string_view> dstCode;
    TRouteGraph graph;
    for (const TStringRow row : Names) {
        if (row.size() < 2) {
            continue;
        }
        const auto [code, name] = row.First<2>();
        if (name == *Controls.SrcName) {
            srcCode = code;
        }
        if (name == *Controls.DstName) {
            dstCode = code;
        }
        const auto [at, added] = graph.Via.try_emplace(code, static_cast<int>(graph.ViaNames.size()));
        if (added) {
            graph.ViaNames.push_back(name);
        } else {
            graph.ViaNames[static_cast<std::size_t>(at->second)] = name;
        }
    }
    if (!srcCode || !dstCode) {
        return result;
    }
    graph.Via.erase(*srcCode);
    graph.Via.erase(*dstCode);
    for (const std::string& hidden : Options.HiddenCodes) {
        graph.Via.erase(hidden);
    }
    graph.Firsts.resize(graph.ViaNames.size());
    graph.Lasts.resize(graph.ViaNames.size());

    const TRouteAmounts amounts{AmountValue(Controls.SrcAmountText), AmountValue(Controls.DstAmountText)};
    TLegReader reader(Rates, Exchangers);
    ScanRates(Rates, *srcCode, *dstCode, Options.MaxLegs, amounts, reader, graph);
    result.Direct = graph.Direct;
    TBestRoutes best(Options.Top, amounts);
    SearchRoutes(graph, Options.MaxLegs, best);
    const bool amountTyped = amounts.Src > 0 || amounts.Dst > 0;
    for (const TFoundRoute& found : best.Take()) {
        result.Routes.push_back(MakeRoute(found, graph, reader, Controls, amountTyped));
    }
    return result;
}

std::vector<TRoute> RoutesWorthShowing(const TRoutes& Routes) {
    std::vector<TRoute> shown;
    for (const TRoute& route : Routes.Routes) {
        if (!Routes.Direct || route.Rate > *Routes.Direct) {
            shown.push_back(route);
        }
    }
    return shown;
}

long double RouteGainPercent(long double Rate, long double Direct) {
    return (Rate / Direct - 1) * 100;
}

std::string RouteGainText(long double Rate, long double Direct) {
    const long double percent = RoundTo(RouteGainPercent(Rate, Direct), 2);
    return (percent > 0 ? "+" : "") + FormatGeneral(static_cast<double>(percent)) + " %";
}
