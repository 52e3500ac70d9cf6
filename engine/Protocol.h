#pragma once
// The rates service's protocol: the four feed requests, the feed patterns, and feed bodies turned into
// tables.

#include "engine/Functions.h"
#include "net/TCP.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

// Scheme and host of the service, without a trailing slash (the build's KOVRIN_SERVICE_BASE).
extern const std::string ServiceBase;

// The protocol tag every request carries as the cookie "version".
inline constexpr std::string_view kProtocolVersion = "1.0.1";
// Time-out of a feed request, ms.
inline constexpr std::int32_t kFeedTimeout = 30000;

// Feed names, in the order a refresh requests them.
inline constexpr std::string_view kFeedNews = "news";
inline constexpr std::string_view kFeedRates = "rates";
inline constexpr std::string_view kFeedNames = "names";
inline constexpr std::string_view kFeedExchangers = "exchangers";

// Record patterns of the three data feeds.
inline constexpr std::string_view kRatesPattern =
    R"(([0-9]+);([a-z0-9\.\- ]+);([a-z0-9\.\- ]+);([0-9\.]+);([0-9\.]+);([0-9\.]+))";
inline constexpr std::string_view kNamesPattern = R"(([a-z0-9\.\- ]+);([^;]+);([^\n]+))";
inline constexpr std::string_view kExchangersPattern = R"(([0-9]+);([^;]+);([0-9]*);([0-9]*))";

// The request record of one feed: Timeout 30000, URL Base + "/callback", PostParams ("action", Feed),
// Cookies ("appguid", Guid) then ("version", "1.0.1"), the proxy variables of the environment as curl reads
// them; everything else empty.
TIData MakeFeedRequest(std::string_view Base, std::string_view Feed, const std::string& Guid);

// A feed body's bytes decoded as text (lenient UTF-8).
std::string DecodeFeedBody(std::string_view BodyBytes);

// The news text: the decoded body with every character up to U+0020 removed from both ends.
std::string NewsText(std::string_view BodyBytes);

// Most bytes the rows of a feed's table may need (the text they span and a few bytes per field): far above
// any real feed (the demo service's largest, 200,000 rates rows, needs about 9 MiB), far below what a body of
// short rows up to the 256 MiB body cap would make (up to three times its size).
inline constexpr std::size_t kFeedTableBudget = std::size_t{32} << 20;

// The table of a data feed ("rates", "names" or "exchangers") from its body bytes, its fields copied. Throws
// ETableTooLarge when its rows would need more than Budget bytes: such a feed is a failed one. Throws
// std::invalid_argument for another feed name.
TStringMatrix FeedTable(std::string_view Feed, std::string_view BodyBytes,
                        std::size_t Budget = kFeedTableBudget);
// The same table, which shares the body with the caller as the text its fields point into (when they cover at
// least half of it): the one copy of the feed, which the feed cache or a mapped file holds too.
TStringMatrix FeedTableShared(std::string_view Feed, TSharedText BodyBytes,
                              std::size_t Budget = kFeedTableBudget);

// The page of one exchanger: Base + "/click/" + the decimal EID.
std::string ExchangerPageUrl(std::string_view Base, std::int32_t EID);
