#pragma once
// Which pairs a refresh records: the rates tab's pair of the moment, every alert's pair, and the pairs
// chosen in the last 30 days (the latest kMaxChosenPairs of them), each once. Not every pair of the feed:
// that would be hundreds of MB a day.

#include "engine/RateAlerts.h"
#include "history/RatePoint.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

inline constexpr std::int64_t kChosenPairDaysMs = 30LL * 24 * 3600 * 1000;
inline constexpr std::size_t kMaxChosenPairs = 20;

// The followed pairs, in that order and without repeats (by display names); Chosen is the latest choice
// first. Codes are left as given. Never throws beyond allocation.
std::vector<THistoryPair> FollowedPairs(const std::optional<THistoryPair>& Current,
                                        const std::vector<TRateAlert>& Alerts,
                                        const std::vector<THistoryPair>& Chosen);
