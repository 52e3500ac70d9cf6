#include "engine/DataAge.h"

#include <cstdint>
#include <cstdio>
#include <string_view>

namespace {

// Days since 1970-01-01 of a civil date (proleptic Gregorian), valid for any year.
std::int64_t DaysFromCivil(int Year, int Month, int Day) {
    const std::int64_t y = static_cast<std::int64_t>(Year) - (Month <= 2 ? 1 : 0);
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const std::int64_t yearOfEra = y - era * 400;
    const std::int64_t dayOfYear = (153 * (Month + (Month > 2 ? -3 : 9)) + 2) / 5 + Day - 1;
    const std::int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + dayOfEra - 719468;
}

std::int64_t DayNumber(const TWallClock& At) {
    return DaysFromCivil(At.Year, At.Month, At.Day);
}

// Seconds on the local clock's own scale: a change of daylight saving time may make an age an hour off, which
// the words round over anyway.
std::int64_t ClockSeconds(const TWallClock& At) {
    return DayNumber(At) * 86400 + At.Hour * 3600 + At.Minute * 60 + At.Second;
}

std::string HourMinute(const TWallClock& At) {
    return TwoDigits(At.Hour) + ":" + TwoDigits(At.Minute);
}

// The words begin with one of these two; the line above the grid starts a sentence with them.
std::string Capitalised(std::string Words) {
    for (auto [lower, upper] : {std::pair<std::string_view, std::string_view>{"обновлено", "Обновлено"},
                                std::pair<std::string_view, std::string_view>{"курсы", "Курсы"}}) {
        if (std::string_view(Words).substr(0, lower.size()) == lower) {
            return std::string(upper) + Words.substr(lower.size());
        }
    }
    return Words;
}

} // namespace

std::string DataAgeWords(const TWallClock& At, const TWallClock& Now) {
    const std::int64_t age = ClockSeconds(Now) - ClockSeconds(At);
    if (age >= 0 && age < 60) {
        return "обновлено только что";
    }
    if (age >= 0 && age < 3600) {
        return "обновлено " + std::to_string(age / 60) + " мин назад";
    }
    if (At.SameDay(Now)) {
        return "обновлено сегодня в " + HourMinute(At);
    }
    if (age > 0 && DayNumber(Now) - DayNumber(At) == 1) {
        return "курсы от вчера, " + HourMinute(At);
    }
    return "курсы от " + TwoDigits(At.Day) + "." + TwoDigits(At.Month) + "." + std::to_string(At.Year) +
           ", " + HourMinute(At);
}

TDataAgeLine DataAgeLine(const TRefreshStatus& Status, const TWallClock& Now) {
    const std::optional<TWallClock>& at = Status.RatesTime();
    if (!at) {
        return {};
    }
    TDataAgeLine line;
    line.Age = Capitalised(DataAgeWords(*at, Now));
    if (Status.RatesFailed()) {
        line.Mark = TDataMark::Failed;
        if (Status.RatesCancelled()) {
            line.Note = Status.RatesKept() ? "Сохранённые курсы: обновление отменено"
                                           : "Не обновлены: обновление отменено";
        } else {
            line.Note = Status.RatesKept() ? "Сохранённые курсы: обновить не удалось"
                                           : "Не обновлены: последнее обновление не удалось";
        }
    } else if (Status.RatesEmpty()) {
        line.Mark = TDataMark::Failed;
        line.Note = Status.RatesKept() ? "Сохранённые курсы: пришли курсы без записей"
                                       : "Не обновлены: пришли курсы без записей";
    } else if (Status.RatesKept()) {
        line.Mark = TDataMark::Kept;
        line.Note = "Сохранённые курсы, ещё не обновлены";
    } else {
        line.Mark = TDataMark::Fresh;
    }
    return line;
}
