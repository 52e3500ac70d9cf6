// The HTTP response reader over arbitrary bytes. The first two input bytes choose how the bytes arrive (piece
// size, close or silence at the end) and the method; the rest is what the server sent. Besides surviving, the
// reader must give the same result however the bytes are cut into pieces, and keep within its limits.

#include "net/ByteSource.h"
#include "net/HttpResponse.h"
#include "tests/fuzz/FuzzCheck.h"

#include <charconv>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace {

// Small limits, so the fuzzer reaches every cap with short inputs.
THttpLimits SmallLimits() {
    THttpLimits limits;
    limits.MaxLine = 200;
    limits.MaxHeaderBlock = 1000;
    limits.MaxBody = 3000;
    return limits;
}

bool StartsNoCase(std::string_view Text, std::string_view Prefix) {
    if (Text.size() < Prefix.size())
        return false;
    for (std::size_t i = 0; i < Prefix.size(); ++i) {
        const char c = Text[i] >= 'a' && Text[i] <= 'z' ? static_cast<char>(Text[i] - 32) : Text[i];
        if (c != Prefix[i])
            return false;
    }
    return true;
}

// The body length the last well-formed Content-Length line announces, unless chunked coding overrides it.
std::optional<std::uint64_t> AnnouncedLength(const std::vector<std::string>& Headers) {
    std::optional<std::uint64_t> length;
    bool chunked = false;
    for (const std::string& line : Headers) {
        std::string upper(line);
        for (char& c : upper)
            c = static_cast<char>(c >= 'a' && c <= 'z' ? c - 32 : c);
        if (StartsNoCase(line, "TRANSFER-ENCODING:") && upper.find("CHUNKED", 18) != std::string::npos)
            chunked = true;
        if (!StartsNoCase(line, "CONTENT-LENGTH:"))
            continue;
        std::string_view value = std::string_view(line).substr(15);
        while (!value.empty() && static_cast<unsigned char>(value.front()) <= 0x20)
            value.remove_prefix(1);
        while (!value.empty() && static_cast<unsigned char>(value.back()) <= 0x20)
            value.remove_suffix(1);
        std::uint64_t number = 0;
        const auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), number);
        if (!value.empty() && error == std::errc() && end == value.data() + value.size())
            length = number;
    }
    return chunked ? std::nullopt : length;
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
    case THttpOutcome::Complete:
        // A body of announced length counts as whole only when all of it arrived.
        if (!r.Headers.empty() && !StartsNoCase(method, "HEAD") && r.ResultCode != 204 &&
            r.ResultCode != 304) {
            const std::optional<std::uint64_t> length = AnnouncedLength(r.Headers);
            FUZZ_CHECK(!length || r.Document.size() == *length,
                       "a body short of its announced length counts as complete");
        }
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
