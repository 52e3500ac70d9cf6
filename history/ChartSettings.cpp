#include "history/ChartSettings.h"

#include "engine/LiveSettings.h"
#include "settings/SettingsKeys.h"

#include <optional>
#include <string>

namespace {

std::optional<std::string> Stored(const TConfigDoc& Doc, const char* Key) {
    try {
        std::string value;
        if (ConfigRead(Doc, Key, value)) {
            return value;
        }
    } catch (const EConfigError&) {
        // An element holding others is no value; the default stands.
    }
    return std::nullopt;
}

} // namespace

bool ReadChartShown(const TConfigDoc& Doc) {
    try {
        return ConfigTextToBool(Stored(Doc, kChartShownKey).value_or("false"));
    } catch (const EConfigError&) {
        return false;
    }
}

TChartRange ReadChartRange(const TConfigDoc& Doc) {
    return RangeNamed(Stored(Doc, kChartRangeKey).value_or("")).value_or(TChartRange::Day);
}

void WriteChartShown(const TConfigDoc& Doc, bool Shown) {
    WriteUnlessDefault(Doc, kChartShownKey, Shown, false);
}

void WriteChartRange(const TConfigDoc& Doc, TChartRange Range) {
    WriteUnlessDefault(Doc, kChartRangeKey, std::string(RangeName(Range)),
                       std::string(RangeName(TChartRange::Day)));
}
