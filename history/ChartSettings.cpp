#include "history/ChartSettings.h"

#include "engine/LiveSettings.h"
#include "settings/SettingsKeys.h"

#include <optional>
#include <string>

bool ReadChartShown(const TConfigDoc& Doc) {
    try {
        return ConfigTextToBool(ConfigReadStored(Doc, kChartShownKey).value_or("false"));
    } catch (const EConfigError&) {
        return false;
    }
}

TChartRange ReadChartRange(const TConfigDoc& Doc) {
    return RangeNamed(ConfigReadStored(Doc, kChartRangeKey).value_or("")).value_or(TChartRange::Day);
}

void WriteChartShown(const TConfigDoc& Doc, bool Shown) {
    WriteUnlessDefault(Doc, kChartShownKey, Shown, false);
}

void WriteChartRange(const TConfigDoc& Doc, TChartRange Range) {
    WriteUnlessDefault(Doc, kChartRangeKey, std::string(RangeName(Range)),
                       std::string(RangeName(TChartRange::Day)));
}
