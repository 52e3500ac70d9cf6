#pragma once
// Where the response reader gets its bytes: a socket in the program, memory in tests and fuzzing.

#include <cstddef>
#include <string>

// Read result meaning that the wait failed: it expired, the deadline passed, or the connection broke.
inline constexpr std::ptrdiff_t kReadFailed = -1;

class TByteSource {
  public:
    virtual ~TByteSource() = default;
    // Reads up to Size (> 0) bytes into Buffer: the count read (> 0), 0 when the peer has closed, or
    // kReadFailed. Never throws.
    virtual std::ptrdiff_t Read(char* Buffer, std::size_t Size) = 0;
};

// Plays a fixed string in pieces of at most Step bytes, then reports a close (or, with FailAtEnd, a failed
// wait, as a server that falls silent would).
class TMemorySource final : public TByteSource {
  public:
    explicit TMemorySource(std::string Bytes, std::size_t Step = 1 << 20, bool FailAtEnd = false)
        : FBytes(std::move(Bytes)), FStep(Step == 0 ? 1 : Step), FFailAtEnd(FailAtEnd) {}

    // Next piece, or the end as configured. Never throws.
    std::ptrdiff_t Read(char* Buffer, std::size_t Size) override;

    // Bytes not handed out yet.
    std::size_t Remaining() const { return FBytes.size() - FPos; }

  private:
    std::string FBytes;
    std::size_t FPos = 0;
    std::size_t FStep;
    bool FFailAtEnd;
};
