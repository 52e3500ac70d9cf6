#pragma once
// The one loop around system calls that a signal may interrupt.

#include <cerrno>

// Repeats a system call for as long as it fails with EINTR and returns its last result.
template <typename TCall> auto HandleEINTR(TCall&& Call) {
    auto result = Call();
    while (result < 0 && errno == EINTR)
        result = Call();
    return result;
}
