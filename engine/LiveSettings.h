#pragma once
// The settings of live rates, in groups of their own so that the older keys keep their layout:
//
//   "Live/UseSaved"          boolean, default true: show the kept feeds at start
//   "Live/AutoMinutes"       integer minutes, default 0 (off): refresh by itself (one of 0, 1, 5, 15, 60)
//   "Alerts/AlertN/Give"     display name of the currency given (element text, never an element name)
//   "Alerts/AlertN/Get"      display name of the currency received
//   "Alerts/AlertN/Level"    the level, digits with at most one "."
//   "Alerts/AlertN/Enabled"  boolean
//
// N counts from 1. A key is written only once the user has changed it from its default (or when it is already
// stored), so a user who never touches these options keeps a settings.xml without them.

#include "engine/RateAlerts.h"
#include "settings/SettingsKeys.h"
#include "settings/XMLConf.h"

#include <string>
#include <vector>

// How many alerts are read back at most (entries "Alert1" to "Alert100").
inline constexpr int kMaxRateAlerts = 100;

// "Live/UseSaved" as stored; true when missing or not a boolean. Never throws.
bool ReadUseSavedFeeds(const TConfigDoc& Doc);
// "Live/AutoMinutes" as stored (AutoRefreshMinutesFromText); 0 when missing or unreadable. Never throws.
int ReadAutoRefreshMinutes(const TConfigDoc& Doc);

// Writes Value under Key unless Value is Default and Key is not stored: a default never enters the file by
// itself. Throws EConfigError as ConfigWrite does.
void WriteUnlessDefault(const TConfigDoc& Doc, const std::string& Key, const TConfigValue& Value,
                        const TConfigValue& Default);

// The alerts stored under "Alerts", in their order; an entry without a pair is skipped, an unreadable one
// too. Never throws but for memory.
std::vector<TRateAlert> ReadRateAlerts(const TConfigDoc& Doc);
// How many stored entries ReadRateAlerts leaves out because their number is past kMaxRateAlerts. Never
// throws but for memory.
int CountRateAlertsPastTheLimit(const TConfigDoc& Doc);
// Replaces the stored alerts with Alerts: the "Alerts" group is written anew, or removed when Alerts is
// empty and no entry past kMaxRateAlerts is stored; such entries, never read, are kept as they were, after
// the others. Throws EConfigError as ConfigWrite does.
void WriteRateAlerts(const TConfigDoc& Doc, const std::vector<TRateAlert>& Alerts);
