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
// The second thread's searches whose starts are noted: where the first thread's search meets the second's,
// it does so within a few records of the split, when it does at all (then it searches the rest alone).
constexpr std::size_t kNotedSearches = 4096;

} // namespace

std::size_t SplitPoint(std::string_view Subject, std::size_t From, std::size_t MinBytes) {
    const std::size_t left = Subject.size() - std::min(From, Subject.size());
    if (left < std::max<std::size_t>(MinBytes, 1)) {
        return 0;
    }
    const std::size_t lineEnd = Subject.find('\n', From + left / 2);
    return lineEnd == std::string_view::npos || lineEnd + 1 >= Subject.size() ? 0 : lineEnd + 1;
}

TMatchRun::TMatchRun(const pcre2_code* Code, bool Jit, std::string_view Subject, std::size_t Start,
                     std::size_t Budget, std::size_t EstimateEnd)
    : FCode(Code), FJit(Jit), FSubject(Subject), FStart(Start), FBudget(Budget),
      FEstimateEnd(EstimateEnd == std::string_view::npos ? Subject.size() : EstimateEnd), FOffset(Start),
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
        FNoMatch = rc == PCRE2_ERROR_NOMATCH;
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

bool TMatchRun::Resume(std::string_view Longer) {
    if (FEnded && !FNoMatch) {
        return false;
    }
    FSubject = Longer;
    FEnded = false;
    FNoMatch = false;
    return true;
}

TLaterRun::TLaterRun(const pcre2_code* Code, bool Jit, std::string_view Subject, std::size_t Start,
                     std::size_t Budget)
    : Run(Code, Jit, Subject, Start, Budget) {}

void TLaterRun::Search(std::stop_token Stop) noexcept {
    try {
        Searches.reserve(kNotedSearches);
        Searches.push_back(Run.Offset());
        while (!Stop.stop_requested() && Run.Step()) {
            if (Searches.size() < kNotedSearches) {
                Searches.push_back(Run.Offset());
            }
        }
        Whole = !Stop.stop_requested();
    } catch (...) {
        // Over the budget or out of memory: the earlier run searches on by itself and finds out.
    }
}

void TakeOverLaterRun(TMatchRun& Head, TLaterRun& Later, std::string_view Subject, std::size_t Budget) {
    bool going = true;
    while (going) {
        // Once the head searches from where the later run did, every search after is the later run's.
        const auto at = std::lower_bound(Later.Searches.begin(), Later.Searches.end(), Head.Offset());
        if (Later.Whole && at != Later.Searches.end() && *at == Head.Offset()) {
            Head.Rows().Append(std::move(Later.Run.Rows()),
                               static_cast<std::size_t>(at - Later.Searches.begin()), Subject);
            if (Head.Rows().NeededBytes() > Budget) {
                throw ETableTooLarge(Budget);
            }
            return;
        }
        going = Head.Step();
    }
}

TRowIndex MatchAllRows(const pcre2_code* Code, bool Jit, std::string_view Subject, std::size_t Budget) {
    const std::size_t split = SplitPoint(Subject);
    // The head's rows are sized for its half; should it search on alone, they grow.
    TMatchRun head(Code, Jit, Subject, 0, Budget, split > 0 ? split : std::string_view::npos);
    // What the second thread writes as it goes, on cache lines of its own.
    TLaterRun tail(Code, Jit, Subject, split, Budget);
    std::optional<TSideThread> helper;
    if (split > 0) {
        try {
            helper.emplace([&tail](std::stop_token Stop) { tail.Search(Stop); });
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
    if (going) {
        TakeOverLaterRun(head, tail, Subject, Budget);
    }
    return std::move(head.Rows());
}
