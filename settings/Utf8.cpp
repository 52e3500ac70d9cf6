#include "settings/Utf8.h"

namespace {

constexpr char32_t kReplacement = 0xFFFD;

bool IsContinuation(unsigned char Byte) {
    return (Byte & 0xC0) == 0x80;
}

} // namespace

std::u32string DecodeUtf8(std::string_view Text) {
    std::u32string result;
    result.reserve(Text.size());
    std::size_t i = 0;
    while (i < Text.size()) {
        const auto lead = static_cast<unsigned char>(Text[i]);
        if (lead < 0x80) {
            result.push_back(lead);
            ++i;
            continue;
        }
        std::size_t length = 0;
        char32_t value = 0;
        // The second byte's range also rules out overlong forms, surrogates and values above U+10FFFF, so a
        // bad sequence is replaced by one U+FFFD per maximal invalid part, as decoders commonly do.
        unsigned char low = 0x80, high = 0xBF;
        if (lead >= 0xC2 && lead <= 0xDF) {
            length = 2;
            value = lead & 0x1F;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            length = 3;
            value = lead & 0x0F;
            if (lead == 0xE0) {
                low = 0xA0;
            } else if (lead == 0xED) {
                high = 0x9F;
            }
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            length = 4;
            value = lead & 0x07;
            if (lead == 0xF0) {
                low = 0x90;
            } else if (lead == 0xF4) {
                high = 0x8F;
            }
        } else {
            result.push_back(kReplacement);
            ++i;
            continue;
        }
        std::size_t taken = 1;
        bool valid = true;
        while (taken < length) {
            if (i + taken >= Text.size()) {
                valid = false;
                break;
            }
            const auto next = static_cast<unsigned char>(Text[i + taken]);
            const bool inRange = taken == 1 ? (next >= low && next <= high) : IsContinuation(next);
            if (!inRange) {
                valid = false;
                break;
            }
            value = (value << 6) | (next & 0x3F);
            ++taken;
        }
        result.push_back(valid ? value : kReplacement);
        i += taken;
    }
    return result;
}

void AppendUtf8(std::string& Out, char32_t CodePoint) {
    if ((CodePoint >= 0xD800 && CodePoint <= 0xDFFF) || CodePoint > 0x10FFFF) {
        CodePoint = kReplacement;
    }
    if (CodePoint < 0x80) {
        Out.push_back(static_cast<char>(CodePoint));
    } else if (CodePoint < 0x800) {
        Out.push_back(static_cast<char>(0xC0 | (CodePoint >> 6)));
        Out.push_back(static_cast<char>(0x80 | (CodePoint & 0x3F)));
    } else if (CodePoint < 0x10000) {
        Out.push_back(static_cast<char>(0xE0 | (CodePoint >> 12)));
        Out.push_back(static_cast<char>(0x80 | ((CodePoint >> 6) & 0x3F)));
        Out.push_back(static_cast<char>(0x80 | (CodePoint & 0x3F)));
    } else {
        Out.push_back(static_cast<char>(0xF0 | (CodePoint >> 18)));
        Out.push_back(static_cast<char>(0x80 | ((CodePoint >> 12) & 0x3F)));
        Out.push_back(static_cast<char>(0x80 | ((CodePoint >> 6) & 0x3F)));
        Out.push_back(static_cast<char>(0x80 | (CodePoint & 0x3F)));
    }
}

std::vector<std::uint8_t> Utf8ToUtf16Le(std::string_view Text) {
    std::vector<std::uint8_t> bytes;
    bytes.reserve(Text.size() * 2);
    const auto put = [&bytes](char32_t unit) {
        bytes.push_back(static_cast<std::uint8_t>(unit & 0xFF));
        bytes.push_back(static_cast<std::uint8_t>((unit >> 8) & 0xFF));
    };
    for (char32_t cp : DecodeUtf8(Text)) {
        if (cp >= 0x10000) {
            cp -= 0x10000;
            put(0xD800 + (cp >> 10));
            put(0xDC00 + (cp & 0x3FF));
        } else {
            put(cp);
        }
    }
    return bytes;
}

std::string Utf16LeToUtf8(const std::vector<std::uint8_t>& Bytes, std::size_t Units) {
    const auto unitAt = [&Bytes](std::size_t index) -> char32_t {
        return static_cast<char32_t>(Bytes[2 * index]) | (static_cast<char32_t>(Bytes[2 * index + 1]) << 8);
    };
    std::string result;
    result.reserve(Units);
    for (std::size_t i = 0; i < Units; ++i) {
        const char32_t unit = unitAt(i);
        if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < Units) {
            const char32_t next = unitAt(i + 1);
            if (next >= 0xDC00 && next <= 0xDFFF) {
                AppendUtf8(result, 0x10000 + ((unit - 0xD800) << 10) + (next - 0xDC00));
                ++i;
                continue;
            }
        }
        // A lone surrogate comes out as U+FFFD through AppendUtf8.
        AppendUtf8(result, unit);
    }
    return result;
}
