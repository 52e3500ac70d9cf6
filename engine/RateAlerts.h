#pragma once
// Rate alerts: "tell me when 1 GIVE buys at least X GET". After each refresh whose rates arrived, every
// enabled alert looks at the best offer for its pair; it fires when the best rate reaches its level and had
// not at the previous check, and not again until the rate has fallen below the level and risen once more.

#include "engine/Offers.h"

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <tuple>
#include <vector>

// One alert, as the settings tab lists it.
struct TRateAlert {
    std::string Give;  // display name of the currency given (names feed column 1)
    std::string Get;   // display name of the currency received
    std::string Level; // the level as typed: digits with at most one "."
    bool Enabled = true;
    bool operator==(const TRateAlert&) const = default;
};

// The level Text stands for: digits with at most one "." (1 to 30 characters) reading as a number above 0;
// nullopt for anything else. Never throws.
std::optional<long double> AlertLevel(std::string_view Text);

// Whether A and B watch the same pair at the same level, the levels compared as numbers: "1.5" and "1.50"
// would fire together, so they are one alert. Never throws.
bool SameAlert(const TRateAlert& A, const TRateAlert& B);

// The levels of the alerts on the pair Give -> Get, in list order, switched off or not: what the pair's chart
// draws. Levels that do not read as a number are left out. Never throws beyond allocation.
std::vector<double> AlertLevelsFor(const std::vector<TRateAlert>& Alerts, std::string_view Give,
                                   std::string_view Get);

// The best offer of a pair and its rate: what one unit given buys.
struct TBestOffer {
    TOfferRow Row;        // as the grid shows it
    long double Rate = 0; // Get / Give of the rates row, unrounded
};

// The offer with the highest quote (TOfferRow::Quote, the rates row's own get / give, not the grid's
// amounts) among those whose quote and reserve are above 0 (one that holds no reserve cannot pay); of equal
// rates the earlier row. nullopt when there is none. Never throws.
std::optional<TBestOffer> BestOffer(const std::vector<TOfferRow>& Rows);

// BestOffer of the offers FillOffers makes for the pair without amounts. Never throws beyond allocation.
std::optional<TBestOffer> BestOfferFor(const TStringMatrix& Rates, const TStringMatrix& Names,
                                       const TStringMatrix& Exchangers, const std::string& Give,
                                       const std::string& Get);
// The same, finding the pair's quoting rows through Quotes: kept for the pair while the rates table stays.
std::optional<TBestOffer> BestOfferFor(const TStringMatrix& Rates, const TStringMatrix& Names,
                                       const TStringMatrix& Exchangers, const std::string& Give,
                                       const std::string& Get, TQuoteRows& Quotes);

// Whether Rate is at least (AtMost: at most) Level, either as it is or at the 15 significant digits RateText
// shows: a rate equal to the level as decimals (0.020579052 / 0.1007 for 0.20436) reaches it, whatever the
// binary digits beyond. Never throws.
bool RateReaches(long double Rate, long double Level);
bool RateAtMost(long double Rate, long double Level);

// A rate in the grid's number format (up to 15 significant digits, a small one written out: "0.00000257").
std::string RateText(long double Rate);

// An alert that fired, with the offer that made it.
struct TAlertFired {
    TRateAlert Alert;
    TBestOffer Best;
};

// The best offer for a pair of display names, or nullopt when there is none.
using TBestOfferLookup =
    std::function<std::optional<TBestOffer>(const std::string& Give, const std::string& Get)>;

// Remembers, per alert, whether its level was reached at the previous check.
class TAlertWatch final {
  public:
    // Checks every enabled alert with a valid level: fires (returns it) when the best rate is at least the
    // level and was not at the previous check. A pair without an offer now keeps what it had; a disabled,
    // changed or removed alert forgets it, so it may fire again once enabled. The first check of an alert
    // fires when the level is already reached. Never throws beyond allocation.
    std::vector<TAlertFired> Check(const std::vector<TRateAlert>& Alerts, const TBestOfferLookup& BestFor);
    // Forgets what it knows of any alert that is not among the enabled ones of Alerts with a valid level (as
    // Check does), without a check. Never throws.
    void Forget(const std::vector<TRateAlert>& Alerts);

  private:
    std::map<std::tuple<std::string, std::string, std::string>, bool> FReached;
};

// A TAlertWatch per service: the rates of one service are compared with what the same service gave at its
// previous check, so a switch of services neither fires an alert nor keeps one quiet through the other
// service's rates, and coming back finds the state that service left.
class TServiceAlertWatch final {
  public:
    // TAlertWatch::Check for rates that came from the service at Base (services told apart by ServiceKey);
    // every other service's state forgets the alerts that are no longer watched, as this one's does. Never
    // throws beyond allocation.
    std::vector<TAlertFired> Check(std::string_view Base, const std::vector<TRateAlert>& Alerts,
                                   const TBestOfferLookup& BestFor);

  private:
    std::map<std::string, TAlertWatch, std::less<>> FWatches;
};

// How the settings tab lists an alert: "уведомить, когда за 1 Bitcoin BTC дают не меньше 3000000 Сбербанк
// RUB".
std::string AlertDescription(const TRateAlert& Alert);

// How an alert stands now, for the alert list: the best rate of its pair (BestOffer's rule, so what the alert
// would name) and how far the level is: "лучший курс сейчас 2998371 — ещё 0,2 %" (the rise the rate still
// needs, at least "меньше 0,1 %"), "лучший курс сейчас 3050000 — уровень достигнут", or "сейчас нет
// предложений с резервом" without such an offer. Empty for a level that does not read. Never throws (but
// std::bad_alloc).
std::string AlertStanding(const TRateAlert& Alert, const std::optional<TBestOffer>& Best);

// The text of the notification: the pair, the rate, the exchanger and its reserve ("За 1 Bitcoin BTC дают
// 3050000 Сбербанк RUB: обменник SuperObmen, резерв 145149.22 Сбербанк RUB (уровень 3000000)").
std::string AlertNoticeText(const TAlertFired& Fired);
