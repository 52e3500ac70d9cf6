#include "tests/support/HangBudget.h"

#include <algorithm>
#include <ctime>
#include <limits>

namespace {

// CPU time the calling thread has used: what the guarded work costs, whatever else the machine runs.
double ThreadSeconds() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

} // namespace

double LeastSeconds(int Tries, const std::function<void()>& Run) {
    double least = std::numeric_limits<double>::infinity();
    for (int i = 0; i < Tries; ++i) {
        const double start = ThreadSeconds();
        Run();
        least = std::min(least, ThreadSeconds() - start);
    }
    return least;
}
