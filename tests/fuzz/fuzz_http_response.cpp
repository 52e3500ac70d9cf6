// The HTTP response reader over arbitrary bytes. The first two input bytes choose how the bytes arrive (piece
// size, close or silence at the end) and the method; the rest is what the server sent. Besides surviving, the
// reader must give the same result however the bytes are cut into pieces, and keep within its limits.

#include "net/ByteSource.h"
#include "net/HttpResponse.h"
#include "tests/fuzz/FuzzCheck.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace {

// Small limits, so the fuzzer reaches every cap with short inputs.
THttpLimits SmallLimits() {
    THttpLimits limits;
    limits.MaxLine = 200;
    limits.MaxHeaderBlock = 1000;
    limits.MaxBody = 3000;
    return limits;
}

bool Same(const THttpResponse& a, const THttpResponse& b) {
    return a.ResultCode == b.ResultCode && a.ResultString == b.ResultString && a.Headers == b.Headers &&
           a.Document == b.Document;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
    if (Size < 2)
        return 0;
    const std::size_t step = 1 + Data[0] % 64;
    const bool failAtEnd = (Data[1] & 1) != 0;
    static constexpr std::string_view kMethods[] = {"POST", "GET", "HEAD", "head"};
    const std::string_view method = kMethods[(Data[1] >> 1) % 4];
    const bool small = (Data[1] & 8) != 0;
    const THttpLimits limits = small ? SmallLimits() : THttpLimits();
    const std::string bytes(reinterpret_cast<const char*>(Data) + 2, Size - 2);

    TMemorySource pieces(bytes, step, failAtEnd);
    THttpResponse cut;
    const THttpOutcome cutOutcome = ReadHttpResponse(pieces, method, limits, cut);

    TMemorySource whole(bytes, bytes.size() + 1, failAtEnd);
    THttpResponse reference;
    const THttpOutcome referenceOutcome = ReadHttpResponse(whole, method, limits, reference);

    FUZZ_CHECK(cutOutcome == referenceOutcome, "the outcome depends on how the bytes arrive");
    FUZZ_CHECK(Same(cut, reference), "the response depends on how the bytes arrive");

    const THttpResponse& r = reference;
    switch (referenceOutcome) {
    case THttpOutcome::NoResponse:
        FUZZ_CHECK(r.Headers.empty() && r.Document.empty() && r.ResultCode == 0 && r.ResultString.empty(),
                   "no response must leave everything empty");
        break;
    case THttpOutcome::HeaderFailed:
        FUZZ_CHECK(!r.Headers.empty() && r.Document.empty(), "a broken header block keeps no body");
        break;
    default:
        break;
    }
    if (!r.Headers.empty()) {
        FUZZ_CHECK(r.Headers.front().size() >= 5, "the first header line is a status line");
        std::string version = r.Headers.front().substr(0, 5);
        for (char& c : version)
            c = static_cast<char>(c >= 'a' && c <= 'z' ? c - 32 : c);
        FUZZ_CHECK(version == "HTTP/", "the first header line is a status line");
    } else {
        FUZZ_CHECK(r.ResultCode == 0 && r.ResultString.empty(), "a code without a status line");
    }
    std::size_t headerBytes = 0;
    for (const std::string& line : r.Headers) {
        FUZZ_CHECK(line.find('\n') == std::string::npos && line.find('\r') == std::string::npos,
                   "a header line holds a line end");
        headerBytes += line.size();
    }
    FUZZ_CHECK(headerBytes <= limits.MaxHeaderBlock + r.Headers.size(), "the header block passed its cap");
    // A body without a status line starts with the first line and its CR LF, read under the line cap.
    FUZZ_CHECK(r.Document.size() <= limits.MaxBody + limits.MaxLine + 2, "the body passed its cap");
    FUZZ_CHECK(r.Document.size() <= bytes.size() + 2, "the body holds more than arrived");
    return 0;
}
