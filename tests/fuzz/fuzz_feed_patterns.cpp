// The three feed patterns run through RegexMatchAll, each checked against a slow splitter of the same record
// grammar written by hand here. Every field of a record is a run of one character class followed by ";" (the
// last field ends where its class ends), so a record that starts at a given place is found by walking
// forward; the table is the leftmost records, each search resuming where the previous record ended.

#include "engine/EarlyCut.h"
#include "engine/Functions.h"
#include "engine/Protocol.h"
#include "tests/fuzz/FuzzCheck.h"
#include "text/Utf8.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace {

// One code point of valid UTF-8 at Pos and its length.
char32_t CodePointAt(std::string_view text, std::size_t pos, std::size_t& length) {
    const auto lead = static_cast<unsigned char>(text[pos]);
    if (lead < 0x80) {
        length = 1;
        return lead;
    }
    length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : 2;
    char32_t cp = lead & (0x7F >> length);
    for (std::size_t k = 1; k < length; ++k)
        cp = (cp << 6) | (static_cast<unsigned char>(text[pos + k]) & 0x3F);
    return cp;
}

using TClass = std::function<bool(char32_t)>;

bool Digit(char32_t c) {
    return c >= '0' && c <= '9';
}
bool DigitOrDot(char32_t c) {
    return Digit(c) || c == '.';
}
// [a-z0-9\.\- ] matched without regard to case in UTF mode: besides both ASCII cases, the two characters
// whose case folding reaches a Latin letter, LONG S (folds to s) and KELVIN SIGN (folds to k).
bool CodeChar(char32_t c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || Digit(c) || c == '.' || c == '-' || c == ' ' ||
           c == 0x017F || c == 0x212A;
}
bool NotSemicolon(char32_t c) {
    return c != ';';
}
bool NotLineFeed(char32_t c) {
    return c != '\n';
}

struct TField {
    TClass Class;
    bool MayBeEmpty;
};

// The longest run of Class from Pos; its end.
std::size_t Run(std::string_view text, std::size_t pos, const TClass& cls) {
    while (pos < text.size()) {
        std::size_t length = 0;
        if (!cls(CodePointAt(text, pos, length)))
            break;
        pos += length;
    }
    return pos;
}

// The record that starts exactly at Pos: its fields and its end, or nothing. Greedy runs never need to give
// back: no field class admits ";", and the last field takes as much as it can.
std::optional<std::pair<std::vector<std::string>, std::size_t>>
RecordAt(std::string_view text, std::size_t pos, const std::vector<TField>& fields) {
    std::vector<std::string> row;
    for (std::size_t i = 0; i < fields.size(); ++i) {
        const std::size_t end = Run(text, pos, fields[i].Class);
        if (end == pos && !fields[i].MayBeEmpty)
            return std::nullopt;
        row.emplace_back(text.substr(pos, end - pos));
        pos = end;
        if (i + 1 < fields.size()) {
            if (pos >= text.size() || text[pos] != ';')
                return std::nullopt;
            ++pos;
        }
    }
    return std::make_pair(std::move(row), pos);
}

TStringMatrix ReferenceSplit(std::string_view text, const std::vector<TField>& fields) {
    TStringMatrix table;
    std::size_t from = 0;
    while (from < text.size()) {
        bool found = false;
        for (std::size_t start = from; start < text.size();) {
            if (auto record = RecordAt(text, start, fields)) {
                table.push_back(std::move(record->first));
                from = record->second;
                found = true;
                break;
            }
            std::size_t length = 0;
            CodePointAt(text, start, length);
            start += length;
        }
        if (!found)
            break;
    }
    return table;
}

void Compare(std::string_view feed, std::string_view raw, const std::string& text, std::string_view pattern,
             const std::vector<TField>& fields) {
    const TStringMatrix actual = RegexMatchAll(raw, pattern);
    const TStringMatrix expected = ReferenceSplit(text, fields);
    if (actual != expected) {
        std::fprintf(stderr, "feed %.*s: %zu rows from the pattern, %zu from the reference\n",
                     static_cast<int>(feed.size()), feed.data(), actual.size(), expected.size());
        for (std::size_t i = 0; i < actual.size() || i < expected.size(); ++i) {
            const bool same = i < actual.size() && i < expected.size() && actual[i] == expected[i];
            if (same)
                continue;
            std::fprintf(stderr, "first difference at row %zu\n", i);
            break;
        }
    }
    FUZZ_CHECK(actual == expected, "the pattern and the reference splitter disagree");
    FUZZ_CHECK(FeedTable(feed, raw) == actual, "FeedTable does not give the pattern's table");
}

// The rates table cut while the bytes arrive, in pieces and with waits chosen by the bytes themselves, must
// be the table of the whole: given whenever the bytes are well-formed UTF-8, left to the usual cut otherwise.
void CompareEarlyCut(std::string_view raw) {
    const auto body = std::make_shared<const std::string>(raw);
    const std::size_t piece = raw.empty() ? 1 : 1 + static_cast<unsigned char>(raw.back()) % 61;
    TEarlyCut cut(std::string(kRatesPattern), kFeedTableBudget, 0, 1 + raw.size() % 97);
    cut.Began(body->data(), body->size());
    for (std::size_t in = piece; in < body->size(); in += piece) {
        cut.Arrived(in);
        while (in % 3 == 0 && cut.Looked() < in) {
            std::this_thread::yield();
        }
    }
    cut.Arrived(body->size());
    cut.Ended(true);
    auto rows = cut.TakeRows(*body);
    FUZZ_CHECK(rows.has_value() == (!raw.empty() && FuzzIsUtf8(raw)),
               "the early cut gave up on well-formed bytes, or vouched for malformed ones");
    if (rows) {
        FUZZ_CHECK(TStringMatrix(TSharedText(body), std::move(*rows)) == FeedTable(kFeedRates, raw),
                   "the early cut and the cut of the whole body disagree");
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
    const std::string_view raw(reinterpret_cast<const char*>(Data), Size);
    // RegexMatchAll reads a subject that is not UTF-8 through the lenient decoder; the reference walks the
    // decoded text.
    const std::string text = DecodeUtf8Lenient(raw);
    FUZZ_CHECK(FuzzIsUtf8(text), "the lenient decoder gave malformed UTF-8");

    Compare(kFeedRates, raw, text, kRatesPattern,
            {{Digit, false},
             {CodeChar, false},
             {CodeChar, false},
             {DigitOrDot, false},
             {DigitOrDot, false},
             {DigitOrDot, false}});
    CompareEarlyCut(raw);
    Compare(kFeedNames, raw, text, kNamesPattern,
            {{CodeChar, false}, {NotSemicolon, false}, {NotLineFeed, false}});
    Compare(kFeedExchangers, raw, text, kExchangersPattern,
            {{Digit, false}, {NotSemicolon, false}, {Digit, true}, {Digit, true}});
    return 0;
}
