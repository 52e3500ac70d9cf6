#include "engine/LiveSettings.h"

#include "engine/RefreshState.h"

#include <algorithm>
#include <optional>
#include <utility>

namespace {

std::string AlertKey(int Number, const char* Field) {
    return std::string(kAlertsGroup) + "/" + kAlertEntry + std::to_string(Number) + "/" + Field;
}

// The numbers of the stored entries past kMaxRateAlerts ("Alert101", ...), in the file's order: they are
// never read, and never dropped by a write either.
std::vector<int> NumbersPastTheLimit(const TConfigDoc& Doc) {
    std::vector<int> numbers;
    const std::string entry = kAlertEntry;
    for (const std::string& name : ConfigChildNames(Doc, kAlertsGroup)) {
        if (name.size() <= entry.size() || name.size() > entry.size() + 9 ||
            name.compare(0, entry.size(), entry) != 0 || name[entry.size()] == '0' ||
            !std::all_of(name.begin() + static_cast<std::ptrdiff_t>(entry.size()), name.end(),
                         [](char Digit) { return Digit >= '0' && Digit <= '9'; })) {
            continue;
        }
        const int number = std::stoi(name.substr(entry.size()));
        if (number > kMaxRateAlerts) {
            numbers.push_back(number);
        }
    }
    return numbers;
}

constexpr const char* kAlertFields[] = {kAlertGiveField, kAlertGetField, kAlertLevelField,
                                        kAlertEnabledField};

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

int CountRateAlertsPastTheLimit(const TConfigDoc& Doc) {
    try {
        return static_cast<int>(NumbersPastTheLimit(Doc).size());
    } catch (const EConfigError&) {
        return 0;
    }
}

void WriteRateAlerts(const TConfigDoc& Doc, const std::vector<TRateAlert>& Alerts) {
    // The entries the window never read are written back as they were, after its own.
    std::vector<std::pair<std::string, std::string>> unread;
    for (const int number : NumbersPastTheLimit(Doc)) {
        for (const char* field : kAlertFields) {
            if (std::optional<std::string> text = ConfigReadStored(Doc, AlertKey(number, field))) {
                unread.emplace_back(AlertKey(number, field), std::move(*text));
            }
        }
    }
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
    for (const auto& [key, text] : unread) {
        ConfigWrite(Doc, key, text);
    }
}
