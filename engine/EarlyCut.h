#pragma once
// A feed body cut into its table's rows while it arrives, on a thread of its own: a rates feed of megabytes
// then takes little longer to be ready than to be received, where cutting it after the last byte takes about
// as long again.

#include "engine/StringMatrix.h"
#include "net/BodyWatch.h"

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>

// Bodies shorter than this are cut when they are whole: a thread of its own would cost more than it saves.
inline constexpr std::size_t kEarlyCutMinBytes = std::size_t{1} << 20;
// When the body is whole and at least this much of it is still to be cut, the reading thread cuts half of it.
inline constexpr std::size_t kEarlyCutSplitBytes = std::size_t{1} << 20;

// Cuts a body by Pattern a run of whole lines at a time, as each run arrives. Only for a pattern none of
// whose matches holds a line end (the rates feed's): a search of the lines that have arrived then finds, from
// where it starts, what a search of the whole body finds there. Follows one body at a time; the calls of
// TBodyWatch come from one thread, TakeRows from that thread or one ordered after it.
class TEarlyCut final : public TBodyWatch {
  public:
    // Budget: as RegexMatchAll's. Bodies shorter than MinBytes are not followed.
    TEarlyCut(std::string Pattern, std::size_t Budget, std::size_t MinBytes = kEarlyCutMinBytes,
              std::size_t SplitBytes = kEarlyCutSplitBytes);
    ~TEarlyCut() override;
    TEarlyCut(const TEarlyCut&) = delete;
    TEarlyCut& operator=(const TEarlyCut&) = delete;

    void Began(const char* Data, std::size_t Size) override;
    void Arrived(std::size_t Bytes) override;
    // Waits for the cut to reach the end of a whole body, or stops it.
    void Ended(bool Whole) noexcept override;

    // The rows of Body (well-formed UTF-8 then) when Body is the body this cut followed to its end, held
    // where it arrived, and the cut went through all of it: within the budget, every byte well-formed UTF-8,
    // every search ended by the end of what had arrived. Otherwise nothing, and Body is to be cut as usual.
    std::optional<TRowIndex> TakeRows(std::string_view Body);

    // The bytes the cut has looked at of those that had arrived: all of Bytes once it has caught up with an
    // Arrived(Bytes); npos once it has ended.
    std::size_t Looked() const { return FLooked.load(std::memory_order_acquire); }

  private:
    struct TCut;
    // The thread's work: cuts what has arrived until the body is whole and cut, or it cannot go on.
    void Cut() noexcept;
    void CutWhatArrives() noexcept;
    void Stop() noexcept;

    const std::string FPattern;
    const std::size_t FBudget;
    const std::size_t FMinBytes;
    const std::size_t FSplitBytes;
    std::unique_ptr<TCut> FCut; // what the thread works on, from Began

    std::mutex FMutex;
    std::condition_variable FWake;
    std::size_t FArrived = 0; // guarded by FMutex
    std::size_t FTakenTo = 0; // guarded by FMutex: the bytes the cut has taken up to search
    std::size_t FSplit = 0;   // guarded by FMutex: where the reading thread searches from, 0 for nowhere
    bool FEnded = false;      // guarded by FMutex
    bool FStopped = false;    // guarded by FMutex
    std::atomic<std::size_t> FLooked{0};
    std::thread FThread;
};
