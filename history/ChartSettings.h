#pragma once
// The chart's settings, in a group of their own, each written only once the user changed it from its default
// (or when it is already stored):
//
//   "Chart/Shown"  boolean, default false: the rates tab shows the chart under the grid
//   "Chart/Range"  "24h", "7d", "30d" or "1y", default "24h": the span the chart covers

#include "history/HistoryRange.h"
#include "settings/XMLConf.h"

// "Chart/Shown" as stored; false when missing or not a boolean. Never throws.
bool ReadChartShown(const TConfigDoc& Doc);
// "Chart/Range" as stored; 24 hours when missing or any other text. Never throws.
TChartRange ReadChartRange(const TConfigDoc& Doc);
// Store them (WriteUnlessDefault). Throw EConfigError as ConfigWrite does.
void WriteChartShown(const TConfigDoc& Doc, bool Shown);
void WriteChartRange(const TConfigDoc& Doc, TChartRange Range);
