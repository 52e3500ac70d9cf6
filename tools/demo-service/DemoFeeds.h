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

// The body of the feed an "action" names, or nullptr for an unknown action. Never throws.
const std::string* DemoFeedBody(const TDemoFeeds& Feeds, std::string_view Action);

// The name of exchanger Id in an exchangers body ("id;name;..." lines; the first line with that id serves),
// or nullopt when no line carries it. Never throws.
std::optional<std::string> FindExchangerName(std::string_view ExchangersBody, std::string_view Id);
