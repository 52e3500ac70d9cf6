#include "engine/LiveSettings.h"

#include "engine/RefreshState.h"

#include <optional>

namespace {

std::optional<std::string> Stored(const TConfigDoc& Doc, const std::string& Key) {
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

std::string AlertKey(int Number, const char* Field) {
    return std::string(kAlertsGroup) + "/" + kAlertEntry + std::to_string(Number) + "/" + Field;
}

} // namespace

bool ReadUseSavedFeeds(const TConfigDoc& Doc) {
    const std::optional<std::string> text = Stored(Doc, kUseSavedKey);
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
    return AutoRefreshMinutesFromText(Stored(Doc, kAutoMinutesKey));
}

void WriteUnlessDefault(const TConfigDoc& Doc, const std::string& Key, const TConfigValue& Value,
                        const TConfigValue& Default) {
    if (Value.Text() == Default.Text() && !Stored(Doc, Key)) {
        return;
    }
    ConfigWrite(Doc, Key, Value);
}

std::vector<TRateAlert> ReadRateAlerts(const TConfigDoc& Doc) {
    std::vector<TRateAlert> alerts;
    // Numbers need not be dense: a hand-removed entry does not hide the ones after it.
    for (int number = 1; number <= kMaxRateAlerts; ++number) {
        TRateAlert alert;
        const std::optional<std::string> give = Stored(Doc, AlertKey(number, kAlertGiveField));
        const std::optional<std::string> get = Stored(Doc, AlertKey(number, kAlertGetField));
        if (!give || !get) {
            continue;
        }
        alert.Give = *give;
        alert.Get = *get;
        alert.Level = Stored(Doc, AlertKey(number, kAlertLevelField)).value_or(std::string());
        try {
            alert.Enabled =
                ConfigTextToBool(Stored(Doc, AlertKey(number, kAlertEnabledField)).value_or("true"));
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
