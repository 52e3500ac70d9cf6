#include "engine/Functions.h"
#include "text/Utf8.h"

#define PCRE2_CODE_UNIT_WIDTH 8
#include <pcre2.h>

#include <memory>

namespace {

// Match data of 100 pairs: group 0 and 99 capture groups; a match that sets a later group yields 0.
constexpr std::uint32_t kOvectorPairs = 100;
// Rows matched before the table's final size is estimated.
constexpr std::size_t kEstimateAfterRows = 256;

struct TTablesDeleter {
    void operator()(const std::uint8_t* Tables) const { pcre2_maketables_free(nullptr, Tables); }
};
struct TContextDeleter {
    void operator()(pcre2_compile_context* Context) const { pcre2_compile_context_free(Context); }
};
struct TCodeDeleter {
    void operator()(pcre2_code* Code) const { pcre2_code_free(Code); }
};
struct TMatchDataDeleter {
    void operator()(pcre2_match_data* Data) const { pcre2_match_data_free(Data); }
};

// A compiled pattern with the character tables it points into; members go in reverse order, code first.
struct TCompiled {
    std::unique_ptr<const std::uint8_t, TTablesDeleter> Tables;
    std::unique_ptr<pcre2_code, TCodeDeleter> Code;
};

// Compiles Pattern with character tables made for this call, or throws ERegexError.
TCompiled Compile(std::string_view Pattern, std::uint32_t Options, bool NewlineAny) {
    if (Pattern.empty()) {
        throw ERegexError("empty regular expression", 0);
    }
    TCompiled compiled;
    compiled.Tables.reset(pcre2_maketables(nullptr));
    const std::unique_ptr<pcre2_compile_context, TContextDeleter> context(
        pcre2_compile_context_create(nullptr));
    const std::uint8_t* tables = compiled.Tables.get();
    if (!tables || !context) {
        throw ERegexError("out of memory compiling a regular expression", 0);
    }
    pcre2_set_character_tables(context.get(), tables);
    if (NewlineAny) {
        pcre2_set_newline(context.get(), PCRE2_NEWLINE_ANY);
    }
    int errorCode = 0;
    PCRE2_SIZE errorOffset = 0;
    compiled.Code.reset(pcre2_compile(reinterpret_cast<PCRE2_SPTR>(Pattern.data()), Pattern.size(), Options,
                                      &errorCode, &errorOffset, context.get()));
    if (!compiled.Code) {
        PCRE2_UCHAR message[256] = {};
        pcre2_get_error_message(errorCode, message, sizeof message);
        throw ERegexError(reinterpret_cast<const char*>(message), errorOffset);
    }
    return compiled;
}

} // namespace

bool RegexTest(std::string_view Pattern, std::string_view Subject) {
    const TCompiled compiled = Compile(Pattern, 0, false);
    const std::unique_ptr<pcre2_match_data, TMatchDataDeleter> data(
        pcre2_match_data_create(kOvectorPairs, nullptr));
    if (!data) {
        return false;
    }
    const int rc = pcre2_match(compiled.Code.get(), reinterpret_cast<PCRE2_SPTR>(Subject.data()),
                               Subject.size(), 0, PCRE2_NOTEMPTY, data.get(), nullptr);
    return rc > 0;
}

TStringMatrix RegexMatchAll(std::string_view Subject, std::string_view Pattern) {
    const TCompiled compiled = Compile(Pattern, PCRE2_UTF | PCRE2_CASELESS | PCRE2_MULTILINE, true);
    pcre2_code* code = compiled.Code.get();
    // Without JIT the interpreter serves; the result is the same.
    const bool jit = pcre2_jit_compile(code, PCRE2_JIT_COMPLETE) == 0;

    // Validate once: letting every match recheck the rest of the subject makes a long feed quadratic.
    std::string decoded;
    if (!IsValidUtf8(Subject)) {
        decoded = DecodeUtf8Lenient(Subject);
        Subject = decoded;
    }
    const auto* subject = reinterpret_cast<PCRE2_SPTR>(Subject.data());
    const PCRE2_SIZE length = Subject.size();

    TStringMatrix result;
    const std::unique_ptr<pcre2_match_data, TMatchDataDeleter> data(
        pcre2_match_data_create(kOvectorPairs, nullptr));
    if (!data) {
        return result;
    }
    const PCRE2_SIZE* ovector = pcre2_get_ovector_pointer(data.get());
    PCRE2_SIZE offset = 0;
    while (offset <= length) {
        const std::uint32_t options = PCRE2_NOTEMPTY | PCRE2_NO_UTF_CHECK;
        int rc = pcre2_match(code, subject, length, offset, options, data.get(), nullptr);
        if (rc == PCRE2_ERROR_JIT_STACKLIMIT && jit) {
            // The interpreter keeps its backtracking on the heap and may still finish this match.
            rc = pcre2_match(code, subject, length, offset, options | PCRE2_NO_JIT, data.get(), nullptr);
        }
        if (rc <= 0) {
            break;
        }
        TStringArray& row = result.emplace_back();
        row.reserve(static_cast<std::size_t>(rc - 1));
        for (int group = 1; group < rc; ++group) {
            const PCRE2_SIZE start = ovector[2 * group];
            const PCRE2_SIZE end = ovector[2 * group + 1];
            if (start == PCRE2_UNSET) {
                row.emplace_back();
            } else {
                row.emplace_back(Subject.substr(start, end - start));
            }
        }
        // A match that ends where the search began would be found again forever; NOTEMPTY should rule it out.
        if (ovector[1] <= offset) {
            break;
        }
        offset = ovector[1];
        // Growing a table of a big feed row by row copies it a dozen times; size it once from the density of
        // the first records instead.
        if (result.size() == kEstimateAfterRows && offset < length) {
            result.reserve(
                static_cast<std::size_t>(static_cast<double>(length) / offset * kEstimateAfterRows * 1.1));
        }
    }
    return result;
}
