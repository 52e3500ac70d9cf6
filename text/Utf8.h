#pragma once
// The one UTF-8 codec of the program. Well-formed means what Unicode says: no overlong forms, no surrogates,
// nothing above U+10FFFF. The strict reading checks that (IsValidUtf8, Utf8Codec::SequenceAt); the lenient
// one replaces each maximal malformed subpart by one U+FFFD, as a UTF-8 -> UTF-16 -> UTF-8 round trip would.

#include <cstddef>
#include <string>
#include <string_view>

// True when Bytes are well-formed UTF-8. Never throws.
bool IsValidUtf8(std::string_view Bytes);

// The same check made as bytes arrive, each call given all the bytes so far (a sequence cut by the end of
// one piece is checked when the rest arrives). Lets a reader check each piece while it is still in cache.
class TUtf8Check {
  public:
    // Checks what Bytes holds beyond what earlier calls were given; Bytes begins with what they were given.
    void Extend(std::string_view Bytes);
    // True when all Size bytes given so far are well-formed UTF-8 (a sequence cut short at the end is not).
    bool Valid(std::size_t Size) const { return !FMalformed && FChecked == Size; }

  private:
    std::size_t FChecked = 0;
    bool FMalformed = false;
};

// Bytes -> valid UTF-8, each maximal malformed subpart replaced by U+FFFD. Never fails.
std::string DecodeUtf8Lenient(std::string_view Bytes);

// The code points of Bytes, read leniently as DecodeUtf8Lenient reads them. Never throws (but
// std::bad_alloc).
std::u32string DecodeUtf8(std::string_view Bytes);

// The building blocks, for callers that walk text one character at a time.
namespace Utf8Codec {

// Length of the well-formed sequence that starts at Pos, or 0 when none does; then Subpart receives the
// length of the maximal malformed subpart there (at least 1), the span one U+FFFD replaces.
inline std::size_t SequenceAt(std::string_view Bytes, std::size_t Pos, std::size_t& Subpart) {
    const auto byteAt = [&](std::size_t i) { return static_cast<unsigned char>(Bytes[i]); };
    const unsigned char lead = byteAt(Pos);
    Subpart = 1;
    if (lead < 0x80) {
        return 1;
    }
    std::size_t need = 0;
    unsigned char low = 0x80;
    unsigned char high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        need = 1;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        need = 2;
        if (lead == 0xE0) {
            low = 0xA0; // overlong below
        } else if (lead == 0xED) {
            high = 0x9F; // surrogates above
        }
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        need = 3;
        if (lead == 0xF0) {
            low = 0x90;
        } else if (lead == 0xF4) {
            high = 0x8F; // beyond U+10FFFF above
        }
    } else {
        return 0;
    }
    for (std::size_t k = 1; k <= need; ++k) {
        if (Pos + k >= Bytes.size()) {
            Subpart = k;
            return 0;
        }
        const unsigned char next = byteAt(Pos + k);
        const unsigned char lo = k == 1 ? low : 0x80;
        const unsigned char hi = k == 1 ? high : 0xBF;
        if (next < lo || next > hi) {
            Subpart = k;
            return 0;
        }
    }
    return need + 1;
}

// The code point of the well-formed sequence of Length bytes at Pos.
inline char32_t Decode(std::string_view Bytes, std::size_t Pos, std::size_t Length) {
    const auto byteAt = [&](std::size_t i) { return static_cast<unsigned char>(Bytes[Pos + i]); };
    switch (Length) {
    case 1:
        return byteAt(0);
    case 2:
        return (char32_t(byteAt(0) & 0x1F) << 6) | (byteAt(1) & 0x3F);
    case 3:
        return (char32_t(byteAt(0) & 0x0F) << 12) | (char32_t(byteAt(1) & 0x3F) << 6) | (byteAt(2) & 0x3F);
    default:
        return (char32_t(byteAt(0) & 0x07) << 18) | (char32_t(byteAt(1) & 0x3F) << 12) |
               (char32_t(byteAt(2) & 0x3F) << 6) | (byteAt(3) & 0x3F);
    }
}

inline constexpr char32_t kReplacement = 0xFFFD;

// Calls Visit(codePoint) for the characters of Bytes in order, U+FFFD for each maximal malformed subpart,
// until Visit returns false; the bytes after that character are not read.
template <typename TVisit> void VisitCodePointsWhile(std::string_view Bytes, TVisit&& Visit) {
    std::size_t pos = 0;
    while (pos < Bytes.size()) {
        std::size_t subpart = 0;
        const std::size_t length = SequenceAt(Bytes, pos, subpart);
        if (length == 0) {
            if (!Visit(kReplacement)) {
                return;
            }
            pos += subpart;
        } else {
            if (!Visit(Decode(Bytes, pos, length))) {
                return;
            }
            pos += length;
        }
    }
}

// Calls Visit(codePoint) for every character of Bytes, U+FFFD for each maximal malformed subpart.
template <typename TVisit> void ForEachCodePoint(std::string_view Bytes, TVisit&& Visit) {
    VisitCodePointsWhile(Bytes, [&](char32_t cp) {
        Visit(cp);
        return true;
    });
}

} // namespace Utf8Codec

// Appends the UTF-8 form of CodePoint to Out (a surrogate or a value above U+10FFFF as U+FFFD). Inline: the
// code-page conversions call it once per character.
inline void AppendUtf8(std::string& Out, char32_t CodePoint) {
    if ((CodePoint >= 0xD800 && CodePoint <= 0xDFFF) || CodePoint > 0x10FFFF) {
        CodePoint = Utf8Codec::kReplacement;
    }
    if (CodePoint < 0x80) {
        Out += static_cast<char>(CodePoint);
    } else if (CodePoint < 0x800) {
        Out += static_cast<char>(0xC0 | (CodePoint >> 6));
        Out += static_cast<char>(0x80 | (CodePoint & 0x3F));
    } else if (CodePoint < 0x10000) {
        Out += static_cast<char>(0xE0 | (CodePoint >> 12));
        Out += static_cast<char>(0x80 | ((CodePoint >> 6) & 0x3F));
        Out += static_cast<char>(0x80 | (CodePoint & 0x3F));
    } else {
        Out += static_cast<char>(0xF0 | (CodePoint >> 18));
        Out += static_cast<char>(0x80 | ((CodePoint >> 12) & 0x3F));
        Out += static_cast<char>(0x80 | ((CodePoint >> 6) & 0x3F));
        Out += static_cast<char>(0x80 | (CodePoint & 0x3F));
    }
}
