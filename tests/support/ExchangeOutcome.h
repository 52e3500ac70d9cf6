#pragma once
// Response records of exchanges that ended one way or another, for tests of what the program makes of them.

#include "net/TCP.h"

#include <cstdint>
#include <string>
#include <utility>

// A response record whose exchange ended with Failure, status Code and reason phrase Reason, and no body.
inline TOData ExchangeOutcome(TExchangeFailure Failure, std::int32_t Code = 500, std::string Reason = {}) {
    TOData output;
    output.Failure = Failure;
    output.ResultCode = Code;
    output.ResultString = std::move(Reason);
    return output;
}
