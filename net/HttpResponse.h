#pragma once
// Reading one HTTP response (status line, header block, body) from a byte source, as the client does it.
// Separate from the socket so that it can be fed bytes from memory.

#include "net/BodyWatch.h"
#include "net/ByteSource.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// Size of the pieces in which bodies of a known count are read and stored.
inline constexpr std::size_t kBodyPiece = 65536;

// Bounds on what a server can make the reader hold. Hitting one ends the read as a failed wait would.
struct THttpLimits {
    std::size_t MaxLine = 64 * 1024;          // one response line
    std::size_t MaxHeaderBlock = 1024 * 1024; // every line before the body together
    std::size_t MaxBody = 256u * 1024 * 1024; // the stored body
};

// How far a response got.
enum class THttpOutcome {
    NoResponse,   // no line arrived at all
    HeaderFailed, // a status line arrived, then a wait within the header block failed
    BodyFailed,   // the header block is complete (or there was none), then the body broke off
    Malformed,    // the header block is complete, but its framing cannot be trusted: lengths that disagree or
                  // cannot be one, a length beside chunked coding, a chunk size that is not a number
    Complete      // read to its end, or there was nothing to read
};

// What one response left behind.
struct THttpResponse {
    std::int32_t ResultCode = 0;
    std::string ResultString;
    std::vector<std::string> Headers; // status line, header lines (folded lines joined), closing empty line
    std::string Document;             // body bytes
};

// Reads one response to a request made with Method. Never throws for anything the bytes contain. Watch, when
// given, is told of a 200 body of a given length as it arrives (TBodyWatch).
THttpOutcome ReadHttpResponse(TByteSource& Source, std::string_view Method, const THttpLimits& Limits,
                              THttpResponse& Response, TBodyWatch* Watch = nullptr);

// Code and reason phrase of a status line ("HTTP/1.1 200 OK"): code 0 when it is not a number.
void ParseStatusLine(std::string_view Line, std::int32_t& Code, std::string& Reason);
