#include "engine/RefreshStatus.h"

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <vector>

namespace {

struct TFeedName {
    const char* Lower;
    const char* Capital;
};

// Nominative plural, so every list of them takes "не получены".
constexpr std::array<TFeedName, kFeedCount> kFeedWords = {{
    {"новости", "Новости"},
    {"курсы", "Курсы"},
    {"названия валют", "Названия валют"},
    {"обменники", "Обменники"},
}};

std::size_t IndexOf(TFeed Feed) {
    return static_cast<std::size_t>(Feed);
}

// "a", "a и b", "a, b и c".
std::string JoinNames(const std::vector<std::string>& Names) {
    std::string text;
    for (std::size_t i = 0; i < Names.size(); ++i) {
        if (i > 0) {
            text += i + 1 == Names.size() ? " и " : ", ";
        }
        text += Names[i];
    }
    return text;
}

// The TLS layer names a certificate's common problems in English words; the status line says them in Russian
// and shows any other problem as OpenSSL words it.
std::string CertificateProblem(const std::string& Reason) {
    if (Reason == "unknown issuer")
        return "неизвестный издатель";
    if (Reason == "name mismatch")
        return "выдан на другое имя";
    if (Reason == "expired")
        return "срок действия истёк";
    if (Reason == "not yet valid")
        return "срок действия ещё не начался";
    return Reason;
}

} // namespace

std::string TwoDigits(int Value) {
    char text[8];
    std::snprintf(text, sizeof text, "%02d", Value);
    return text;
}

TWallClock WallClockNow() {
    return WallClockAt(std::time(nullptr));
}

TWallClock WallClockAt(std::int64_t UnixSeconds) {
    const auto at = static_cast<std::time_t>(UnixSeconds);
    std::tm local{};
    if (localtime_r(&at, &local) == nullptr) {
        return {};
    }
    return {local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec};
}

std::string WallClockText(const TWallClock& At, const TWallClock& Today) {
    std::string text = TwoDigits(At.Hour) + ":" + TwoDigits(At.Minute) + ":" + TwoDigits(At.Second);
    if (!At.SameDay(Today)) {
        text = TwoDigits(At.Day) + "." + TwoDigits(At.Month) + "." + std::to_string(At.Year) + " " + text;
    }
    return text;
}

std::string FailureCause(const TOData& Output) {
    switch (Output.Failure) {
    case TExchangeFailure::None:
        break;
    case TExchangeFailure::NoSuchHost:
        return "адрес сервера не найден";
    case TExchangeFailure::Refused:
        return "нет связи с сервером";
    case TExchangeFailure::Unreachable:
        return "нет связи с сервером (сеть недоступна)";
    case TExchangeFailure::Unsupported:
        // A detail names the proxy's scheme: the proxy, not the service, is what cannot be spoken to.
        return Output.FailureDetail.empty() ? "адрес сервера не поддерживается" : "прокси не поддерживается";
    case TExchangeFailure::SendFailed:
        return "связь оборвалась при отправке запроса";
    case TExchangeFailure::Timeout:
    case TExchangeFailure::Closed:
        // A failing status that came whole says more than how the rest broke off.
        if (StatusLineFailed(Output)) {
            break;
        }
        return Output.Failure == TExchangeFailure::Timeout ? "сервер не ответил вовремя"
                                                           : "сервер оборвал ответ";
    case TExchangeFailure::TooLarge:
        return "ответ сервера слишком велик";
    case TExchangeFailure::Certificate:
        return "сертификат не прошёл проверку: " + CertificateProblem(Output.FailureDetail);
    case TExchangeFailure::Handshake:
        return "не удалось установить защищённое соединение";
    case TExchangeFailure::Downgrade:
        return "переадресация с https на http отклонена";
    case TExchangeFailure::ProxyRefused:
        return "прокси отказал: " + Output.FailureDetail;
    case TExchangeFailure::ProxyUnreachable:
        return "прокси недоступен";
    case TExchangeFailure::Malformed:
        return "ответ сервера повреждён";
    case TExchangeFailure::TlsUnavailable:
        return "TLS недоступен: " + Output.FailureDetail;
    }
    if (Output.ResultCode == 200) {
        return {};
    }
    if (Output.ResultCode == 0) {
        return "ответ не по протоколу HTTP";
    }
    // Said in Russian, as the rest of the line: the server's English reason phrase is left out.
    const std::string code = "(HTTP " + std::to_string(Output.ResultCode) + ")";
    if (Output.ResultCode >= 500 && Output.ResultCode <= 599) {
        return "ошибка сервера " + code;
    }
    if (Output.ResultCode >= 400 && Output.ResultCode <= 499) {
        return "сервер отклонил запрос " + code;
    }
    return "неожиданный ответ сервера " + code;
}

std::string LoaderProgressText(int Received, int Failed, int Total) {
    const std::string total = " из " + std::to_string(Total);
    if (Failed <= 0) {
        return "Получено " + std::to_string(Received) + total;
    }
    // "1 из 4 не получен" agrees with the one, "2 из 4 не получены" with the many (21 as 1, 11 as many).
    const bool one = Failed % 10 == 1 && Failed % 100 != 11;
    return std::to_string(Failed) + total + (one ? " не получен" : " не получены");
}

void TRefreshStatus::RefreshStarted() {
    FStarted = true;
    FSlots.fill(TSlot{});
    ++FRound;
}

bool TRefreshStatus::Cancel() {
    if (!Running()) {
        return false;
    }
    for (std::size_t feed = 0; feed < kFeedCount; ++feed) {
        if (FSlots[feed].State == TState::Pending) {
            FSlots[feed] = TSlot{TState::Cancelled, {}, 0};
            if (feed == IndexOf(TFeed::Rates)) {
                FRatesFailed = true;
                FRatesCancelled = true;
            }
        }
    }
    // Whatever was asked until now and has not come is given up, a slower request of an earlier round too.
    FAbandonedThrough = FRound;
    return true;
}

void TRefreshStatus::FeedReplaced(TFeed Feed, std::size_t Records, const TWallClock& At) {
    FStarted = true;
    FSlots[IndexOf(Feed)] = TSlot{TState::Replaced, {}, Records};
    if (Feed == TFeed::Rates) {
        // A rates feed without rows replaces no offer on screen: they stay those of the rates before, and
        // must not pass for new ones.
        FRatesEmpty = Records == 0;
        FRatesFailed = false;
        FRatesCancelled = false;
        if (!FRatesEmpty) {
            FRatesTime = At;
            FRatesSaved = false;
        }
    }
}

void TRefreshStatus::FeedRestored(TFeed Feed, const TWallClock& At) {
    if (Feed == TFeed::Rates) {
        FRatesTime = At;
        FRatesSaved = true;
    }
}

void TRefreshStatus::AlertNoticed(std::string Text, const TWallClock& At) {
    FAlert = "Уведомление в " + TwoDigits(At.Hour) + ":" + TwoDigits(At.Minute) + ": " + std::move(Text);
}

void TRefreshStatus::FeedFailed(TFeed Feed, const TOData& Output) {
    FStarted = true;
    std::string cause = FailureCause(Output);
    if (cause.empty()) {
        cause =
            "ответ не принят"; // a caller's mistake: a good answer reported as failed still says something
    }
    FSlots[IndexOf(Feed)] = TSlot{TState::Failed, std::move(cause), 0};
    if (Feed == TFeed::Rates) {
        FRatesFailed = true;
        FRatesCancelled = false;
    }
}

bool TRefreshStatus::RatesAnswered() const {
    return FStarted && FSlots[IndexOf(TFeed::Rates)].State == TState::Replaced;
}

bool TRefreshStatus::Running() const {
    return FStarted && std::any_of(FSlots.begin(), FSlots.end(),
                                   [](const TSlot& slot) { return slot.State == TState::Pending; });
}

bool TRefreshStatus::DataFeedsPending() const {
    return FStarted && std::any_of(kAllFeeds.begin(), kAllFeeds.end(), [this](TFeed Feed) {
               return Feed != TFeed::News && FSlots[IndexOf(Feed)].State == TState::Pending;
           });
}

std::string TRefreshStatus::Text(const TWallClock& Now) const {
    const std::string data = DataText(Now);
    if (FAlert.empty()) {
        return data;
    }
    return data.empty() ? FAlert : FAlert + ". " + data;
}

std::string TRefreshStatus::DataText(const TWallClock& Now) const {
    if (!FStarted) {
        return FRatesSaved ? RatesTimeText(Now) : std::string();
    }
    if (Running()) {
        return "Загрузка данных…";
    }
    std::vector<std::string> sentences;
    if (std::string cancelled = CancelledText(); !cancelled.empty()) {
        sentences.push_back(std::move(cancelled));
    }
    if (std::string failures = FailuresText(); !failures.empty()) {
        sentences.push_back(std::move(failures));
    }
    sentences.push_back(RatesTimeText(Now));
    if (std::string empty = EmptyFeedsText(); !empty.empty()) {
        sentences.push_back(std::move(empty));
    }
    std::string text;
    for (const std::string& sentence : sentences) {
        text += text.empty() ? sentence : ". " + sentence;
    }
    return text;
}

std::string TRefreshStatus::FailuresText() const {
    // One sentence per cause, in the order of the first feed that failed with it.
    std::vector<std::string> causes;
    for (const TSlot& slot : FSlots) {
        if (slot.State == TState::Failed &&
            std::find(causes.begin(), causes.end(), slot.Cause) == causes.end()) {
            causes.push_back(slot.Cause);
        }
    }
    std::string text;
    for (const std::string& cause : causes) {
        std::vector<std::string> names;
        for (std::size_t feed = 0; feed < kFeedCount; ++feed) {
            if (FSlots[feed].State == TState::Failed && FSlots[feed].Cause == cause) {
                names.push_back(names.empty() ? kFeedWords[feed].Capital : kFeedWords[feed].Lower);
            }
        }
        const std::string subject = names.size() == kFeedCount ? "Данные" : JoinNames(names);
        text += (text.empty() ? "" : ". ") + subject + " не получены: " + cause;
    }
    return text;
}

std::string TRefreshStatus::CancelledText() const {
    std::vector<std::string> names;
    for (std::size_t feed = 0; feed < kFeedCount; ++feed) {
        if (FSlots[feed].State == TState::Cancelled) {
            names.push_back(kFeedWords[feed].Lower);
        }
    }
    if (names.empty()) {
        return {};
    }
    return "Обновление отменено: " + (names.size() == kFeedCount ? std::string("данные") : JoinNames(names)) +
           " не получены";
}

std::string TRefreshStatus::EmptyFeedsText() const {
    std::vector<std::string> names;
    for (TFeed feed : {TFeed::Rates, TFeed::Names, TFeed::Exchangers}) {
        const TSlot& slot = FSlots[IndexOf(feed)];
        if (slot.State == TState::Replaced && slot.Records == 0) {
            names.push_back(kFeedWords[IndexOf(feed)].Lower);
        }
    }
    return names.empty() ? std::string() : "Без записей: " + JoinNames(names);
}

std::string TRefreshStatus::RatesTimeText(const TWallClock& Now) const {
    if (!FRatesTime) {
        return "Курсов пока нет";
    }
    if (FRatesSaved) {
        // From an earlier run: the date always, to the minute.
        const TWallClock& at = *FRatesTime;
        return "Сохранённые курсы от " + TwoDigits(at.Day) + "." + TwoDigits(at.Month) + "." +
               std::to_string(at.Year) + " " + TwoDigits(at.Hour) + ":" + TwoDigits(at.Minute);
    }
    const std::string at = WallClockText(*FRatesTime, Now);
    return FSlots[IndexOf(TFeed::Rates)].State == TState::Replaced && !FRatesEmpty
               ? "Курсы обновлены в " + at
               : "Показаны курсы от " + at;
}
