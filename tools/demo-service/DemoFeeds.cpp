#include "tools/demo-service/DemoFeeds.h"

#include "tools/demo-service/DemoCatalog.h"
#include "tools/demo-service/DemoNews.h"
#include "tools/demo-service/DemoRandom.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <numeric>
#include <set>
#include <stdexcept>
#include <vector>

namespace {

struct TExchanger {
    std::string Id;
    std::string Name;
    std::string Bl;
    std::string Flag;
    double Spread = 0; // the exchanger's usual margin, a fraction of the market rate
};

struct TQuotedPair {
    std::size_t Src = 0;
    std::size_t Dst = 0;
    std::size_t Quotes = 0;
};

// Fixed notation with at most MaxDecimals decimals, trailing zeros and a bare dot dropped; never an exponent,
// because the rates pattern admits digits and dots only.
std::string FormatFixed(double Value, int MaxDecimals) {
    char buffer[64];
    auto [end, ec] =
        std::to_chars(buffer, buffer + sizeof buffer, Value, std::chars_format::fixed, MaxDecimals);
    if (ec != std::errc())
        return "0";
    std::string text(buffer, end);
    if (text.find('.') != std::string::npos) {
        while (text.back() == '0')
            text.pop_back();
        if (text.back() == '.')
            text.pop_back();
    }
    return text;
}

// About six significant digits: large amounts keep no decimals, small ones up to eight.
std::string FormatAmount(double Value) {
    if (Value <= 0)
        return "0";
    const int magnitude = static_cast<int>(std::floor(std::log10(Value)));
    return FormatFixed(Value, std::clamp(5 - magnitude, 0, 8));
}

std::string FormatReserve(double Value) {
    return Value >= 1 ? FormatFixed(Value, 2) : FormatAmount(Value);
}

std::vector<std::string> ExchangerNames(TDemoRandom& random) {
    std::vector<std::string> combos;
    for (auto head : DemoLatinHeads())
        for (auto tail : DemoLatinTails())
            combos.push_back(std::string(head) + std::string(tail));
    for (auto head : DemoCyrillicHeads())
        for (auto tail : DemoCyrillicTails())
            combos.push_back(std::string(head) + (random.Below(2) == 0 ? "-" : " ") + std::string(tail));
    random.Shuffle(combos);

    std::vector<std::string> names;
    std::set<std::string> seen;
    for (auto name : DemoFixedExchangerNames())
        if (seen.insert(std::string(name)).second)
            names.emplace_back(name);
    for (const auto& name : combos) {
        if (names.size() == kDemoExchangerCount)
            break;
        if (seen.insert(name).second)
            names.push_back(name);
    }
    random.Shuffle(names);
    return names;
}

std::vector<TExchanger> MakeExchangers(TDemoRandom& random) {
    std::vector<TExchanger> exchangers;
    unsigned id = 0;
    for (auto& name : ExchangerNames(random)) {
        id += 1 + static_cast<unsigned>(random.Below(3));
        TExchanger exchanger{std::to_string(id), std::move(name), "", "", 0.002 + random.Unit() * 0.05};
        // Both columns for half, neither for some, one of the two for the rest: the client shows BL only
        // when the second is present.
        const auto kind = random.Below(10);
        if (kind < 5 || kind == 8)
            exchanger.Bl = std::to_string(1 + random.Below(99));
        if (kind < 5 || kind == 9)
            exchanger.Flag = std::to_string(1 + random.Below(9));
        exchangers.push_back(std::move(exchanger));
    }
    return exchangers;
}

std::size_t CodeIndex(std::string_view code) {
    const auto currencies = DemoCurrencies();
    for (std::size_t i = 0; i < currencies.size(); ++i)
        if (currencies[i].Code == code)
            return i;
    throw std::logic_error("demo catalogue: unknown popular code " + std::string(code));
}

// Which pairs are quoted and by how many exchangers, adding up to Rows.
std::vector<TQuotedPair> PlanPairs(TDemoRandom& random, std::size_t rows) {
    const std::size_t currencyCount = DemoCurrencies().size();
    std::vector<TQuotedPair> plan;
    std::set<std::pair<std::size_t, std::size_t>> popular;
    std::size_t left = rows;
    for (const auto& pair : DemoPopularPairs()) {
        const std::size_t quotes = std::min({left, kDemoExchangerCount, 100 + random.Below(50)});
        popular.emplace(CodeIndex(pair.Src), CodeIndex(pair.Dst));
        if (quotes > 0)
            plan.push_back({CodeIndex(pair.Src), CodeIndex(pair.Dst), quotes});
        left -= quotes;
    }

    std::vector<TQuotedPair> others;
    for (std::size_t src = 0; src < currencyCount; ++src)
        for (std::size_t dst = 0; dst < currencyCount; ++dst)
            if (src != dst && !popular.contains({src, dst}))
                others.push_back({src, dst, 0});
    random.Shuffle(others);

    // Spread the rest so that large feeds still end up quoting every pair several times.
    constexpr std::size_t kFewest = 3;
    const std::size_t mean = (left + others.size() - 1) / others.size();
    const std::size_t most = std::min(kDemoExchangerCount, std::max<std::size_t>(14, 2 * mean));
    for (auto& pair : others) {
        if (left < kFewest)
            break;
        pair.Quotes = std::min(left, kFewest + random.Below(most - kFewest + 1));
        left -= pair.Quotes;
        plan.push_back(pair);
    }
    for (auto& pair : plan) {
        if (left == 0)
            break;
        const std::size_t more = std::min(left, kDemoExchangerCount - pair.Quotes);
        pair.Quotes += more;
        left -= more;
    }
    return plan;
}

struct TRateRow {
    std::size_t Exchanger = 0;
    std::string Line;
};

// A quote of Exchanger for Src -> Dst; Premium above 0 makes it pay that much above the market instead of its
// spread below (drawing the same numbers, so that every other quote stays as it is).
std::string QuoteLine(TDemoRandom& random, const TExchanger& exchanger, const TDemoCurrency& src,
                      const TDemoCurrency& dst, double premium) {
    const double market = src.UsdValue / dst.UsdValue; // target units per source unit
    const double spread = std::clamp(exchanger.Spread + (random.Unit() - 0.5) * 0.01, 0.001, 0.08);
    const double paid = market * (premium > 0 ? 1 + premium : 1 - spread);
    // As real feeds do, one side is 1: the unit of whichever currency is worth more, so that every quote of
    // a pair reads in the same units and sorts by its rate.
    double give = 1;
    double get = 1;
    if (market >= 1)
        get = paid;
    else
        give = 1 / paid;

    double reserve = 0;
    if (random.Below(100) >= 4) {
        const double usd = std::pow(10.0, 1 + random.Unit() * 5.7); // $10 to about $5M
        reserve = usd / dst.UsdValue;
    }
    if (premium > 0)
        reserve = std::max(reserve, 50000 / dst.UsdValue); // a promotion worth its name
    return exchanger.Id + ";" + std::string(src.Code) + ";" + std::string(dst.Code) + ";" +
           FormatAmount(give) + ";" + FormatAmount(get) + ";" + FormatReserve(reserve) + "\n";
}

// What the I-th exchanger quoting Src -> Dst pays above the market; 0 for its ordinary quote.
double Premium(std::string_view src, std::string_view dst, std::size_t i) {
    for (const auto& quote : DemoPremiumQuotes())
        if (quote.Pair.Src == src && quote.Pair.Dst == dst && i < std::size(quote.Premiums))
            return quote.Premiums[i];
    return 0;
}

std::string RatesBody(TDemoRandom& random, const std::vector<TExchanger>& exchangers, std::size_t rows) {
    const auto currencies = DemoCurrencies();
    std::vector<TRateRow> lines;
    lines.reserve(rows);
    std::vector<std::size_t> order(exchangers.size());
    for (const auto& pair : PlanPairs(random, rows)) {
        std::iota(order.begin(), order.end(), std::size_t{0});
        random.ShuffleFirst(order, pair.Quotes);
        for (std::size_t i = 0; i < pair.Quotes; ++i)
            lines.push_back(
                {order[i], QuoteLine(random, exchangers[order[i]], currencies[pair.Src], currencies[pair.Dst],
                                     Premium(currencies[pair.Src].Code, currencies[pair.Dst].Code, i))});
    }
    // An exchanger publishes its quotes together.
    std::stable_sort(lines.begin(), lines.end(),
                     [](const TRateRow& a, const TRateRow& b) { return a.Exchanger < b.Exchanger; });

    std::string body = "Kovrin demo rates: exchanger, from, to, give, get, reserve\n";
    body.reserve(body.size() + rows * 48);
    for (const auto& line : lines)
        body += line.Line;
    return body;
}

std::string NamesBody() {
    std::string body = "Kovrin demo currencies: code, name, unit\n";
    for (const auto& currency : DemoCurrencies())
        body += std::string(currency.Code) + ";" + std::string(currency.Name) + ";" +
                std::string(currency.Unit) + "\n";
    return body;
}

std::string ExchangersBody(const std::vector<TExchanger>& exchangers) {
    std::string body = "Kovrin demo exchangers: id, name, BL, BL shown\n";
    for (const auto& exchanger : exchangers)
        body += exchanger.Id + ";" + exchanger.Name + ";" + exchanger.Bl + ";" + exchanger.Flag + "\n";
    return body;
}

} // namespace

TDemoFeeds GenerateDemoFeeds(std::uint64_t Seed, std::size_t RatesRows) {
    if (RatesRows > kMaxRatesRows)
        throw std::invalid_argument("at most " + std::to_string(kMaxRatesRows) +
                                    " rates rows can be generated");
    TDemoRandom random(Seed);
    const auto exchangers = MakeExchangers(random);
    TDemoFeeds feeds;
    feeds.Rates = RatesBody(random, exchangers, RatesRows);
    feeds.Names = NamesBody();
    feeds.Exchangers = ExchangersBody(exchangers);
    feeds.News = DemoNewsBody(Seed, exchangers.size(), DemoCurrencies().size());
    return feeds;
}

std::string DriftDemoRates(std::string_view Rates, std::uint64_t Seed, std::uint64_t Request) {
    // A wave of about 24 requests per turn: a watch polling each minute sees the best offer change hands
    // within the hour, and each step is small.
    constexpr double kWave = 0.015;
    constexpr double kNoise = 0.004;
    constexpr double kRequestsPerTurn = 24;
    std::string out;
    out.reserve(Rates.size() + Rates.size() / 16);
    std::size_t start = 0;
    for (std::uint64_t line = 0; start < Rates.size(); ++line) {
        std::size_t end = Rates.find('\n', start);
        end = end == std::string_view::npos ? Rates.size() : end + 1;
        const std::string_view text = Rates.substr(start, end - start);
        start = end;

        std::vector<std::string_view> fields;
        for (std::size_t from = 0;;) {
            const std::size_t semicolon = text.find(';', from);
            fields.push_back(
                text.substr(from, semicolon == std::string_view::npos ? text.npos : semicolon - from));
            if (semicolon == std::string_view::npos)
                break;
            from = semicolon + 1;
        }
        double give = 0;
        double get = 0;
        const auto read = [](std::string_view field, double& value) {
            const auto [end, ec] = std::from_chars(field.data(), field.data() + field.size(), value);
            return ec == std::errc() && end == field.data() + field.size() && value > 0;
        };
        if (fields.size() < 6 || !read(fields[3], give) || !read(fields[4], get)) {
            out += text;
            continue;
        }
        TDemoRandom phase(Seed ^ (0x5DEECE66Dull * (line + 1)));
        TDemoRandom noise(Seed ^ (0x2545F4914F6CDD1Dull * (line + 1)) ^ (Request * 0x9E3779B97F4A7C15ull));
        const double turn = static_cast<double>(Request) / kRequestsPerTurn + phase.Unit();
        const double factor =
            1 + kWave * std::sin(2 * std::acos(-1.0) * turn) + kNoise * (noise.Unit() - 0.5);
        // The side that is 1 stays 1, as real feeds keep it.
        const bool moveGive = fields[3] != "1" && fields[4] == "1";
        std::string moved(moveGive ? FormatAmount(give * factor) : FormatAmount(get * factor));
        for (std::size_t i = 0; i < fields.size(); ++i) {
            if (i > 0)
                out += ';';
            out += (i == 3 && moveGive) || (i == 4 && !moveGive) ? std::string_view(moved) : fields[i];
        }
    }
    return out;
}

const std::string* DemoFeedBody(const TDemoFeeds& Feeds, std::string_view Action) {
    if (Action == "news")
        return &Feeds.News;
    if (Action == "rates")
        return &Feeds.Rates;
    if (Action == "names")
        return &Feeds.Names;
    if (Action == "exchangers")
        return &Feeds.Exchangers;
    return nullptr;
}

std::optional<std::string> FindExchangerName(std::string_view ExchangersBody, std::string_view Id) {
    if (Id.empty())
        return std::nullopt;
    std::size_t start = 0;
    while (start < ExchangersBody.size()) {
        std::size_t end = ExchangersBody.find('\n', start);
        if (end == std::string_view::npos)
            end = ExchangersBody.size();
        const auto line = ExchangersBody.substr(start, end - start);
        start = end + 1;
        const auto idEnd = line.find(';');
        if (idEnd == std::string_view::npos || line.substr(0, idEnd) != Id)
            continue;
        const auto nameEnd = line.find(';', idEnd + 1);
        auto name =
            line.substr(idEnd + 1, nameEnd == std::string_view::npos ? line.npos : nameEnd - idEnd - 1);
        if (!name.empty() && name.back() == '\r')
            name.remove_suffix(1);
        return std::string(name);
    }
    return std::nullopt;
}
