#include "engine/RouteSearch.h"

#include <algorithm>
#include <cmath>

namespace {

// True when A ranks before B: a higher rate, then the legs' rows in table order.
bool Better(const TFoundRoute& A, const TFoundRoute& B) {
    if (A.Rate != B.Rate) {
        return A.Rate > B.Rate;
    }
    for (int i = 0; i < A.Count && i < B.Count; ++i) {
        if (A.Legs[i]->Row != B.Legs[i]->Row) {
            return A.Legs[i]->Row < B.Legs[i]->Row;
        }
    }
    return A.Count < B.Count;
}

// The amounts along Legs for the typed amounts, or nullopt when a reserve cannot cover its part.
std::optional<TRouteFlow> Flow(const TRouteLegs& Legs, int Count, TRouteAmounts Amounts) {
    TRouteFlow at{};
    if (Amounts.Src > 0) {
        long double x = Amounts.Src;
        at[0] = x;
        for (int i = 0; i < Count; ++i) {
            x *= Legs[i]->Rate;
            if (Legs[i]->Reserve < x) {
                return std::nullopt;
            }
            at[i + 1] = x;
        }
    }
    if (Amounts.Dst > 0 || !(Amounts.Src > 0)) {
        long double y = Amounts.Dst;
        if (!(Amounts.Dst > 0)) {
            // The largest amount: each leg pays at most its reserve and what the leg before can feed it.
            y = Legs[0]->Reserve;
            for (int i = 1; i < Count; ++i) {
                y = std::min(Legs[i]->Reserve, y * Legs[i]->Rate);
            }
            y = std::max(y, 0.0L);
        }
        at[Count] = y;
        for (int i = Count - 1; i >= 0; --i) {
            if (Amounts.Dst > 0 && Legs[i]->Reserve < y) {
                return std::nullopt;
            }
            y /= Legs[i]->Rate;
            at[i] = y;
        }
    }
    return at;
}

// The routes through currency X. With a source amount, what leg 1 pays grows with its rate, so the first legs
// whose output a last leg's reserve covers are the tail of the list (sorted by rate, best first): found by
// bisection per last leg. With a target amount, what leg 1 must pay shrinks as leg 2's rate grows, so the
// last legs a first leg can feed are the head of their list.
void SearchThrough(const std::vector<TRouteCandidate>& Firsts, const std::vector<TRouteCandidate>& Lasts,
                   TBestRoutes& Best) {
    const TRouteAmounts amounts = Best.Amounts();
    if (amounts.Src > 0) {
        for (const TRouteCandidate& last : Lasts) {
            if (Best.Beaten(Firsts.front().Rate * last.Rate)) {
                break;
            }
            // The same products Flow tests, so the cut is exact.
            const auto from =
                std::partition_point(Firsts.begin(), Firsts.end(), [&](const TRouteCandidate& first) {
                    return last.Reserve < amounts.Src * first.Rate * last.Rate;
                });
            for (auto first = from; first != Firsts.end(); ++first) {
                const long double rate = first->Rate * last.Rate;
                if (Best.Beaten(rate)) {
                    break;
                }
                Best.Offer({&*first, &last, nullptr}, 2, rate);
            }
        }
        return;
    }
    for (const TRouteCandidate& first : Firsts) {
        if (Best.Beaten(first.Rate * Lasts.front().Rate)) {
            break;
        }
        for (const TRouteCandidate& last : Lasts) {
            const long double rate = first.Rate * last.Rate;
            if (Best.Beaten(rate) || (amounts.Dst > 0 && first.Reserve < amounts.Dst / last.Rate)) {
                break;
            }
            Best.Offer({&first, &last, nullptr}, 2, rate);
        }
    }
}

void SearchTwoLegs(const TRouteGraph& Graph, TBestRoutes& Best) {
    // The currencies whose best pair of legs pays most are tried first, so the rest is soon cut off.
    std::vector<std::pair<long double, int>> order;
    for (std::size_t x = 0; x < Graph.Firsts.size(); ++x) {
        if (!Graph.Firsts[x].empty() && !Graph.Lasts[x].empty()) {
            order.emplace_back(Graph.Firsts[x].front().Rate * Graph.Lasts[x].front().Rate,
                               static_cast<int>(x));
        }
    }
    std::sort(order.begin(), order.end(), [](const auto& a, const auto& b) { return a.first > b.first; });
    for (const auto& [bound, x] : order) {
        if (Best.Beaten(bound)) {
            break;
        }
        SearchThrough(Graph.Firsts[x], Graph.Lasts[x], Best);
    }
}

void SearchThreeLegs(TRouteGraph& Graph, TBestRoutes& Best) {
    std::vector<TRouteCandidate>& middles = Graph.Middles;
    std::sort(middles.begin(), middles.end(), [](const TRouteCandidate& a, const TRouteCandidate& b) {
        return a.From != b.From ? a.From < b.From : (a.To != b.To ? a.To < b.To : LegBefore(a, b));
    });
    struct TGroup {
        long double Bound;
        std::size_t Begin;
        std::size_t End;
    };
    std::vector<TGroup> groups;
    for (std::size_t begin = 0; begin < middles.size();) {
        std::size_t end = begin + 1;
        while (end < middles.size() && middles[end].From == middles[begin].From &&
               middles[end].To == middles[begin].To) {
            ++end;
        }
        const auto& firsts = Graph.Firsts[middles[begin].From];
        const auto& lasts = Graph.Lasts[middles[begin].To];
        if (!firsts.empty() && !lasts.empty()) {
            groups.push_back({firsts.front().Rate * middles[begin].Rate * lasts.front().Rate, begin, end});
        }
        begin = end;
    }
    std::sort(groups.begin(), groups.end(),
              [](const TGroup& a, const TGroup& b) { return a.Bound > b.Bound; });
    for (const TGroup& group : groups) {
        if (Best.Beaten(group.Bound)) {
            break;
        }
        const TRouteCandidate& bestMiddle = middles[group.Begin];
        const std::vector<TRouteCandidate>& lasts = Graph.Lasts[bestMiddle.To];
        for (const TRouteCandidate& first : Graph.Firsts[bestMiddle.From]) {
            if (Best.Beaten(first.Rate * bestMiddle.Rate * lasts.front().Rate)) {
                break;
            }
            for (std::size_t m = group.Begin; m < group.End; ++m) {
                const long double twoLegs = first.Rate * middles[m].Rate;
                if (Best.Beaten(twoLegs * lasts.front().Rate)) {
                    break;
                }
                for (const TRouteCandidate& last : lasts) {
                    const long double rate = twoLegs * last.Rate;
                    if (Best.Beaten(rate)) {
                        break;
                    }
                    Best.Offer({&first, &middles[m], &last}, 3, rate);
                }
            }
        }
    }
}

} // namespace

bool LegBefore(const TRouteCandidate& A, const TRouteCandidate& B) {
    return A.Rate != B.Rate ? A.Rate > B.Rate : A.Row < B.Row;
}

void TBestRoutes::Offer(const TRouteLegs& Legs, int Count, long double Rate) {
    if (!std::isfinite(Rate)) {
        return;
    }
    TFoundRoute found{Rate, Legs, Count, {}};
    if (Full() && !Better(found, FHeap.front())) {
        return;
    }
    const std::optional<TRouteFlow> flow = Flow(Legs, Count, FAmounts);
    if (!flow) {
        return;
    }
    found.Flow = *flow;
    FHeap.push_back(found);
    std::push_heap(FHeap.begin(), FHeap.end(), Better);
    if (FHeap.size() > FTop) {
        std::pop_heap(FHeap.begin(), FHeap.end(), Better);
        FHeap.pop_back();
    }
}

std::vector<TFoundRoute> TBestRoutes::Take() {
    std::sort_heap(FHeap.begin(), FHeap.end(), Better);
    return std::move(FHeap);
}

void SearchRoutes(TRouteGraph& Graph, int MaxLegs, TBestRoutes& Best) {
    for (auto* lists : {&Graph.Firsts, &Graph.Lasts}) {
        for (std::vector<TRouteCandidate>& legs : *lists) {
            std::sort(legs.begin(), legs.end(), LegBefore);
        }
    }
    SearchTwoLegs(Graph, Best);
    if (MaxLegs >= 3) {
        SearchThreeLegs(Graph, Best);
    }
}
