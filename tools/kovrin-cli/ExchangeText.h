#pragma once
// Why an HTTP exchange did not bring the service's answer, in words a person can act on.

#include "net/TCP.h"

#include <cstdint>
#include <string>

// The cause of a failed exchange (ExchangeSucceeded is false): "connection refused", "no such host",
// "time-out after 30000 ms" (ElapsedMs: how long the exchange ran), "HTTP 503 Service Unavailable", ... A
// reason phrase from the server is written on one line. Never throws but for memory.
std::string ExchangeFailureText(const TOData& Output, std::int64_t ElapsedMs);
