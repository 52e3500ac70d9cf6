#pragma once
// The demo news feed: a few items in Russian whose links cover every kind the news view opens.

#include <cstddef>
#include <cstdint>
#include <string>

// The news body for Seed, mentioning the counts of exchangers and currencies. Never throws but for bad_alloc.
std::string DemoNewsBody(std::uint64_t Seed, std::size_t ExchangerCount, std::size_t CurrencyCount);
