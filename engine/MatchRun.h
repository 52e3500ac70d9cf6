#pragma once
// The search loop of RegexMatchAll, and the same table found by two threads at once for a long subject.
// Internal to the engine: the only header that needs PCRE2's.

#include "engine/StringMatrix.h"

#define PCRE2_CODE_UNIT_WIDTH 8
#include <pcre2.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>

// Match data of 100 pairs: group 0 and 99 capture groups; a match that sets a later group yields 0.
inline constexpr std::uint32_t kOvectorPairs = 100;

// What two threads' data must keep apart not to share a cache line (two lines: neighbours are fetched in
// pairs).
inline constexpr std::size_t kCacheLineBytes = 128;

// The successive matches of a compiled pattern from one offset on, each added to Rows as the row of its
// capture groups, exactly as RegexMatchAll finds them from that offset. Runs on two threads write their
// state on every match: each keeps its own cache lines, or the two would stall each other on every write.
class alignas(kCacheLineBytes) TMatchRun final {
  public:
    // Subject must be valid UTF-8 (it is not checked again) and outlive the run. Jit: Code is JIT-compiled.
    // The rows' room is sized for a run to EstimateEnd (the subject's end when npos).
    TMatchRun(const pcre2_code* Code, bool Jit, std::string_view Subject, std::size_t Start,
              std::size_t Budget, std::size_t EstimateEnd = std::string_view::npos);

    // Searches once from Offset(). When a match is found its row is added and the search moves to its end;
    // true when the run may go on from there, false when it has ended (no match, a matching error, the end of
    // the subject, or a match that did not move on). Throws ETableTooLarge once the rows need more than the
    // budget.
    bool Step();

    // Where the next search starts.
    std::size_t Offset() const { return FOffset; }
    TRowIndex& Rows() { return FRows; }

  private:
    struct TMatchDataDeleter {
        void operator()(pcre2_match_data* Data) const { pcre2_match_data_free(Data); }
    };

    const pcre2_code* FCode;
    bool FJit;
    std::string_view FSubject;
    std::size_t FStart;
    std::size_t FBudget;
    std::size_t FEstimateEnd;
    std::size_t FOffset;
    bool FEnded = false;
    std::unique_ptr<pcre2_match_data, TMatchDataDeleter> FData;
    TRowIndex FRows;
};

// Every match of Code in Subject from offset 0, as the rows of RegexMatchAll's table. A long subject is
// searched from its middle on a second thread at the same time; where the first thread's search reaches an
// offset the second one searched from, the second one's rows from there on are the ones a single search would
// find, and are taken. Throws ETableTooLarge once the rows need more than the budget.
TRowIndex MatchAllRows(const pcre2_code* Code, bool Jit, std::string_view Subject, std::size_t Budget);
