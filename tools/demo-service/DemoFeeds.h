#pragma once
// The four feed bodies of the demo service, generated from a seed: the same seed and row count always give
// the same bytes.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// The seed used when none is given.
inline constexpr std::uint64_t kDefaultDemoSeed = 20240917;
// Rates rows generated when no count is given, and the most that may be asked for.
inline constexpr std::size_t kDefaultRatesRows = 5000;
inline constexpr std::size_t kMaxRatesRows = 200000;
// Exchangers in every generated list.
inline constexpr std::size_t kDemoExchangerCount = 180;

// The four bodies, UTF-8, one record per line after a heading line, LF line ends.
struct TDemoFeeds {
    std::string News;
    std::string Rates;
    std::string Names;
    std::string Exchangers;
};

// Generates the feeds for Seed with RatesRows rates rows. Throws std::invalid_argument when RatesRows exceeds
// kMaxRatesRows.
TDemoFeeds GenerateDemoFeeds(std::uint64_t Seed, std::size_t RatesRows);

// The rates body a drifting service answers to its Request-th rates request (counted from 1): in every quote
// line the side that is not 1 (the get side when both are) moves by a small factor, within 2 % of the
// original, which follows a slow wave per line plus a little noise; both depend on Seed, the line and Request
// alone. Other lines stay as they are. Never throws but for memory.
std::string DriftDemoRates(std::string_view Rates, std::uint64_t Seed, std::uint64_t Request);

// The body of the feed an "action" names, or nullptr for an unknown action. Never throws.
const std::string* DemoFeedBody(const TDemoFeeds& Feeds, std::string_view Action);

// The name of exchanger Id in an exchangers body ("id;name;..." lines; the first line with that id serves),
// or nullopt when no line carries it. Never throws.
std::optional<std::string> FindExchangerName(std::string_view ExchangersBody, std::string_view Id);
