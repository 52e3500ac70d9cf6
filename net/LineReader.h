#pragma once
// Buffered reading of lines and counted runs of bytes from a byte source.

#include "net/ByteSource.h"

#include <cstddef>
#include <memory>
#include <string>

class TLineReader final {
  public:
    explicit TLineReader(TByteSource& Source) : FSource(Source) {}

    // Reads one line into Line, without its end (CR LF, LF CR, lone CR or lone LF). A last line cut off by
    // the close counts as a line. False when the wait failed, the peer closed before any byte of the line, or
    // the line grew past MaxLength. Consumed counts the bytes taken, line end included.
    bool ReadLine(std::string& Line, std::size_t MaxLength, std::size_t& Consumed);

    // Appends exactly Count bytes to Out; false (Out holding what arrived) when the source ended first.
    bool ReadExact(std::size_t Count, std::string& Out);

    // Appends whatever arrives next, at most MaxCount bytes: the count, 0 on close, kReadFailed on a failed
    // wait.
    std::ptrdiff_t ReadSome(std::string& Out, std::size_t MaxCount);

  private:
    // Makes more bytes available: > 0 on success, 0 on close, kReadFailed on a failed wait.
    std::ptrdiff_t Fill();
    bool HasByte() const { return FPos < FBuffer.size(); }

    TByteSource& FSource;
    std::string FBuffer;
    std::size_t FPos = 0;
    std::unique_ptr<char[]> FPiece; // where counted runs arrive, piece by piece
};
