#include "tools/kovrin-cli/CliText.h"

#include "text/Utf8.h"

#include <cstdint>

namespace {

struct TRange {
    char32_t First;
    char32_t Last;
};

constexpr TRange kZeroWidth[] = {
    {0x0300, 0x036F}, {0x0483, 0x0489}, {0x0591, 0x05BD}, {0x0610, 0x061A},
    {0x064B, 0x065F}, {0x200B, 0x200F}, {0x202A, 0x202E}, {0x2060, 0x2064},
    {0x20D0, 0x20FF}, {0xFE00, 0xFE0F}, {0xFE20, 0xFE2F}, {0xFEFF, 0xFEFF},
};

constexpr TRange kWide[] = {
    {0x1100, 0x115F}, {0x2E80, 0x303E},   {0x3041, 0x33FF},   {0x3400, 0x4DBF},   {0x4E00, 0x9FFF},
    {0xA000, 0xA4CF}, {0xAC00, 0xD7A3},   {0xF900, 0xFAFF},   {0xFE30, 0xFE4F},   {0xFF00, 0xFF60},
    {0xFFE0, 0xFFE6}, {0x1F300, 0x1F64F}, {0x1F900, 0x1F9FF}, {0x20000, 0x3FFFD},
};

template <std::size_t N> bool InRanges(char32_t c, const TRange (&ranges)[N]) {
    for (const auto& range : ranges)
        if (c >= range.First && c <= range.Last)
            return true;
    return false;
}

} // namespace

std::string CsvField(std::string_view Text) {
    if (Text.find_first_of(",\"\r\n") == std::string_view::npos)
        return std::string(Text);
    std::string out = "\"";
    for (char c : Text) {
        if (c == '"')
            out += '"';
        out += c;
    }
    out += '"';
    return out;
}

std::string JsonString(std::string_view Text) {
    static constexpr char kHex[] = "0123456789abcdef";
    std::string out = "\"";
    for (char c : Text) {
        const auto byte = static_cast<unsigned char>(c);
        switch (c) {
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\t':
            out += "\\t";
            break;
        default:
            if (byte < 0x20) {
                out += "\\u00";
                out += kHex[byte >> 4];
                out += kHex[byte & 0xF];
            } else {
                out += c;
            }
        }
    }
    out += '"';
    return out;
}

bool IsJsonNumber(std::string_view Text) {
    std::size_t i = 0;
    const auto digits = [&] {
        const std::size_t start = i;
        while (i < Text.size() && Text[i] >= '0' && Text[i] <= '9')
            ++i;
        return i - start;
    };
    if (i < Text.size() && Text[i] == '-')
        ++i;
    const std::size_t intStart = i;
    const std::size_t intDigits = digits();
    if (intDigits == 0 || (intDigits > 1 && Text[intStart] == '0'))
        return false;
    if (i < Text.size() && Text[i] == '.') {
        ++i;
        if (digits() == 0)
            return false;
    }
    if (i < Text.size() && (Text[i] == 'e' || Text[i] == 'E')) {
        ++i;
        if (i < Text.size() && (Text[i] == '+' || Text[i] == '-'))
            ++i;
        if (digits() == 0)
            return false;
    }
    return i == Text.size();
}

std::string TsvField(std::string_view Text) {
    std::string out;
    out.reserve(Text.size());
    for (char c : Text) {
        switch (c) {
        case '\t':
            out += "\\t";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\\':
            out += "\\\\";
            break;
        default:
            out += c;
        }
    }
    return out;
}

std::size_t DisplayWidth(std::string_view Text) {
    std::size_t width = 0;
    Utf8Codec::ForEachCodePoint(Text, [&width](char32_t c) {
        if (!InRanges(c, kZeroWidth))
            width += InRanges(c, kWide) ? 2 : 1;
    });
    return width;
}

std::string OneLine(std::string_view Text) {
    std::string out(Text);
    for (char& c : out)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F)
            c = ' ';
    return out;
}
