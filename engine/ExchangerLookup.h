#pragma once
// Exchangers rows by id, and their names as an offer shows them, for one fill of the offer table.

#include "engine/Functions.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

// The exchanger name an offer shows: Name in the ANSI code page cut to its first 20 bytes, back in UTF-8.
// Never throws (but std::bad_alloc).
std::string ExchangerName(std::string_view Name);

// The whole name (column 1) of the first Exchangers row whose id (column 0) reads as Eid, for the cell's
// tooltip; empty when there is none. Linear. Never throws (but std::bad_alloc).
std::string ExchangerFullName(const TStringMatrix& Exchangers, std::int32_t Eid);

// Looks exchangers rows up by id in O(log n) and converts each row's name once. Holds a reference to the
// table, which must neither change nor go while the lookup is used.
class TExchangerLookup final {
  public:
    explicit TExchangerLookup(const TStringMatrix& Exchangers) : FExchangers(Exchangers) {}

    // The same index as ExchangerIndex(Exchangers, Id): the first row whose column 0 is Id, or -1. The index
    // is sorted on the first call. Never throws (but std::bad_alloc).
    int Find(std::string_view Id);

    // ExchangerName of column 1 of row Index (a row with at least two columns), converted on the first call
    // for that row. Never throws (but std::bad_alloc).
    const std::string& Name(int Index);

  private:
    const TStringMatrix& FExchangers;
    std::optional<std::vector<std::uint32_t>> FById; // rows with a column 0, by id, then by position
    std::unordered_map<int, std::string> FNames;
};
