#pragma once
// A small deterministic generator (splitmix64): unlike the standard distributions, its sequence for a seed is
// the same with every compiler and library.

#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

class TDemoRandom final {
  public:
    explicit TDemoRandom(std::uint64_t Seed) : FState(Seed) {}

    // The next 64 random bits. Never throws.
    std::uint64_t Next() {
        std::uint64_t z = (FState += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }

    // A number in [0, Bound); Bound must be above 0. The slight modulo bias does not matter for demo data.
    std::size_t Below(std::size_t Bound) { return static_cast<std::size_t>(Next() % Bound); }

    // A number in [0, 1). Never throws.
    double Unit() { return static_cast<double>(Next() >> 11) * 0x1.0p-53; }

    // Puts Count randomly chosen items, in random order, at the front of Items (partial Fisher-Yates).
    template <typename T> void ShuffleFirst(std::vector<T>& Items, std::size_t Count) {
        for (std::size_t i = 0; i < Count && i + 1 < Items.size(); ++i)
            std::swap(Items[i], Items[i + Below(Items.size() - i)]);
    }

    // Shuffles all of Items.
    template <typename T> void Shuffle(std::vector<T>& Items) { ShuffleFirst(Items, Items.size()); }

  private:
    std::uint64_t FState;
};
