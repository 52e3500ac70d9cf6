#include "engine/MatchRun.h"

#include "engine/Functions.h"
#include "engine/SideThread.h"

#include <algorithm>
#include <optional>
#include <system_error>
#include <vector>

namespace {

// Rows matched before the table's final size is estimated.
constexpr std::size_t kEstimateAfterRows = 256;
// Subjects shorter than this are searched by one thread: a second one would cost more than it saves.
constexpr std::size_t kSplitBytes = 1 << 20;
// The second thread's searches whose starts are noted: where the first thread's search meets the second's,
// it does so within a few records of the split, when it does at all (then it searches the rest alone).
constexpr std::size_t kNotedSearches = 4096;

// Where a second thread starts searching Subject: just after the first line end at or past its middle (a
// character boundary, and in a feed the start of a record); 0 when Subject is not worth splitting.
std::size_t SplitPoint(std::string_view Subject) {
    if (Subject.size() < kSplitBytes) {
        return 0;
    }
    const std::size_t lineEnd = Subject.find('\n', Subject.size() / 2);
    return lineEnd == std::string_view::npos || lineEnd + 1 >= Subject.size() ? 0 : lineEnd + 1;
}

} // namespace

TMatchRun::TMatchRun(const pcre2_code* Code, bool Jit, std::string_view Subject, std::size_t Start,
                     std::size_t Budget, std::size_t EstimateEnd)
    : FCode(Code), FJit(Jit), FSubject(Subject), FStart(Start), FBudget(Budget),
      FEstimateEnd(std::min(EstimateEnd, Subject.size())), FOffset(Start),
      FData(pcre2_match_data_create(kOvectorPairs, nullptr)) {}

bool TMatchRun::Step() {
    if (FEnded || !FData || FOffset > FSubject.size()) {
        FEnded = true;
        return false;
    }
    const auto* subject = reinterpret_cast<PCRE2_SPTR>(FSubject.data());
    const PCRE2_SIZE length = FSubject.size();
    const std::uint32_t options = PCRE2_NOTEMPTY | PCRE2_NO_UTF_CHECK;
    // The JIT's own entry skips the argument checks pcre2_match repeats on every call; it never checks UTF.
    int rc = FJit ? pcre2_jit_match(FCode, subject, length, FOffset, PCRE2_NOTEMPTY, FData.get(), nullptr)
                  : pcre2_match(FCode, subject, length, FOffset, options, FData.get(), nullptr);
    if (rc == PCRE2_ERROR_JIT_STACKLIMIT && FJit) {
        // The interpreter keeps its backtracking on the heap and may still finish this match.
        rc = pcre2_match(FCode, subject, length, FOffset, options | PCRE2_NO_JIT, FData.get(), nullptr);
    }
    if (rc <= 0) {
        FEnded = true;
        return false;
    }
    const PCRE2_SIZE* ovector = pcre2_get_ovector_pointer(FData.get());
    static_assert(TRowIndex::kNoField == PCRE2_UNSET);
    FRows.AddRow(ovector + 2, static_cast<std::size_t>(rc - 1));
    if (FRows.NeededBytes() > FBudget) {
        throw ETableTooLarge(FBudget);
    }
    // A match that ends where the search began would be found again forever; NOTEMPTY should rule it out.
    if (ovector[1] <= FOffset) {
        FEnded = true;
        return false;
    }
    FOffset = ovector[1];
    // Growing a table of a big feed as it comes copies it several times; size it once from the density of the
    // first records instead, within the budget.
    if (FRows.size() == kEstimateAfterRows && FOffset < FEstimateEnd) {
        const auto searched = static_cast<double>(FOffset - FStart);
        FRows.ReserveScaled(
            std::min(static_cast<double>(FEstimateEnd - FStart) / searched * 1.1,
                     static_cast<double>(FBudget) / static_cast<double>(FRows.NeededBytes())));
    }
    return true;
}

TRowIndex MatchAllRows(const pcre2_code* Code, bool Jit, std::string_view Subject, std::size_t Budget) {
    const std::size_t split = SplitPoint(Subject);
    // The head's rows are sized for its half; should it search on alone, they grow.
    TMatchRun head(Code, Jit, Subject, 0, Budget, split > 0 ? split : std::string_view::npos);
    // What the second thread writes as it goes, on cache lines of its own.
    struct alignas(kCacheLineBytes) TTail {
        TMatchRun Run;
        std::vector<std::size_t> Searches; // where the first searches began: row i came from the i-th
        bool Whole = false;                // the run went to its end (else its rows are not used)
    } tail{TMatchRun(Code, Jit, Subject, split, Budget), {}, false};
    std::optional<TSideThread> helper;
    if (split > 0) {
        try {
            helper.emplace([&tail, split](std::stop_token Stop) {
                try {
                    tail.Searches.reserve(kNotedSearches);
                    tail.Searches.push_back(split);
                    while (!Stop.stop_requested() && tail.Run.Step()) {
                        if (tail.Searches.size() < kNotedSearches) {
                            tail.Searches.push_back(tail.Run.Offset());
                        }
                    }
                    tail.Whole = !Stop.stop_requested();
                } catch (...) {
                    // Over the budget or out of memory: the head searches on by itself and finds out.
                }
            });
        } catch (const std::system_error&) {
            // No thread to be had: the head searches the whole subject.
        }
    }

    bool going = true;
    while (going && (!helper || head.Offset() < split)) {
        going = head.Step();
    }
    if (helper) {
        helper->Join();
    }
    while (going) {
        // Once the head searches from where the tail did, every search after is the tail's.
        const auto at = std::lower_bound(tail.Searches.begin(), tail.Searches.end(), head.Offset());
        if (tail.Whole && at != tail.Searches.end() && *at == head.Offset()) {
            head.Rows().Append(std::move(tail.Run.Rows()),
                               static_cast<std::size_t>(at - tail.Searches.begin()), Subject);
            if (head.Rows().NeededBytes() > Budget) {
                throw ETableTooLarge(Budget);
            }
            break;
        }
        going = head.Step();
    }
    return std::move(head.Rows());
}
