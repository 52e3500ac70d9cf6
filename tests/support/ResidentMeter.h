#pragma once
// Guards against inputs that make the toolkit hold memory out of proportion to them, where counting operator
// new would miss what the toolkit allocates with malloc: the process's peak resident size.

#include <cstddef>
#include <functional>

// How far the process's peak resident size rose above its resident size at the start while Run ran, in bytes
// (the peak is reset first, through /proc/self/clear_refs). Other threads count too.
std::size_t PeakResidentGrowth(const std::function<void()>& Run);
