#pragma once
// Tables cut from text by regular expressions (PCRE2), and the installation GUID.

#include "engine/StringMatrix.h"

#include <cstddef>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>

struct TRegRoot;

// Raised for a pattern that does not compile (or is empty); carries PCRE2's offset and message.
class ERegexError : public std::runtime_error {
  public:
    ERegexError(const std::string& message, std::size_t offset)
        : std::runtime_error(message), FOffset(offset) {}
    std::size_t Offset() const { return FOffset; }

  private:
    std::size_t FOffset;
};

// Raised when the rows of a table would need more than its budget of bytes.
class ETableTooLarge : public std::runtime_error {
  public:
    explicit ETableTooLarge(std::size_t Budget)
        : std::runtime_error("the table would need more than " + std::to_string(Budget) + " bytes"),
          FBudget(Budget) {}
    std::size_t Budget() const { return FBudget; }

  private:
    std::size_t FBudget;
};

// True when Pattern occurs somewhere in Subject. Compiled with no options (case-sensitive, not UTF mode),
// searched once with PCRE2_NOTEMPTY. Throws ERegexError for a bad or empty pattern.
bool RegexTest(std::string_view Pattern, std::string_view Subject);

// Every non-overlapping, non-empty match of Pattern in Subject, each as the row of its capture groups
// (group 1 first; groups after the last one that took part are not in the row; a group inside the row that
// did not take part is ""). Compiled with UTF, CASELESS, MULTILINE and NEWLINE_ANY. A subject that is not
// valid UTF-8 is first decoded leniently (each malformed sequence becomes U+FFFD). Throws ERegexError for a
// bad pattern.
TStringMatrix RegexMatchAll(std::string_view Subject, std::string_view Pattern);
// The same table, but throws ETableTooLarge instead as soon as its rows would need more than Budget bytes
// (the text from each row's first field byte to its last, and a few bytes per field), so that a hostile
// subject costs at most about the budget.
TStringMatrix RegexMatchAll(std::string_view Subject, std::string_view Pattern, std::size_t Budget);
// The same table, which shares Subject with the caller as its text rather than copying it, when Subject is
// valid UTF-8 and the rows cover at least half of it.
TStringMatrix RegexMatchAllShared(TSharedText Subject, std::string_view Pattern, std::size_t Budget);

// The pattern a stored installation GUID must contain.
inline constexpr std::string_view kGuidPattern =
    R"(\{[0-9A-F]{8}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{12}\})";
// Where the installation GUID is stored in the per-user store.
inline constexpr std::string_view kGuidPath = R"(Software\Lorvane\Kovrin\GUID)";

// A new random (version 4) GUID in the 38-character form "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}", upper
// case.
std::string NewGuidText();

// The installation GUID: the stored text when it contains kGuidPattern (returned whole), else a new GUID that
// is stored (write failures ignored) and returned. Reads the store on every call. Never throws.
std::string GetAppGuid();
std::string GetAppGuid(const TRegRoot& Root);
