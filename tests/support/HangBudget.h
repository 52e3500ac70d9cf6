#pragma once
// Guards against inputs that make a parser or a computation super-linear: a hostile input of about a megabyte
// must be handled well within a generous budget, even on a loaded machine or under a sanitizer.

#include <functional>

// A budget a linear pass over about a megabyte meets many times over, sanitizers included, and the
// super-linear forms of the same passes miss by an order of magnitude or more.
inline constexpr double kHangBudgetSeconds = 2.0;
// The same for a text view taking a megabyte: Qt's own layout and painting of it take about half a second,
// where the super-linear layout took a minute.
inline constexpr double kViewHangBudgetSeconds = 8.0;

// Seconds of wall-clock time Run takes, the least of Tries runs: a busy machine can only add time.
double LeastSeconds(int Tries, const std::function<void()>& Run);
