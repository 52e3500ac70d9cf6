#include "engine/Functions.h"
#include "engine/MatchRun.h"
#include "text/Utf8.h"

#include <limits>
#include <memory>

namespace {

struct TContextDeleter {
    void operator()(pcre2_compile_context* Context) const { pcre2_compile_context_free(Context); }
};
struct TMatchDataDeleter {
    void operator()(pcre2_match_data* Data) const { pcre2_match_data_free(Data); }
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

// The rows of every match of Pattern in Text, which must be valid UTF-8.
TRowIndex TableRows(std::string_view Text, std::string_view Pattern, std::size_t Budget) {
    const TCompiled compiled = CompileForTables(Pattern);
    return MatchAllRows(compiled.Code.get(), compiled.Jit, Text, Budget);
}

// The table of a subject that is not valid UTF-8: over its lenient decoding, which the table keeps as its
// text.
TStringMatrix DecodedTable(std::string_view Subject, std::string_view Pattern, std::size_t Budget) {
    std::string decoded = DecodeUtf8Lenient(Subject);
    TRowIndex rows = TableRows(decoded, Pattern, Budget);
    return TStringMatrix(std::move(decoded), std::move(rows));
}

} // namespace

// UTF, CASELESS, MULTILINE, any newline, and JIT where it can be had (without it the interpreter serves; the
// table is the same).
TCompiled CompileForTables(std::string_view Pattern) {
    TCompiled compiled = Compile(Pattern, PCRE2_UTF | PCRE2_CASELESS | PCRE2_MULTILINE, true);
    compiled.Jit = pcre2_jit_compile(compiled.Code.get(), PCRE2_JIT_COMPLETE) == 0;
    return compiled;
}

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
    return RegexMatchAll(Subject, Pattern, std::numeric_limits<std::size_t>::max());
}

TStringMatrix RegexMatchAll(std::string_view Subject, std::string_view Pattern, std::size_t Budget) {
    // Validate once: letting every match recheck the rest of the subject makes a long feed quadratic.
    if (IsValidUtf8(Subject)) {
        TRowIndex rows = TableRows(Subject, Pattern, Budget);
        return TStringMatrix(Subject, std::move(rows));
    }
    return DecodedTable(Subject, Pattern, Budget);
}

TStringMatrix RegexMatchAllShared(TSharedText Subject, std::string_view Pattern, std::size_t Budget) {
    if (!Subject.KnownValidUtf8() && !IsValidUtf8(Subject.Bytes())) {
        return DecodedTable(Subject.Bytes(), Pattern, Budget);
    }
    TRowIndex rows = TableRows(Subject.Bytes(), Pattern, Budget);
    return TStringMatrix(std::move(Subject), std::move(rows));
}
