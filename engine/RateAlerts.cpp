#include "engine/RateAlerts.h"

#include "engine/ServiceAddress.h"
#include "engine/Text.h"

#include <algorithm>
#include <charconv>
#include <cstdio>

namespace {

constexpr std::size_t kMaxLevelText = 30;

// Rate as RateText shows it (15 significant digits), read back. A rate is a quotient of two decimals and may
// come out a hair off the decimal it stands for; at the digits shown it is that decimal again, and it
// compares with a level read from its decimals the same way.
long double ShownRate(long double Rate) {
    char text[64];
    const auto written =
        std::to_chars(text, text + sizeof text, static_cast<double>(Rate), std::chars_format::scientific, 14);
    long double shown = Rate;
    std::from_chars(text, written.ptr, shown);
    return shown;
}

} // namespace

std::optional<long double> AlertLevel(std::string_view Text) {
    if (Text.empty() || Text.size() > kMaxLevelText) {
        return std::nullopt;
    }
    int dots = 0;
    for (const char c : Text) {
        if (c == '.') {
            ++dots;
        } else if (c < '0' || c > '9') {
            return std::nullopt;
        }
    }
    if (dots > 1 || Text == ".") {
        return std::nullopt;
    }
    const std::optional<long double> level = ParseDecimal(Text);
    if (!level || !(*level > 0)) {
        return std::nullopt;
    }
    return level;
}

bool SameAlert(const TRateAlert& A, const TRateAlert& B) {
    if (A.Give != B.Give || A.Get != B.Get) {
        return false;
    }
    const std::optional<long double> a = AlertLevel(A.Level);
    return a ? a == AlertLevel(B.Level) : A.Level == B.Level;
}

std::optional<TBestOffer> BestOffer(const std::vector<TOfferRow>& Rows) {
    std::optional<TBestOffer> best;
    for (const TOfferRow& row : Rows) {
        // An exchanger with nothing in reserve cannot pay, however good its quote.
        if (!(row.Quote > 0) || !(row.Reserve > 0)) {
            continue;
        }
        // Strictly higher only: of equal rates the earlier row stays.
        if (!best || row.Quote > best->Rate) {
            best = TBestOffer{row, row.Quote};
        }
    }
    return best;
}

std::optional<TBestOffer> BestOfferFor(const TStringMatrix& Rates, const TStringMatrix& Names,
                                       const TStringMatrix& Exchangers, const std::string& Give,
                                       const std::string& Get) {
    TQuoteRows quotes;
    return BestOfferFor(Rates, Names, Exchangers, Give, Get, quotes);
}

std::optional<TBestOffer> BestOfferFor(const TStringMatrix& Rates, const TStringMatrix& Names,
                                       const TStringMatrix& Exchangers, const std::string& Give,
                                       const std::string& Get, TQuoteRows& Quotes) {
    TOfferControls controls;
    controls.SrcName = Give;
    controls.DstName = Get;
    return BestOffer(FillOffers(Rates, Names, Exchangers, controls, Quotes));
}

std::vector<double> AlertLevelsFor(const std::vector<TRateAlert>& Alerts, std::string_view Give,
                                   std::string_view Get) {
    std::vector<double> levels;
    for (const TRateAlert& alert : Alerts) {
        const std::optional<long double> level = AlertLevel(alert.Level);
        if (level && alert.Give == Give && alert.Get == Get) {
            levels.push_back(static_cast<double>(*level));
        }
    }
    return levels;
}

bool RateReaches(long double Rate, long double Level) {
    return Rate >= Level || ShownRate(Rate) >= Level;
}

bool RateAtMost(long double Rate, long double Level) {
    return Rate <= Level || ShownRate(Rate) <= Level;
}

std::string RateText(long double Rate) {
    return DecimalText(static_cast<double>(Rate));
}

std::vector<TAlertFired> TAlertWatch::Check(const std::vector<TRateAlert>& Alerts,
                                            const TBestOfferLookup& BestFor) {
    Forget(Alerts);
    std::vector<TAlertFired> fired;
    for (const TRateAlert& alert : Alerts) {
        const std::optional<long double> level = AlertLevel(alert.Level);
        if (!alert.Enabled || !level) {
            continue;
        }
        const auto key = std::make_tuple(alert.Give, alert.Get, alert.Level);
        const std::optional<TBestOffer> best = BestFor(alert.Give, alert.Get);
        if (!best) {
            continue;
        }
        const bool reached = RateReaches(best->Rate, *level);
        bool& was = FReached[key];
        if (reached && !was) {
            fired.push_back({alert, *best});
        }
        was = reached;
    }
    return fired;
}

void TAlertWatch::Forget(const std::vector<TRateAlert>& Alerts) {
    std::erase_if(FReached, [&](const auto& Entry) {
        return std::none_of(Alerts.begin(), Alerts.end(), [&](const TRateAlert& Alert) {
            return Alert.Enabled && AlertLevel(Alert.Level) &&
                   std::tie(Alert.Give, Alert.Get, Alert.Level) == Entry.first;
        });
    });
}

std::vector<TAlertFired> TServiceAlertWatch::Check(std::string_view Base,
                                                   const std::vector<TRateAlert>& Alerts,
                                                   const TBestOfferLookup& BestFor) {
    const std::string key = ServiceKey(Base);
    for (auto& [service, watch] : FWatches) {
        if (service != key) {
            watch.Forget(Alerts);
        }
    }
    return FWatches[key].Check(Alerts, BestFor);
}

std::string AlertDescription(const TRateAlert& Alert) {
    return "уведомить, когда за 1 " + Alert.Give + " дают не меньше " + Alert.Level + " " + Alert.Get;
}

std::string AlertStanding(const TRateAlert& Alert, const std::optional<TBestOffer>& Best) {
    const std::optional<long double> level = AlertLevel(Alert.Level);
    if (!level) {
        return {};
    }
    if (!Best) {
        return "сейчас нет предложений с резервом";
    }
    const std::string now = "лучший курс сейчас " + RateText(Best->Rate) + " — ";
    if (RateReaches(Best->Rate, *level)) {
        return now + "уровень достигнут";
    }
    // The rise the best rate still needs, in percent of itself: one decimal below 10, whole ones above.
    const double need = static_cast<double>((*level / Best->Rate - 1) * 100);
    if (!(need >= 0.05)) {
        return now + "ещё меньше 0,1 %";
    }
    char text[64];
    if (need < 9.95) {
        std::snprintf(text, sizeof text, "%.1f", need);
    } else {
        std::snprintf(text, sizeof text, "%.0f", std::min(need, 1e15));
    }
    std::string percent = text;
    std::replace(percent.begin(), percent.end(), '.', ','); // as Russian writes a fraction
    return now + "ещё " + percent + " %";
}

std::string AlertNoticeText(const TAlertFired& Fired) {
    return "За 1 " + Fired.Alert.Give + " дают " + RateText(Fired.Best.Rate) + " " + Fired.Alert.Get +
           ": обменник " + Fired.Best.Row.Exchanger + ", резерв " + DecimalText(Fired.Best.Row.Reserve) +
           " " + Fired.Alert.Get + " (уровень " + Fired.Alert.Level + ")";
}
