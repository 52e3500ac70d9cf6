#include "net/HttpResponse.h"

#include "net/BodyRoom.h"
#include "net/LineReader.h"
#include "text/Ascii.h"
#include "text/Prefault.h"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <optional>

namespace {

// How many times what has arrived a counted body's room may grow to at once.
constexpr std::size_t kBodyGrowth = 4;
// Room a counted body is given at once for what it announces, at most: larger announcements get room as the
// bytes arrive, so that a few bytes cannot make the reader hold a large room.
constexpr std::size_t kTrustedRoom = 32 * 1024 * 1024;
// Gives Body room for Room bytes, or twice its room when that is more (a chunked body grows a chunk at a
// time). A body not yet begun takes the room a gone body left, when one is kept.
void GrowBody(std::string& Body, std::size_t Room) {
    if (Body.empty() && Room >= kKeptBodyRoomMin) {
        Body = TakeBodyRoom(Room);
        return;
    }
    Body.reserve(std::max(Room, 2 * Body.capacity()));
}

template <typename TNumber> std::optional<TNumber> ParseWhole(std::string_view Text, int Base) {
    TNumber value{};
    const auto [end, error] = std::from_chars(Text.data(), Text.data() + Text.size(), value, Base);
    if (Text.empty() || error != std::errc() || end != Text.data() + Text.size())
        return std::nullopt;
    return value;
}

struct THeaderFacts {
    std::optional<std::uint64_t> Length;
    bool Chunked = false;
    // Framing a reader cannot trust: either way of reading it, one party or another gets the bytes wrong.
    bool Conflict = false;
};

// A length that was meant as a number but cannot be one: negative, or past 64 bits. Other text is ignored.
bool IsBrokenLength(std::string_view Value) {
    if (!Value.empty() && (Value.front() == '-' || Value.front() == '+'))
        Value.remove_prefix(1);
    return !Value.empty() &&
           std::all_of(Value.begin(), Value.end(), [](char C) { return C >= '0' && C <= '9'; });
}

// Reads lines before the body, charging every byte to the header-block budget.
class THeadReader final {
  public:
    THeadReader(TLineReader& Lines, const THttpLimits& Limits) : FLines(Lines), FLimits(Limits) {}

    bool Line(std::string& Out) {
        if (FUsed >= FLimits.MaxHeaderBlock)
            return false;
        std::size_t consumed = 0;
        const bool ok =
            FLines.ReadLine(Out, std::min(FLimits.MaxLine, FLimits.MaxHeaderBlock - FUsed), consumed);
        FUsed += consumed;
        return ok;
    }

    bool NonEmptyLine(std::string& Out) {
        do {
            if (!Line(Out))
                return false;
        } while (Out.empty());
        return true;
    }

  private:
    TLineReader& FLines;
    const THttpLimits& FLimits;
    std::size_t FUsed = 0;
};

bool IsStatusLine(std::string_view Line) {
    return StartsWithNoCase(Line, "HTTP/");
}

bool IsContinuation(std::string_view Line) {
    if (Line.empty())
        return false;
    const char first = Line.front() == '\t' ? ' ' : Line.front();
    return first == ' ' || first == '"' || first == ':' || first == '=';
}

// Joins folded lines onto the line before them and appends the result to Headers.
void AppendHeaderLines(const std::vector<std::string>& Raw, std::vector<std::string>& Headers) {
    for (const std::string& line : Raw) {
        if (IsContinuation(line) && !Headers.empty()) {
            std::string joined(line);
            std::replace(joined.begin(), joined.end(), '\t', ' ');
            std::string& previous = Headers.back();
            while (!previous.empty() && static_cast<unsigned char>(previous.back()) <= 0x20)
                previous.pop_back();
            previous += ' ';
            previous += Trim(joined);
        } else {
            Headers.push_back(line);
        }
    }
}

THeaderFacts ReadFacts(const std::vector<std::string>& Headers) {
    THeaderFacts facts;
    for (const std::string& line : Headers) {
        const std::size_t colon = line.find(':');
        const std::string_view value =
            colon == std::string::npos ? std::string_view() : Trim(std::string_view(line).substr(colon + 1));
        if (StartsWithNoCase(line, "CONTENT-LENGTH:")) {
            if (const auto length = ParseWhole<std::uint64_t>(value, 10)) {
                facts.Conflict |= facts.Length && *facts.Length != *length;
                facts.Length = length;
            } else {
                facts.Conflict |= IsBrokenLength(value);
            }
        } else if (StartsWithNoCase(line, "TRANSFER-ENCODING:") &&
                   UpperAscii(value).find("CHUNKED") != std::string::npos) {
            facts.Chunked = true;
        }
    }
    // A length beside chunked coding is how one request or answer is smuggled inside another.
    facts.Conflict |= facts.Chunked && facts.Length;
    return facts;
}

// Tells a watch that its body's reading ended, however it ends.
class TWatchedReading {
  public:
    TWatchedReading() = default;
    ~TWatchedReading() {
        if (FWatch) {
            FWatch->Ended(FWhole);
        }
    }
    TWatchedReading(const TWatchedReading&) = delete;
    TWatchedReading& operator=(const TWatchedReading&) = delete;

    void Begin(TBodyWatch* Watch, const char* Data, std::size_t Size) {
        Watch->Began(Data, Size);
        FWatch = Watch;
    }
    void Arrived(std::size_t Bytes) {
        if (FWatch) {
            FWatch->Arrived(Bytes);
        }
    }
    void Whole() { FWhole = true; }

  private:
    TBodyWatch* FWatch = nullptr; // from Begin on
    bool FWhole = false;
};

// Reads Count bytes into Body, a piece at a time, each piece's room mapped in first; a piece cut short is
// dropped and the body ends there. Watch, when given, follows the body once its room holds all of it.
bool ReadCounted(TLineReader& Lines, std::uint64_t Count, const THttpLimits& Limits, std::string& Body,
                 TBodyWatch* Watch = nullptr) {
    TWatchedReading watched;
    const std::uint64_t whole = Count;
    while (Count > 0) {
        const std::size_t size = static_cast<std::size_t>(std::min<std::uint64_t>(Count, kBodyPiece));
        const std::size_t kept = Body.size();
        if (kept + size > Limits.MaxBody)
            return false;
        if (Body.capacity() < kept + size) {
            // Room for all that is announced, up to kTrustedRoom; past that it grows with what has arrived,
            // never past what is announced: growing by halves, as a string does, would copy a large body over
            // fresh memory a dozen times.
            GrowBody(Body,
                     static_cast<std::size_t>(std::min<std::uint64_t>(
                         {kept + Count,
                          std::max<std::uint64_t>(std::uint64_t{kBodyGrowth} * kept + size, kTrustedRoom),
                          Limits.MaxBody})));
        }
        if (Watch && kept == 0 && Body.capacity() >= whole) {
            // The room will not move again: its bytes can be read while the rest arrives.
            watched.Begin(Watch, Body.data(), static_cast<std::size_t>(whole));
            Watch = nullptr;
        }
        PrefaultForWriting(Body.data() + kept, size);
        if (!Lines.ReadExact(size, Body)) {
            Body.resize(kept);
            return false;
        }
        Count -= size;
        watched.Arrived(Body.size());
    }
    watched.Whole();
    return true;
}

THttpOutcome ReadChunked(TLineReader& Lines, const THttpLimits& Limits, std::string& Body) {
    std::string line;
    for (;;) {
        std::size_t consumed = 0;
        do {
            if (!Lines.ReadLine(line, Limits.MaxLine, consumed))
                return THttpOutcome::BodyFailed;
        } while (line.empty());
        std::string_view size(line);
        size = size.substr(0, size.find(' '));
        size = Trim(size.substr(0, size.find(';')));
        // Only a zero ends the body; a size that is not a number, or is past 64 bits, leaves no way to tell
        // where the body ends, and taking what came before it as the whole body would pass off a part as
        // whole.
        const auto count = ParseWhole<std::uint64_t>(size, 16);
        if (!count)
            return THttpOutcome::Malformed;
        if (*count == 0)
            return THttpOutcome::Complete;
        if (!ReadCounted(Lines, *count, Limits, Body))
            return THttpOutcome::BodyFailed;
    }
}

bool ReadUntilClose(TLineReader& Lines, const THttpLimits& Limits, std::string& Body) {
    std::string beyond;
    for (;;) {
        if (Body.size() >= Limits.MaxBody) {
            // A body of exactly the limit is whole when the close comes next, as a counted one of that size
            // is.
            return Lines.ReadSome(beyond, 1) == 0;
        }
        // The room grows by doubling as a string's would, but never past the limit, so that a body near the
        // limit is never held in a room of twice its size (reserve itself would double past it).
        const std::size_t room =
            std::min(Limits.MaxBody, std::max(2 * Body.capacity(), Body.size() + kBodyPiece));
        if (Body.capacity() - Body.size() < kBodyPiece && room > Body.capacity()) {
            std::string grown;
            grown.reserve(room);
            grown.append(Body);
            Body.swap(grown);
        }
        const std::ptrdiff_t got = Lines.ReadSome(Body, Limits.MaxBody - Body.size());
        if (got == 0)
            return true;
        if (got < 0)
            return false;
    }
}

} // namespace

void ParseStatusLine(std::string_view Line, std::int32_t& Code, std::string& Reason) {
    const std::size_t space = Line.find(' ');
    const std::string_view rest =
        space == std::string_view::npos ? std::string_view() : Trim(Line.substr(space + 1));
    const std::size_t split = rest.find(' ');
    Code = ParseWhole<std::int32_t>(rest.substr(0, split), 10).value_or(0);
    Reason = split == std::string_view::npos ? std::string() : std::string(Trim(rest.substr(split + 1)));
}

THttpOutcome ReadHttpResponse(TByteSource& Source, std::string_view Method, const THttpLimits& Limits,
                              THttpResponse& Response, TBodyWatch* Watch) {
    Response = THttpResponse();
    TLineReader lines(Source);
    THeadReader head(lines, Limits);
    std::string line;
    if (!head.NonEmptyLine(line))
        return THttpOutcome::NoResponse;

    bool statusLine = false;
    for (;;) {
        if (!IsStatusLine(line)) {
            // No status line at all: what came is the start of the body, read to the close.
            Response.Headers.clear();
            Response.ResultCode = 0;
            Response.ResultString.clear();
            Response.Document = line + "\r\n";
            statusLine = false;
            break;
        }
        statusLine = true;
        Response.Headers.assign(1, line);
        ParseStatusLine(line, Response.ResultCode, Response.ResultString);
        if (Response.ResultCode != 100)
            break;
        // An interim response may carry header lines of its own; they belong to it, not to the final one.
        do {
            if (!head.Line(line))
                return THttpOutcome::HeaderFailed;
        } while (!line.empty());
        if (!head.NonEmptyLine(line))
            return THttpOutcome::HeaderFailed;
    }

    THeaderFacts facts;
    if (statusLine) {
        std::vector<std::string> raw;
        bool complete = false;
        while (head.Line(line)) {
            raw.push_back(line);
            if (line.empty()) {
                complete = true;
                break;
            }
        }
        AppendHeaderLines(raw, Response.Headers);
        if (!complete)
            return THttpOutcome::HeaderFailed;
        facts = ReadFacts(Response.Headers);
    }

    const int code = Response.ResultCode;
    if (EqualsNoCase(Method, "HEAD") || code == 204 || code == 304)
        return THttpOutcome::Complete;
    if (facts.Conflict)
        return THttpOutcome::Malformed;
    if (facts.Chunked)
        return ReadChunked(lines, Limits, Response.Document);
    bool ok = true;
    if (facts.Length)
        ok = ReadCounted(lines, *facts.Length, Limits, Response.Document, code == 200 ? Watch : nullptr);
    else
        ok = ReadUntilClose(lines, Limits, Response.Document);
    return ok ? THttpOutcome::Complete : THttpOutcome::BodyFailed;
}
