#pragma once
// Guards against inputs that make a parser hold memory out of proportion to them: counts what operator new
// hands out. A program that uses it gets a replaced global operator new and delete (see the .cpp file).

#include <cstddef>
#include <functional>

// The most bytes that operator new had handed out and not yet taken back at any moment while Run ran, beyond
// what was held when it started. Single-threaded use: allocations of other threads count too.
std::size_t PeakNewBytes(const std::function<void()>& Run);
