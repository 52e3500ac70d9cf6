// Escaping of key segments that are not valid element names, and the name rules themselves.

#include "settings/SettingsKeys.h"
#include "settings/XMLConf.h"
#include "settings/XmlName.h"
#include "text/Utf8.h"

#include <cstdio>

namespace {

// How many hex digits an escape may carry: four for the basic plane, up to six above it.
constexpr std::size_t kMinHexDigits = 4;
constexpr std::size_t kMaxHexDigits = 6;

bool IsHexDigit(char32_t Ch) {
    return (Ch >= U'0' && Ch <= U'9') || (Ch >= U'A' && Ch <= U'F') || (Ch >= U'a' && Ch <= U'f');
}

unsigned HexValue(char32_t Ch) {
    if (Ch <= U'9') {
        return Ch - U'0';
    }
    return (Ch | 0x20) - U'a' + 10;
}

// Length of an escape starting at Pos ("_x", no hex digits or 4 to 6 of them, "_"), 0 when there is none.
// The form without digits stands for the empty code, so that an empty code still makes a segment.
std::size_t EscapeLengthAt(const std::u32string& Text, std::size_t Pos) {
    if (Pos + 2 >= Text.size() || Text[Pos] != U'_' || Text[Pos + 1] != U'x') {
        return 0;
    }
    std::size_t digits = 0;
    while (digits < kMaxHexDigits && Pos + 2 + digits < Text.size() && IsHexDigit(Text[Pos + 2 + digits])) {
        ++digits;
    }
    const std::size_t end = Pos + 2 + digits;
    if (end >= Text.size() || Text[end] != U'_') {
        return 0;
    }
    if (digits != 0 && digits < kMinHexDigits) {
        return 0;
    }
    return digits + 3;
}

// True when the literal "_" at Pos would read back as the start of an escape once the code is escaped: "_x",
// a hex run the reader would take, and then a character whose output begins with "_" (a "_" itself, or any
// character that gets escaped).
bool UnderscoreNeedsEscape(const std::u32string& Code, std::size_t Pos) {
    if (Pos + 2 >= Code.size() || Code[Pos] != U'_' || Code[Pos + 1] != U'x') {
        return false;
    }
    std::size_t digits = 0;
    while (digits < kMaxHexDigits && Pos + 2 + digits < Code.size() && IsHexDigit(Code[Pos + 2 + digits])) {
        ++digits;
    }
    const std::size_t next = Pos + 2 + digits;
    if (next >= Code.size() || (digits != 0 && digits < kMinHexDigits)) {
        return false;
    }
    return Code[next] == U'_' || !IsXmlNameChar(Code[next]);
}

void AppendEscape(std::string& Out, char32_t CodePoint) {
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "_x%04X_", static_cast<unsigned>(CodePoint));
    Out += buffer;
}

} // namespace

bool IsXmlNameStartChar(char32_t C) {
    return (C >= U'A' && C <= U'Z') || C == U'_' || (C >= U'a' && C <= U'z') || (C >= 0xC0 && C <= 0xD6) ||
           (C >= 0xD8 && C <= 0xF6) || (C >= 0xF8 && C <= 0x2FF) || (C >= 0x370 && C <= 0x37D) ||
           (C >= 0x37F && C <= 0x1FFF) || (C >= 0x200C && C <= 0x200D) || (C >= 0x2070 && C <= 0x218F) ||
           (C >= 0x2C00 && C <= 0x2FEF) || (C >= 0x3001 && C <= 0xD7FF) || (C >= 0xF900 && C <= 0xFDCF) ||
           (C >= 0xFDF0 && C <= 0xFFFD) || (C >= 0x10000 && C <= 0xEFFFF);
}

bool IsXmlNameChar(char32_t C) {
    return IsXmlNameStartChar(C) || C == U'-' || C == U'.' || (C >= U'0' && C <= U'9') || C == 0xB7 ||
           (C >= 0x300 && C <= 0x36F) || (C >= 0x203F && C <= 0x2040);
}

bool IsValidElementName(std::string_view Name) {
    if (Name.empty()) {
        return false;
    }
    const std::u32string points = DecodeUtf8(Name);
    // DecodeUtf8 turns bad bytes into U+FFFD, itself a name character, so check that nothing was replaced.
    std::string again;
    for (char32_t cp : points) {
        AppendUtf8(again, cp);
    }
    if (again != Name || !IsXmlNameStartChar(points.front())) {
        return false;
    }
    for (std::size_t i = 1; i < points.size(); ++i) {
        if (!IsXmlNameChar(points[i])) {
            return false;
        }
    }
    return true;
}

std::string EscapeKeySegment(const std::string& Code) {
    if (Code.empty()) {
        return "_x_";
    }
    const std::u32string points = DecodeUtf8(Code);
    std::string result;
    result.reserve(Code.size());
    for (std::size_t i = 0; i < points.size(); ++i) {
        const char32_t cp = points[i];
        const bool allowed = i == 0 ? IsXmlNameStartChar(cp) : IsXmlNameChar(cp);
        if (!allowed || UnderscoreNeedsEscape(points, i)) {
            AppendEscape(result, cp);
        } else {
            AppendUtf8(result, cp);
        }
    }
    return result;
}

std::string UnescapeKeySegment(const std::string& Segment) {
    const std::u32string points = DecodeUtf8(Segment);
    std::string result;
    result.reserve(Segment.size());
    std::size_t i = 0;
    while (i < points.size()) {
        const std::size_t length = EscapeLengthAt(points, i);
        if (length == 0) {
            AppendUtf8(result, points[i]);
            ++i;
            continue;
        }
        char32_t value = 0;
        for (std::size_t k = i + 2; k + 1 < i + length; ++k) {
            value = (value << 4) | HexValue(points[k]);
        }
        if (length > 3 && ((value >= 0xD800 && value <= 0xDFFF) || value > 0x10FFFF)) {
            // Not a character: no escape of ours, keep the text as it stands.
            AppendUtf8(result, points[i]);
            ++i;
            continue;
        }
        if (length > 3) {
            AppendUtf8(result, value);
        }
        i += length;
    }
    return result;
}

std::string HideCurrencyKey(const std::string& Code) {
    return std::string(kHideCurrenciesGroup) + "/" + EscapeKeySegment(Code);
}
