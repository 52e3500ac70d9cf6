#pragma once
// The status line's account of the data on screen: after each refresh, the time of the rates shown, or which
// feeds failed and why. The window feeds it the outcome of every feed and shows its text.

#include "net/TCP.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// A local date and time of day, as the user's clock shows it.
struct TWallClock {
    int Year = 0;
    int Month = 0; // 1..12
    int Day = 0;   // 1..31
    int Hour = 0;
    int Minute = 0;
    int Second = 0;

    bool SameDay(const TWallClock& Other) const {
        return Year == Other.Year && Month == Other.Month && Day == Other.Day;
    }
};

// The local time now. Never throws.
TWallClock WallClockNow();

// The local time of a moment given in seconds since the epoch. Never throws.
TWallClock WallClockAt(std::int64_t UnixSeconds);

// "14:05:09" when At is on Today's date, else "09.12.2026 14:05:09".
std::string WallClockText(const TWallClock& At, const TWallClock& Today);
// Value with at least two digits: "05". Throws std::bad_alloc only.
std::string TwoDigits(int Value);

// The four feeds of a refresh, in the order a refresh requests them.
enum class TFeed { News, Rates, Names, Exchangers };
inline constexpr std::size_t kFeedCount = 4;
inline constexpr std::array<TFeed, kFeedCount> kAllFeeds = {TFeed::News, TFeed::Rates, TFeed::Names,
                                                            TFeed::Exchangers};

// The protocol's name of Feed: "news", "rates", "names" or "exchangers".
constexpr std::string_view FeedName(TFeed Feed) {
    constexpr std::array<std::string_view, kFeedCount> kNames = {"news", "rates", "names", "exchangers"};
    return kNames[static_cast<std::size_t>(Feed)];
}

// Why an exchange brought no usable answer, in words a person understands (Russian, lower case): "нет связи с
// сервером", "сервер не ответил вовремя", "ошибка сервера (HTTP 503)"...; empty when ExchangeSucceeded.
// Never throws (but std::bad_alloc).
std::string FailureCause(const TOData& Output);

// The loader's words under its bar: "Получено 2 из 4" while none failed, else how many were not received
// ("1 из 4 не получен", "2 из 4 не получены"), so the failed share is told in words, not by colour alone.
// Never throws (but std::bad_alloc).
std::string LoaderProgressText(int Received, int Failed, int Total);

class TRefreshStatus final {
  public:
    // A refresh has started: every feed is awaited again, and the requests it makes belong to a new round.
    void RefreshStarted();
    // The user gave up waiting: every feed still awaited counts as not received, and every request made so
    // far and not yet answered is abandoned (see Accepts). False, changing nothing, when no refresh runs.
    bool Cancel();
    // The round of the refresh started last (0 before the first); a request carries it to its completion.
    std::uint64_t Round() const { return FRound; }
    // Whether a completion of a request made in Round may still change anything: false once a cancel has
    // abandoned it, so an answer arriving late after a cancel replaces nothing.
    bool Accepts(std::uint64_t Round) const { return Round > FAbandonedThrough; }
    // Feed answered with a whole 200 and its data replaced what was shown; Records counts the table rows of a
    // data feed (ignored for the news).
    void FeedReplaced(TFeed Feed, std::size_t Records, const TWallClock& At);
    // Feed's exchange failed (Output tells why); what was shown stays.
    void FeedFailed(TFeed Feed, const TOData& Output);
    // Feed was shown from what an earlier run kept, received At; a refresh replaces it.
    void FeedRestored(TFeed Feed, const TWallClock& At);
    // A rate alert that no other way could show: the line begins with it until the next one or until the user
    // refreshes (Text names the pair, the exchanger and the rate).
    void AlertNoticed(std::string Text, const TWallClock& At);
    // The user has seen the alert's line (pressed Refresh): it goes.
    void AlertDismissed() { FAlert.clear(); }
    // Another service is asked from now on: the data shown so far was another's, so no time of it is told.
    void ServiceChanged() {
        FRatesTime.reset();
        FRatesSaved = false;
        FRatesFailed = false;
        FRatesCancelled = false;
        FRatesEmpty = false;
    }

    // True while a refresh has started and not every feed has answered.
    bool Running() const;
    // True while a refresh has started and one of the data feeds (rates, names, exchangers) has not answered:
    // what is built from all three tables would be built again when it does.
    bool DataFeedsPending() const;
    // True when the last refresh's rates feed answered with a whole 200.
    bool RatesAnswered() const;
    // When the rates on screen were received (by this run or, if RatesKept, an earlier one); none yet.
    const std::optional<TWallClock>& RatesTime() const { return FRatesTime; }
    // True while the rates on screen are the ones an earlier run kept.
    bool RatesKept() const { return FRatesSaved; }
    // True when the last refresh that asked for the rates did not get them, until one does.
    bool RatesFailed() const { return FRatesFailed; }
    // True when RatesFailed because the user cancelled the refresh before the rates came.
    bool RatesCancelled() const { return FRatesCancelled; }
    // True when the rates feed last answered with no rows: the rates on screen are older ones.
    bool RatesEmpty() const { return FRatesEmpty; }
    // The line for the status bar, with times relative to Now: empty before the first refresh, or
    // "Сохранённые курсы от 09.12.2026 14:05" when kept rates are shown; "Загрузка данных…" while one runs;
    // "Курсы обновлены в 14:05:09" when all four feeds answered; otherwise which feeds were not received and
    // why ("Обновление отменено: курсы не получены" after a cancel), and the time of the rates still shown.
    // An alert noticed here comes first, the most urgent news.
    std::string Text(const TWallClock& Now) const;

  private:
    enum class TState { Pending, Replaced, Failed, Cancelled };
    struct TSlot {
        TState State = TState::Pending;
        std::string Cause;
        std::size_t Records = 0;
    };

    std::string FailuresText() const;
    std::string CancelledText() const;
    std::string EmptyFeedsText() const;
    std::string RatesTimeText(const TWallClock& Now) const;
    std::string DataText(const TWallClock& Now) const;

    std::array<TSlot, kFeedCount> FSlots{};
    bool FStarted = false;
    std::optional<TWallClock> FRatesTime;
    bool FRatesSaved = false;  // the rates shown were kept by an earlier run
    bool FRatesFailed = false; // the last refresh's rates feed failed; a refresh that runs does not clear it
    bool FRatesCancelled = false; // ...because the refresh was cancelled before they came
    bool FRatesEmpty = false;     // the last rates answer had no rows; the rates shown are older
    std::uint64_t FRound = 0;
    std::uint64_t FAbandonedThrough = 0; // requests of this round and earlier are abandoned
    std::string FAlert;
};
