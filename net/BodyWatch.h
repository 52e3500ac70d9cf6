#pragma once
// One who follows a response body while it arrives, to work on it beside the reading (a feed cut into its
// table as its bytes come in) instead of after it.

#include <cstddef>

// Told, on the reading thread, of a 200 body of a length given in advance whose room holds all of it: its
// bytes stay where they are from Began to Ended, and those that have arrived are not written again.
class TBodyWatch {
  public:
    virtual ~TBodyWatch() = default;
    // A body of Size bytes is about to arrive at Data.
    virtual void Began(const char* Data, std::size_t Size) = 0;
    // The first Bytes bytes of it are in.
    virtual void Arrived(std::size_t Bytes) = 0;
    // The reading has ended, with every byte in (Whole) or broken off; Data is not read once this returns.
    virtual void Ended(bool Whole) noexcept = 0;

  protected:
    TBodyWatch() = default;
    TBodyWatch(const TBodyWatch&) = default;
    TBodyWatch& operator=(const TBodyWatch&) = default;
};
