#include "engine/ExchangerLookup.h"

#include "engine/Text.h"

#include <algorithm>

namespace {

// Longest exchanger name kept, in bytes of the ANSI code page.
constexpr std::size_t kExchangerNameBytes = 20;

} // namespace

std::string ExchangerName(std::string_view Name) {
    // The code page has one byte per character, so only the first characters need converting.
    return AnsiToUtf8(Utf8ToAnsiPrefix(Name, kExchangerNameBytes));
}

int TExchangerLookup::Find(std::string_view Id) {
    if (!FById) {
        // A sorted index rather than a hash: ids come from the feed, and a sort cannot be made to degrade.
        std::vector<std::uint32_t> rows;
        rows.reserve(FExchangers.size());
        for (std::size_t i = 0; i < FExchangers.size(); ++i) {
            if (!FExchangers[i].empty()) {
                rows.push_back(static_cast<std::uint32_t>(i));
            }
        }
        // Stable: among rows with the same id the first one stays first.
        std::stable_sort(rows.begin(), rows.end(), [this](std::uint32_t a, std::uint32_t b) {
            return FExchangers[a][0] < FExchangers[b][0];
        });
        FById = std::move(rows);
    }
    const auto at =
        std::lower_bound(FById->begin(), FById->end(), Id,
                         [this](std::uint32_t row, std::string_view id) { return FExchangers[row][0] < id; });
    if (at == FById->end() || FExchangers[*at][0] != Id) {
        return -1;
    }
    return static_cast<int>(*at);
}

const std::string& TExchangerLookup::Name(int Index) {
    const auto [at, added] = FNames.try_emplace(Index);
    if (added) {
        at->second = ExchangerName(FExchangers[static_cast<std::size_t>(Index)][1]);
    }
    return at->second;
}

std::string ExchangerFullName(const TStringMatrix& Exchangers, std::int32_t Eid) {
    for (const TStringRow row : Exchangers) {
        if (row.size() >= 2 && ParseInt32(row[0]) == Eid)
            return std::string(row[1]);
    }
    return {};
}
