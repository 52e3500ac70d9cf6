#pragma once
// The fixed catalogues the demo feeds are drawn from: currencies with their market value, exchanger names,
// and the pairs that many exchangers quote.

#include <span>
#include <string_view>

// One currency of the names feed.
struct TDemoCurrency {
    std::string_view Code; // feed code: [a-z0-9.- ], lower case mostly
    std::string_view Name; // display name, never holds ";"
    std::string_view Unit; // the names feed's third column
    double UsdValue = 0;   // market value of one unit in US dollars
};

// A source and target code quoted by many exchangers.
struct TDemoPair {
    std::string_view Src;
    std::string_view Dst;
};

// Every currency the demo service knows (more than 60). Never throws.
std::span<const TDemoCurrency> DemoCurrencies();

// Exchanger names that every generated list carries: short, long, Cyrillic, with a comma or a quote.
std::span<const std::string_view> DemoFixedExchangerNames();

// Word halves that are joined into further exchanger names (Latin and Cyrillic).
std::span<const std::string_view> DemoLatinHeads();
std::span<const std::string_view> DemoLatinTails();
std::span<const std::string_view> DemoCyrillicHeads();
std::span<const std::string_view> DemoCyrillicTails();

// Pairs quoted by a hundred exchangers or more.
std::span<const TDemoPair> DemoPopularPairs();

// Quotes of a pair that pay above the market: Premiums[i] (a fraction of the market rate; 0 for none) for the
// i-th exchanger that quotes the pair.
struct TDemoPremium {
    TDemoPair Pair;
    double Premiums[2] = {};
};

// The pairs some exchangers quote above the market (Tether sold for roubles), so that routes through them
// beat the direct offers of other pairs. Never throws.
std::span<const TDemoPremium> DemoPremiumQuotes();
