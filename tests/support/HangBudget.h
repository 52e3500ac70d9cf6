#pragma once
// Guards against inputs that make a parser or a computation super-linear: a hostile input of about a megabyte
// must be handled well within a generous budget, even on a loaded machine or under a sanitizer.

#include <functional>

// A budget a linear pass over about a megabyte meets many times over, sanitizers included, and the
// super-linear forms of the same passes miss by an order of magnitude or more.
inline constexpr double kHangBudgetSeconds = 2.0;
// The same for the offer computation over two tables of 100,000 rows each (several megabytes): about 1.5 s of
// CPU under AddressSanitizer, where a lookup of each quote's exchanger by a walk of the list takes hours.
inline constexpr double kTableHangBudgetSeconds = 8.0;
// The same for a text view taking a megabyte: Qt's own layout and painting of it take about half a second,
// where the super-linear layout took a minute.
inline constexpr double kViewHangBudgetSeconds = 8.0;

// Seconds of CPU time the calling thread spends in Run, the least of Tries runs: other programs on a busy
// machine add nothing to it, and the guarded work runs on the calling thread.
double LeastSeconds(int Tries, const std::function<void()>& Run);
