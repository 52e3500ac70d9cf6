#include "history/FollowedPairs.h"

#include <algorithm>

std::vector<THistoryPair> FollowedPairs(const std::optional<THistoryPair>& Current,
                                        const std::vector<TRateAlert>& Alerts,
                                        const std::vector<THistoryPair>& Chosen) {
    std::vector<THistoryPair> pairs;
    const auto add = [&pairs](const THistoryPair& Pair) {
        if (Pair.Give.empty() || Pair.Get.empty()) {
            return;
        }
        const bool known = std::any_of(pairs.begin(), pairs.end(), [&](const THistoryPair& Known) {
            return Known.Give == Pair.Give && Known.Get == Pair.Get;
        });
        if (!known) {
            pairs.push_back(Pair);
        }
    };
    if (Current) {
        add(*Current);
    }
    for (const TRateAlert& alert : Alerts) {
        add({alert.Give, alert.Get, {}, {}});
    }
    for (std::size_t i = 0; i < Chosen.size() && i < kMaxChosenPairs; ++i) {
        add(Chosen[i]);
    }
    return pairs;
}
