#include "engine/Text.h"
#include "text/CodePages.h"
#include "text/Utf8.h"

#include <algorithm>
#include <array>
#include <stdexcept>
#include <utility>
#include <vector>

namespace {

// Windows-1251 both ways, built once from the code page's table: converting per string would reopen iconv's
// converter every call.
struct TAnsiTables {
    std::array<char32_t, 256> ToUnicode{};
    std::vector<std::pair<char32_t, unsigned char>> FromUnicode; // sorted by code point, upper half only

    TAnsiTables() {
        for (int b = 0; b < 256; ++b) {
            const std::optional<char32_t> cp = CodePageCharacter(1251, static_cast<unsigned char>(b));
            if (!cp) {
                throw std::runtime_error("iconv cannot convert from CP1251");
            }
            // 0x98 is unassigned in the code page; Windows passes it through as the C1 control of that value.
            ToUnicode[b] = *cp == Utf8Codec::kReplacement ? static_cast<char32_t>(b) : *cp;
            if (b >= 0x80) {
                FromUnicode.emplace_back(ToUnicode[b], static_cast<unsigned char>(b));
            }
        }
        std::sort(FromUnicode.begin(), FromUnicode.end());
    }
};

const TAnsiTables& Tables() {
    static const TAnsiTables tables; // initialised once, thread-safely
    return tables;
}

char32_t FoldCase(char32_t Cp) {
    if (Cp >= U'A' && Cp <= U'Z') {
        return Cp + 0x20;
    }
    if (Cp >= 0x0410 && Cp <= 0x042F) { // А..Я
        return Cp + 0x20;
    }
    if (Cp >= 0x0400 && Cp <= 0x040F) { // Ѐ..Џ, Ё among them
        return Cp + 0x50;
    }
    if (Cp == 0x0490) { // Ґ
        return 0x0491;
    }
    return Cp;
}

} // namespace

std::string Utf8ToAnsi(std::string_view Utf8) {
    return Utf8ToAnsiPrefix(Utf8, std::string::npos);
}

std::string Utf8ToAnsiPrefix(std::string_view Utf8, std::size_t MaxBytes) {
    const TAnsiTables& tables = Tables();
    std::string out;
    if (MaxBytes == 0) {
        return out;
    }
    out.reserve(std::min(Utf8.size(), MaxBytes));
    Utf8Codec::VisitCodePointsWhile(Utf8, [&](char32_t cp) {
        if (cp < 0x80) {
            out += static_cast<char>(cp);
        } else {
            const auto it = std::lower_bound(tables.FromUnicode.begin(), tables.FromUnicode.end(),
                                             std::pair<char32_t, unsigned char>(cp, 0));
            out += (it != tables.FromUnicode.end() && it->first == cp) ? static_cast<char>(it->second) : '?';
        }
        return out.size() < MaxBytes;
    });
    return out;
}

std::string AnsiToUtf8(std::string_view Ansi) {
    const TAnsiTables& tables = Tables();
    std::string out;
    out.reserve(Ansi.size() * 2);
    for (const char c : Ansi) {
        AppendUtf8(out, tables.ToUnicode[static_cast<unsigned char>(c)]);
    }
    return out;
}

std::string AnsiRoundTrip(std::string_view Utf8) {
    return AnsiToUtf8(Utf8ToAnsi(Utf8));
}

std::string AnsiLowerCase(std::string_view Utf8) {
    std::string out;
    out.reserve(Utf8.size());
    Utf8Codec::ForEachCodePoint(Utf8, [&](char32_t cp) { AppendUtf8(out, FoldCase(cp)); });
    return out;
}

bool AnsiSameText(std::string_view A, std::string_view B) {
    return AnsiLowerCase(A) == AnsiLowerCase(B);
}
