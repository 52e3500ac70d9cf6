#include "net/LineReader.h"

#include <algorithm>

namespace {
constexpr std::size_t kChunk = 16 * 1024;
// What one read of a counted run asks for.
constexpr std::size_t kPieceBytes = 64 * 1024;
} // namespace

std::ptrdiff_t TLineReader::Fill() {
    if (FPos >= FBuffer.size()) {
        FBuffer.clear();
        FPos = 0;
    }
    char chunk[kChunk];
    const std::ptrdiff_t got = FSource.Read(chunk, sizeof chunk);
    if (got > 0)
        FBuffer.append(chunk, static_cast<std::size_t>(got));
    return got;
}

bool TLineReader::ReadLine(std::string& Line, std::size_t MaxLength, std::size_t& Consumed) {
    Line.clear();
    Consumed = 0;
    for (;;) {
        if (!HasByte()) {
            const std::ptrdiff_t got = Fill();
            if (got == 0 && !Line.empty())
                return true;
            if (got <= 0)
                return false;
        }
        const std::size_t end = FBuffer.find_first_of("\r\n", FPos);
        const std::size_t stop = end == std::string::npos ? FBuffer.size() : end;
        if (Line.size() + (stop - FPos) > MaxLength)
            return false;
        Line.append(FBuffer, FPos, stop - FPos);
        Consumed += stop - FPos;
        FPos = stop;
        if (end == std::string::npos)
            continue;
        const char first = FBuffer[FPos++];
        ++Consumed;
        // The partner of a two-byte line end may not have arrived yet; a failed wait for it still ends the
        // line.
        if (!HasByte() && Fill() <= 0)
            return true;
        const char partner = first == '\r' ? '\n' : '\r';
        if (FBuffer[FPos] == partner) {
            ++FPos;
            ++Consumed;
        }
        return true;
    }
}

bool TLineReader::ReadExact(std::size_t Count, std::string& Out) {
    const std::size_t buffered = std::min(Count, FBuffer.size() - FPos);
    Out.append(FBuffer, FPos, buffered);
    FPos += buffered;
    Count -= buffered;
    // The rest arrives in one small room, used again for every piece, and is copied on from there: the
    // source writes into memory that stays in cache, and Out's memory is written once, by the copy.
    if (Count > 0 && !FPiece) {
        FPiece = std::make_unique_for_overwrite<char[]>(kPieceBytes);
    }
    while (Count > 0) {
        const std::ptrdiff_t got = FSource.Read(FPiece.get(), std::min(Count, kPieceBytes));
        if (got <= 0) {
            return false;
        }
        Out.append(FPiece.get(), static_cast<std::size_t>(got));
        Count -= static_cast<std::size_t>(got);
    }
    return true;
}

std::ptrdiff_t TLineReader::ReadSome(std::string& Out, std::size_t MaxCount) {
    if (!HasByte()) {
        const std::ptrdiff_t got = Fill();
        if (got <= 0)
            return got;
    }
    const std::size_t take = std::min(MaxCount, FBuffer.size() - FPos);
    Out.append(FBuffer, FPos, take);
    FPos += take;
    return static_cast<std::ptrdiff_t>(take);
}
