#include "engine/EarlyCut.h"

#include "engine/Functions.h"
#include "engine/MatchRun.h"
#include "text/Utf8.h"

#include <algorithm>
#include <system_error>
#include <utility>

// What the cutting thread works on: the body's bytes, its pattern, and how far it got.
struct TEarlyCut::TCut {
    const char* Data = nullptr;
    std::size_t Size = 0;
    TCompiled Pattern;
    std::optional<TMatchRun> Run;
    TUtf8Check Checked;
    std::size_t CutTo = 0; // the bytes the run searches: whole lines, or the whole body
    bool Done = false;     // the whole body is cut
};

TEarlyCut::TEarlyCut(std::string Pattern, std::size_t Budget, std::size_t MinBytes, std::size_t SplitBytes)
    : FPattern(std::move(Pattern)), FBudget(Budget), FMinBytes(MinBytes), FSplitBytes(SplitBytes) {}

TEarlyCut::~TEarlyCut() {
    Stop();
}

void TEarlyCut::Began(const char* Data, std::size_t Size) {
    Stop();
    FCut.reset();
    if (Size == 0 || Size < FMinBytes) {
        return;
    }
    auto cut = std::make_unique<TCut>();
    cut->Data = Data;
    cut->Size = Size;
    try {
        cut->Pattern = CompileForTables(FPattern);
    } catch (const ERegexError&) {
        return; // cut as usual, which reports it
    }
    {
        std::lock_guard lock(FMutex);
        FArrived = 0;
        FTakenTo = 0;
        FSplit = 0;
        FLooked.store(0, std::memory_order_relaxed);
        FEnded = false;
        FStopped = false;
    }
    FCut = std::move(cut);
    try {
        FThread = std::thread([this] { Cut(); });
    } catch (const std::system_error&) {
        FCut.reset(); // no thread to be had: cut as usual
    }
}

void TEarlyCut::Arrived(std::size_t Bytes) {
    if (!FThread.joinable()) {
        return;
    }
    {
        std::lock_guard lock(FMutex);
        FArrived = Bytes;
    }
    FWake.notify_one();
}

void TEarlyCut::Ended(bool Whole) noexcept {
    if (!FThread.joinable()) {
        return;
    }
    const std::string_view body(FCut->Data, FCut->Size);
    std::size_t split = 0;
    {
        std::lock_guard lock(FMutex);
        FEnded = true;
        FStopped = FStopped || !Whole;
        // A cut that has given up (npos, unless it went through the whole body) is not helped on.
        if (!FStopped && FArrived == body.size() && Looked() != std::string_view::npos) {
            // What the cut has not yet taken up is searched from its middle on this thread meanwhile, as a
            // body that came all at once would be.
            split = SplitPoint(body, FTakenTo, FSplitBytes);
            FSplit = split;
        }
    }
    FWake.notify_one();
    std::optional<TLaterRun> later;
    try {
        if (split > 0 && IsValidUtf8(body.substr(split))) {
            later.emplace(FCut->Pattern.Code.get(), FCut->Pattern.Jit, body, split, FBudget);
            later->Search({});
        }
    } catch (...) {
        later.reset(); // out of memory: the cut is left to the usual one
    }
    FThread.join();
    try {
        if (later && FCut->CutTo == split && FCut->Run->Resume(body)) {
            TakeOverLaterRun(*FCut->Run, *later, body, FBudget);
            FCut->CutTo = body.size();
            FCut->Done = true;
        }
    } catch (...) {
        // Over the budget or out of memory: the usual cut finds out for itself.
    }
    if (!FCut->Done) {
        // Rows that will not be used go now, not once the usual cut has made its own beside them.
        FCut.reset();
    }
}

void TEarlyCut::Stop() noexcept {
    if (!FThread.joinable()) {
        return;
    }
    {
        std::lock_guard lock(FMutex);
        FStopped = true;
    }
    FWake.notify_one();
    FThread.join();
}

std::optional<TRowIndex> TEarlyCut::TakeRows(std::string_view Body) {
    if (FThread.joinable() || !FCut || !FCut->Done || Body.data() != FCut->Data ||
        Body.size() != FCut->Size) {
        return std::nullopt;
    }
    TRowIndex rows = std::move(FCut->Run->Rows());
    FCut.reset();
    return rows;
}

void TEarlyCut::Cut() noexcept {
    CutWhatArrives();
    FLooked.store(std::string_view::npos, std::memory_order_release);
}

void TEarlyCut::CutWhatArrives() noexcept {
    TCut& cut = *FCut;
    std::size_t seen = 0;
    std::size_t scanned = 0; // the bytes looked over for line ends
    try {
        for (;;) {
            std::size_t upTo = 0;
            {
                std::unique_lock lock(FMutex);
                FWake.wait(lock, [&] { return FStopped || FEnded || FArrived > seen; });
                if (FStopped || (FEnded && FArrived < cut.Size)) {
                    return;
                }
                // The rest is searched from FSplit on by the reading thread once the body is whole.
                const std::size_t limit = FSplit > 0 ? FSplit : cut.Size;
                if (cut.CutTo >= limit) {
                    return;
                }
                seen = FArrived;
                upTo = std::min(FArrived, limit);
                // Whole lines only, until the body is whole: a search ended by the end of what has arrived
                // then ends where the whole body's would, at a line end no match holds. Only the bytes come
                // since the last look can hold a line end past CutTo: looking back over all of them each
                // time would make a body of few line ends cost its size for every piece.
                if (upTo < limit) {
                    const std::size_t from = std::max(scanned, cut.CutTo);
                    const std::size_t lineEnd = std::string_view(cut.Data + from, upTo - from).rfind('\n');
                    scanned = upTo;
                    upTo = lineEnd == std::string_view::npos ? cut.CutTo : from + lineEnd + 1;
                }
                FTakenTo = std::max(FTakenTo, upTo);
            }
            if (upTo == cut.CutTo) {
                FLooked.store(seen, std::memory_order_release);
                continue;
            }
            const std::string_view subject(cut.Data, upTo);
            cut.Checked.Extend(subject);
            if (!cut.Checked.Valid(upTo)) {
                return; // the usual cut reads it leniently
            }
            if (!cut.Run) {
                cut.Run.emplace(cut.Pattern.Code.get(), cut.Pattern.Jit, subject, 0, FBudget, cut.Size);
            } else if (!cut.Run->Resume(subject)) {
                return;
            }
            while (cut.Run->Step()) {
            }
            cut.CutTo = upTo;
            if (upTo == cut.Size) {
                cut.Done = true;
                return;
            }
            FLooked.store(seen, std::memory_order_release);
        }
    } catch (...) {
        // Over the budget or out of memory: the usual cut finds out for itself.
    }
}
