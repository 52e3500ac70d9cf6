#include "tools/kovrin-cli/WatchState.h"

#include "tools/kovrin-cli/CliText.h"
#include "tools/kovrin-cli/Commands.h"

#include <cstdio>
#include <cstdlib>
#include <ctime>

namespace {

std::string Digits(int Value, int Width) {
    char text[16];
    std::snprintf(text, sizeof text, "%0*d", Width, Value);
    return text;
}

std::string DateTime(const TWallClock& At, char Between) {
    return Digits(At.Year, 4) + "-" + Digits(At.Month, 2) + "-" + Digits(At.Day, 2) + Between +
           Digits(At.Hour, 2) + ":" + Digits(At.Minute, 2) + ":" + Digits(At.Second, 2);
}

std::string Offset(int Seconds) {
    const char sign = Seconds < 0 ? '-' : '+';
    const int minutes = std::abs(Seconds) / 60;
    return sign + Digits(minutes / 60, 2) + ":" + Digits(minutes % 60, 2);
}

// The part of a text line that tells one best offer from another.
std::string OfferPart(const std::optional<TBestOffer>& Best) {
    if (!Best) {
        return "(no offers)";
    }
    return OneLine(Best->Row.Exchanger) + "  " + RateText(Best->Rate) + "  " +
           OfferCellText(Best->Row, TOfferField::Reserve);
}

std::string JsonNumberOrNull(const std::string& Text) {
    return IsJsonNumber(Text) ? Text : "null";
}

} // namespace

TWatchTime WatchTimeAt(std::int64_t UnixSeconds) {
    const auto at = static_cast<std::time_t>(UnixSeconds);
    std::tm local{};
    if (localtime_r(&at, &local) == nullptr) {
        return {};
    }
    return {
        {local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec},
        static_cast<int>(local.tm_gmtoff)};
}

std::string WatchTimeText(const TWatchTime& At) {
    return DateTime(At.Local, ' ');
}

std::string WatchIsoTime(const TWatchTime& At) {
    return DateTime(At.Local, 'T') + Offset(At.UtcOffsetSeconds);
}

std::string WatchTextLine(const std::optional<TBestOffer>& Best, const TWatchTime& At) {
    return WatchTimeText(At) + "  " + OfferPart(Best) + "\n";
}

std::string WatchJsonLine(const std::optional<TBestOffer>& Best, const TWatchTime& At) {
    std::string line = "{\"time\": " + JsonString(WatchIsoTime(At));
    if (!Best) {
        return line + R"(, "EID": null, "Exchanger": null, "SrcRate": null, "DstRate": null, "Rate": null, )"
                      R"("Reserve": null})"
                      "\n";
    }
    const TOfferRow& row = Best->Row;
    line += ", \"EID\": " + std::to_string(row.EID);
    line += ", \"Exchanger\": " + JsonString(row.Exchanger);
    line += ", \"SrcRate\": " + JsonNumberOrNull(OfferCellText(row, TOfferField::SrcRate));
    line += ", \"DstRate\": " + JsonNumberOrNull(OfferCellText(row, TOfferField::DstRate));
    line += ", \"Rate\": " + JsonNumberOrNull(RateText(Best->Rate));
    line += ", \"Reserve\": " + JsonNumberOrNull(OfferCellText(row, TOfferField::Reserve));
    return line + "}\n";
}

TWatchStep TWatchState::Answered(const std::optional<TBestOffer>& Best, const TWatchTime& At) {
    FAnswered = true;
    TWatchStep step;
    const bool met = Best && ((FOptions.Above && RateReaches(Best->Rate, *FOptions.Above)) ||
                              (FOptions.Below && RateAtMost(Best->Rate, *FOptions.Below)));
    // The exchanger's id tells apart two exchangers that share a name.
    const std::string part = OfferPart(Best) + (Best ? "#" + std::to_string(Best->Row.EID) : std::string());
    if (met || FLastPrinted != part) {
        step.Line = FOptions.Json ? WatchJsonLine(Best, At) : WatchTextLine(Best, At);
        FLastPrinted = part;
    }
    if (met) {
        step.Exit = kExitDone;
        return step;
    }
    return Counted(std::move(step));
}

TWatchStep TWatchState::Failed() {
    return Counted({});
}

TWatchStep TWatchState::Counted(TWatchStep Step) {
    ++FPolls;
    if (FOptions.Count && FPolls >= *FOptions.Count) {
        Step.Exit = CountExit();
    }
    return Step;
}

int TWatchState::CountExit() const {
    // A level can only be missed by a poll that brought the feeds: without one, the service is what failed.
    if (!FAnswered) {
        return kExitUnreachable;
    }
    return FOptions.Above || FOptions.Below ? kExitLevelNotMet : kExitDone;
}
