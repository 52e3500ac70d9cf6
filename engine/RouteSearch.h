#pragma once
// The search behind FindRoutes: the legs a route may take, and the best chains of them.

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>
#include <unordered_map>
#include <vector>

inline constexpr int kMostRouteLegs = 3;

// A rates row that may serve as a leg.
struct TRouteCandidate {
    std::uint32_t Row = 0;
    int Exchanger = 0; // its exchangers row
    int From = -1;     // index of the currency passed through, -1 for the pair's own
    int To = -1;
    long double Give = 0;
    long double Get = 0;
    long double Rate = 0;
    long double Reserve = 0;
};

using TRouteLegs = std::array<const TRouteCandidate*, kMostRouteLegs>;
// The amounts along a route: [0] given, [i + 1] what leg i pays.
using TRouteFlow = std::array<long double, kMostRouteLegs + 1>;

struct TRouteAmounts {
    long double Src = 0;
    long double Dst = 0;
};

struct TFoundRoute {
    long double Rate = 0;
    TRouteLegs Legs{};
    int Count = 0;
    TRouteFlow Flow{};
};

// Best rate first, then table order: the order the search wants each list of legs in.
bool LegBefore(const TRouteCandidate& A, const TRouteCandidate& B);

// What the search works on: the currencies a route may pass through and the legs found for the pair.
struct TRouteGraph {
    std::unordered_map<std::string_view, int> Via;    // code -> index
    std::vector<std::string_view> ViaNames;           // display name per index
    std::vector<std::vector<TRouteCandidate>> Firsts; // the pair's source -> a currency, per currency
    std::vector<std::vector<TRouteCandidate>> Lasts;  // a currency -> the pair's target, per currency
    std::vector<TRouteCandidate> Middles;             // a currency -> another
    std::optional<long double> Direct;
};

// The best routes offered so far, at most Top of them.
class TBestRoutes final {
  public:
    TBestRoutes(std::size_t Top, TRouteAmounts Amounts) : FTop(Top), FAmounts(Amounts) {}

    // True when no route of at most Bound can enter any more.
    bool Beaten(long double Bound) const { return FTop == 0 || (Full() && Bound < FHeap.front().Rate); }
    // Keeps the route of Count legs when it ranks among the best and its legs' reserves serve the amounts.
    void Offer(const TRouteLegs& Legs, int Count, long double Rate);
    const TRouteAmounts& Amounts() const { return FAmounts; }
    // The routes kept, best first.
    std::vector<TFoundRoute> Take();

  private:
    bool Full() const { return FHeap.size() >= FTop; }

    std::size_t FTop;
    TRouteAmounts FAmounts;
    std::vector<TFoundRoute> FHeap; // the worst on top
};

// Offers Best every route of the graph that may still rank: through one currency, and through two when
// MaxLegs is 3. Sorts the graph's lists of legs first. Never throws beyond allocation.
void SearchRoutes(TRouteGraph& Graph, int MaxLegs, TBestRoutes& Best);
