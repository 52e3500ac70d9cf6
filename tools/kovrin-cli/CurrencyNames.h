#pragma once
// How a currency named on the command line is found in the names feed: as people write it, not only as the
// feed spells it.

#include "engine/StringMatrix.h"
#include "history/RatePoint.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

// What a name on the command line stands for: the display name, or (when it fits several currencies) the
// display names it could mean, in feed order.
struct TCurrencyMatch {
    std::optional<std::string> Name;
    std::vector<std::string> Candidates;
};

// Finds Text, first rule that matches: a display name exactly; a code exactly (the last row with it); without
// letter case (Latin and Cyrillic), a display name or a code; else, likewise, a ticker, the last word of a
// display name ("rub" for "Сбербанк RUB"). Within a rule, when all that fit are one currency it is Name; when
// they are several, none of them but them all as Candidates. Neither when nothing fits. Never throws beyond
// allocation.
TCurrencyMatch MatchCurrency(const TStringMatrix& Names, std::string_view Text);

// The display name MatchCurrency finds; nullopt when none or several. Never throws beyond allocation.
std::optional<std::string> CurrencyDisplayName(const TStringMatrix& Names, std::string_view Text);

// The line kovrin-cli writes when Text names no currency ("unknown currency \"X\"") or several
// ("ambiguous currency \"RUB\": \"Сбербанк RUB\", \"Тинькофф RUB\""), without the program's prefix.
std::string CurrencyProblem(const TCurrencyMatch& Match, std::string_view Text);

// The recorded pair GIVE -> GET names, the two found as MatchCurrency finds them, among the currencies Pairs
// hold (their display names and codes: the history has no names feed): Pair, or, when there is none, Problem,
// the line kovrin-cli writes ("ambiguous currency ...", or "no history recorded for ..." for a currency the
// pairs do not hold or two that were never recorded as a pair). Never throws beyond allocation.
struct THistoryPairMatch {
    std::optional<THistoryPair> Pair;
    std::string Problem;
};
THistoryPairMatch MatchHistoryPair(const std::vector<THistoryPair>& Pairs, std::string_view Give,
                                   std::string_view Get);
