#include "tests/support/HangBudget.h"

#include <algorithm>
#include <chrono>
#include <limits>

double LeastSeconds(int Tries, const std::function<void()>& Run) {
    double least = std::numeric_limits<double>::infinity();
    for (int i = 0; i < Tries; ++i) {
        const auto start = std::chrono::steady_clock::now();
        Run();
        least =
            std::min(least, std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
    return least;
}
