#pragma once
// The line above the grid: how old the rates on screen are, in words, and whether they are fresh, kept from
// an earlier run or left over from a refresh that failed. The window redraws it every timer tick, so the
// words move on with the clock.

#include "engine/RefreshStatus.h"

#include <string>

// The age of data received At, seen at Now, in words (lower case): "обновлено только что" within a minute,
// "обновлено 2 мин назад" within an hour, "обновлено сегодня в 09:10" later that day, "курсы от вчера,
// 14:05", "курсы от 08.12.2026, 14:05" before that. A time ahead of Now (the clock was set back) is told by
// its date and time, never as a negative age. Never throws (but std::bad_alloc).
std::string DataAgeWords(const TWallClock& At, const TWallClock& Now);

// How far the rates on screen can be trusted.
enum class TDataMark {
    None,   // no rates yet: the line is empty
    Fresh,  // the last refresh brought them
    Kept,   // shown from what an earlier run kept; no refresh has brought new ones yet
    Failed, // the last refresh did not bring rates (or brought none with rows); older ones stay
};

struct TDataAgeLine {
    TDataMark Mark = TDataMark::None;
    std::string Age;  // "Обновлено 2 мин назад" (capitalised), empty for None
    std::string Note; // what the mark means in words, empty unless Kept or Failed
};

// The line for what Status knows, seen at Now.
TDataAgeLine DataAgeLine(const TRefreshStatus& Status, const TWallClock& Now);
