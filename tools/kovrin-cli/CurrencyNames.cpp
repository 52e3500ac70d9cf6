#include "tools/kovrin-cli/CurrencyNames.h"

#include "engine/Text.h"
#include "text/Ascii.h"

#include <algorithm>
#include <functional>

namespace {

// The last blank-separated word of Name; empty when Name has a single word (then it is no ticker of its own).
std::string_view Ticker(std::string_view Name) {
    const std::size_t blank = Name.find_last_of(' ');
    return blank == std::string_view::npos ? std::string_view() : Name.substr(blank + 1);
}

// The display names of the rows Fits accepts, each once, in feed order.
std::vector<std::string>
Fitting(const TStringMatrix& Names,
        const std::function<bool(std::string_view Code, std::string_view Name)>& Fits) {
    std::vector<std::string> found;
    for (const auto& row : Names) {
        if (row.size() < 2 || !Fits(row[0], row[1]))
            continue;
        const std::string name(row[1]);
        if (std::find(found.begin(), found.end(), name) == found.end())
            found.push_back(name);
    }
    return found;
}

TCurrencyMatch FromFound(std::vector<std::string> Found) {
    TCurrencyMatch match;
    if (Found.size() == 1)
        match.Name = std::move(Found.front());
    else
        match.Candidates = std::move(Found);
    return match;
}

} // namespace

TCurrencyMatch MatchCurrency(const TStringMatrix& Names, std::string_view Text) {
    if (Text.empty())
        return {};
    // As the rates tab finds a code: the name as the feed spells it, else the last row with the code.
    std::optional<std::string> byCode;
    for (const auto& row : Names) {
        if (row.size() < 2)
            continue;
        if (row[1] == Text)
            return {std::string(Text), {}};
        if (row[0] == Text)
            byCode = row[1];
    }
    if (byCode)
        return {byCode, {}};
    // Blanks around the text are a slip of the shell's quoting, not part of a name.
    const std::string_view loose = Trim(Text);
    // Without letter case a name or a code says which currency before a ticker does: "BTC" is the code of
    // "Bitcoin BTC" even where "Bitcoin Lightning BTC" shares its ticker. Within each rule every currency the
    // text may mean counts, so a ticker is not quietly one of many.
    std::vector<std::string> found = Fitting(Names, [&](std::string_view code, std::string_view name) {
        return AnsiSameText(name, loose) || AnsiSameText(code, loose);
    });
    if (found.empty()) {
        found = Fitting(Names, [&](std::string_view, std::string_view name) {
            const std::string_view ticker = Ticker(name);
            return !ticker.empty() && AnsiSameText(ticker, loose);
        });
    }
    return FromFound(std::move(found));
}

std::optional<std::string> CurrencyDisplayName(const TStringMatrix& Names, std::string_view Text) {
    return MatchCurrency(Names, Text).Name;
}

std::string CurrencyProblem(const TCurrencyMatch& Match, std::string_view Text) {
    if (Match.Candidates.empty())
        return "unknown currency \"" + std::string(Text) + "\"";
    std::string line = "ambiguous currency \"" + std::string(Text) + "\": ";
    for (std::size_t i = 0; i < Match.Candidates.size(); ++i)
        line += (i == 0 ? "\"" : ", \"") + Match.Candidates[i] + "\"";
    return line;
}

THistoryPairMatch MatchHistoryPair(const std::vector<THistoryPair>& Pairs, std::string_view Give,
                                   std::string_view Get) {
    TStringMatrix names;
    for (const THistoryPair& pair : Pairs) {
        names.push_back({pair.GiveCode, pair.Give});
        names.push_back({pair.GetCode, pair.Get});
    }
    const TCurrencyMatch give = MatchCurrency(names, Give);
    const TCurrencyMatch get = MatchCurrency(names, Get);
    for (const TCurrencyMatch* match : {&give, &get}) {
        if (!match->Candidates.empty())
            return {std::nullopt, CurrencyProblem(*match, match == &give ? Give : Get)};
    }
    if (give.Name && get.Name) {
        for (const THistoryPair& pair : Pairs) {
            if (pair.Give == *give.Name && pair.Get == *get.Name)
                return {pair, {}};
        }
    }
    return {std::nullopt,
            "no history recorded for \"" + std::string(Give) + "\" -> \"" + std::string(Get) + "\""};
}
