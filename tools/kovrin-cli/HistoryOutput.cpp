#include "tools/kovrin-cli/HistoryOutput.h"

#include "engine/RateAlerts.h"
#include "engine/Text.h"
#include "tools/kovrin-cli/CliText.h"

std::string HistoryCsvHeader() {
    return "time,Rate,Median,Offers,EID,Exchanger,Reserve,Low,High\n";
}

std::string HistoryLine(const TRatePoint& Point, const TWatchTime& At, THistoryFormat Format) {
    const std::string rate = RateText(Point.Rate);
    const std::string median = RateText(Point.Median);
    const std::string reserve = DecimalText(Point.Reserve);
    const std::string low = RateText(Point.Low);
    const std::string high = RateText(Point.High);
    switch (Format) {
    case THistoryFormat::Csv:
        return CsvField(WatchIsoTime(At)) + "," + rate + "," + median + "," + std::to_string(Point.Offers) +
               "," + std::to_string(Point.EID) + "," + CsvField(Point.Exchanger) + "," + reserve + "," + low +
               "," + high + "\n";
    case THistoryFormat::Json: {
        // A rate that is no JSON number (an infinity) is written as null.
        const auto number = [](const std::string& Text) { return IsJsonNumber(Text) ? Text : "null"; };
        return "{\"time\": " + JsonString(WatchIsoTime(At)) + ", \"Rate\": " + number(rate) +
               ", \"Median\": " + number(median) + ", \"Offers\": " + std::to_string(Point.Offers) +
               ", \"EID\": " + std::to_string(Point.EID) + ", \"Exchanger\": " + JsonString(Point.Exchanger) +
               ", \"Reserve\": " + number(reserve) + ", \"Low\": " + number(low) +
               ", \"High\": " + number(high) + "}\n";
    }
    case THistoryFormat::Text:
        break;
    }
    std::string line = WatchTimeText(At) + "  " + OneLine(Point.Exchanger) + "  " + rate + "  " + reserve +
                       "  median " + median + "  " + std::to_string(Point.Offers) + " offers";
    if (Point.Level != TPointLevel::Refresh) {
        line += std::string(Point.Level == TPointLevel::Hour ? "  (hour: " : "  (day: ") + low + " to " +
                high + ")";
    }
    return line + "\n";
}
