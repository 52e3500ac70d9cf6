#pragma once
// The lines of kovrin-cli history: one recorded point as text, CSV or JSON.

#include "history/RatePoint.h"
#include "tools/kovrin-cli/WatchState.h"

#include <string>

enum class THistoryFormat { Text, Csv, Json };

// The CSV header line: time,Rate,Median,Offers,EID,Exchanger,Reserve,Low,High.
std::string HistoryCsvHeader();

// One point at At (its local time) in Format, with its line end. Text: time, exchanger, rate, largest
// reserve, median and offers two spaces apart, and an hour's or a day's lowest and highest rates. CSV and
// JSON carry the fields of the header; JSON's time is ISO 8601 with the offset.
std::string HistoryLine(const TRatePoint& Point, const TWatchTime& At, THistoryFormat Format);
