#include "engine/LiveSettings.h"

#include "engine/RefreshState.h"

#include <optional>

namespace {

std::string AlertKey(int Number, const char* Field) {
    return std::string(kAlertsGroup) + "/" + kAlertEntry + std::to_string(Number) + "/" + Field;
}

} // namespace

bool ReadUseSavedFeeds(const TConfigDoc& Doc) {
    const std::optional<std::string> text = ConfigReadStored(Doc, kUseSavedKey);
    if (!text) {
        return true;
    }
    try {
        return ConfigTextToBool(*text);
    } catch (const EConfigError&) {
        return true;
    }
}

int ReadAutoRefreshMinutes(const TConfigDoc& Doc) {
    return AutoRefreshMinutesFromText(ConfigReadStored(Doc, kAutoMinutesKey));
}

void WriteUnlessDefault(const TConfigDoc& Doc, const std::string& Key, const TConfigValue& Value,
                        const TConfigValue& Default) {
    if (Value.Text() == Default.Text() && !ConfigReadStored(Doc, Key)) {
        return;
    }
    ConfigWrite(Doc, Key, Value);
}

std::vector<TRateAlert> ReadRateAlerts(const TConfigDoc& Doc) {
    std::vector<TRateAlert> alerts;
    // Numbers need not be dense: a hand-removed entry does not hide the ones after it.
    for (int number = 1; number <= kMaxRateAlerts; ++number) {
        TRateAlert alert;
        const std::optional<std::string> give = ConfigReadStored(Doc, AlertKey(number, kAlertGiveField));
        const std::optional<std::string> get = ConfigReadStored(Doc, AlertKey(number, kAlertGetField));
        if (!give || !get) {
            continue;
        }
        alert.Give = *give;
        alert.Get = *get;
        alert.Level = ConfigReadStored(Doc, AlertKey(number, kAlertLevelField)).value_or(std::string());
        try {
            alert.Enabled = ConfigTextToBool(
                ConfigReadStored(Doc, AlertKey(number, kAlertEnabledField)).value_or("true"));
        } catch (const EConfigError&) {
            alert.Enabled = false;
        }
        alerts.push_back(std::move(alert));
    }
    return alerts;
}

void WriteRateAlerts(const TConfigDoc& Doc, const std::vector<TRateAlert>& Alerts) {
    ConfigDelete(Doc, kAlertsGroup);
    int number = 0;
    for (const TRateAlert& alert : Alerts) {
        if (++number > kMaxRateAlerts) {
            break;
        }
        ConfigWrite(Doc, AlertKey(number, kAlertGiveField), alert.Give);
        ConfigWrite(Doc, AlertKey(number, kAlertGetField), alert.Get);
        ConfigWrite(Doc, AlertKey(number, kAlertLevelField), alert.Level);
        ConfigWrite(Doc, AlertKey(number, kAlertEnabledField), alert.Enabled);
    }
}
