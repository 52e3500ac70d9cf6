#pragma once
// The offers as kovrin-cli prints them: CSV, JSON, or an aligned table with the grid's titles.

#include "engine/Offers.h"

#include <string>
#include <vector>

// CSV: header "EID,Exchanger,SrcRate,DstRate,Reserve,BL", one line per offer, cells as the grid shows them
// (BL empty when null), RFC 4180 quoting, LF line ends.
std::string OffersCsv(const std::vector<TOfferRow>& Rows);

// JSON: an array of objects with the six fields; numbers carry the grid's digits, BL is null when null (as is
// a number the grid cannot show as a JSON number).
std::string OffersJson(const std::vector<TOfferRow>& Rows);

// A table titled "Обменник", "Отдаёте", "Получаете", "Резерв", "BL", columns aligned by display width, names
// left-aligned and numbers right-aligned.
std::string OffersTable(const std::vector<TOfferRow>& Rows);
