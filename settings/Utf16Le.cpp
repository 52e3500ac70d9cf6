#include "settings/Utf16Le.h"

#include "text/Utf8.h"

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
