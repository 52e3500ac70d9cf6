#pragma once
// The search loop of RegexMatchAll, and the same table found by two threads at once for a long subject.
// Internal to the engine: the only header that needs PCRE2's.

#include "engine/StringMatrix.h"

#define PCRE2_CODE_UNIT_WIDTH 8
#include <pcre2.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <stop_token>
#include <string_view>
#include <vector>

struct TTablesDeleter {
    void operator()(const std::uint8_t* Tables) const { pcre2_maketables_free(nullptr, Tables); }
};
struct TCodeDeleter {
    void operator()(pcre2_code* Code) const { pcre2_code_free(Code); }
};

// A compiled pattern with the character tables it points into; members go in reverse order, code first.
struct TCompiled {
    std::unique_ptr<const std::uint8_t, TTablesDeleter> Tables;
    std::unique_ptr<pcre2_code, TCodeDeleter> Code;
    bool Jit = false; // also compiled to machine code
};

// Pattern compiled as RegexMatchAll compiles it. Throws ERegexError for a bad or empty pattern.
TCompiled CompileForTables(std::string_view Pattern);

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
    // The rows' room is sized for a run to EstimateEnd (the subject's end when npos; past it for a subject
    // that will grow).
    TMatchRun(const pcre2_code* Code, bool Jit, std::string_view Subject, std::size_t Start,
              std::size_t Budget, std::size_t EstimateEnd = std::string_view::npos);

    // Searches once from Offset(). When a match is found its row is added and the search moves to its end;
    // true when the run may go on from there, false when it has ended (no match, a matching error, the end of
    // the subject, or a match that did not move on). Throws ETableTooLarge once the rows need more than the
    // budget.
    bool Step();

    // Lets a run that found no more matches in its subject go on over Longer, a subject that begins with it
    // (the rest of a text arriving): true when it can, false when it ended for another reason.
    bool Resume(std::string_view Longer);

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
    bool FNoMatch = false; // it ended because no match was left in the subject
    std::unique_ptr<pcre2_match_data, TMatchDataDeleter> FData;
    TRowIndex FRows;
};

// Subjects shorter than this are searched by one thread: a second one would cost more than it saves.
inline constexpr std::size_t kSplitBytes = 1 << 20;

// Where a second thread starts searching what is left of Subject from From on: just after the first line end
// at or past its middle (a character boundary, and in a feed the start of a record); 0 when less than
// MinBytes is left, not worth splitting.
std::size_t SplitPoint(std::string_view Subject, std::size_t From = 0, std::size_t MinBytes = kSplitBytes);

// A run from a later offset, searched on a second thread while an earlier run goes on, with where its first
// searches began: the earlier run takes its rows over from where it reaches one of those places.
struct alignas(kCacheLineBytes) TLaterRun {
    TLaterRun(const pcre2_code* Code, bool Jit, std::string_view Subject, std::size_t Start,
              std::size_t Budget);
    // Searches to the end or until Stop is requested. Never throws.
    void Search(std::stop_token Stop) noexcept;

    TMatchRun Run;
    std::vector<std::size_t> Searches; // where the first searches began: row i came from the i-th
    bool Whole = false;                // the run went to its end (else its rows are not used)
};

// Goes on with Head, which has not ended, over Subject until it searches from where Later did, then takes
// Later's rows from there on; when it never does, Head's rows are its own. Throws ETableTooLarge once the
// rows need more than the budget.
void TakeOverLaterRun(TMatchRun& Head, TLaterRun& Later, std::string_view Subject, std::size_t Budget);

// Every match of Code in Subject from offset 0, as the rows of RegexMatchAll's table. A long subject is
// searched from its middle on a second thread at the same time; where the first thread's search reaches an
// offset the second one searched from, the second one's rows from there on are the ones a single search would
// find, and are taken. Throws ETableTooLarge once the rows need more than the budget.
TRowIndex MatchAllRows(const pcre2_code* Code, bool Jit, std::string_view Subject, std::size_t Budget);
