#pragma once
// What the fuzz targets share: a check that aborts with a message (so the fuzzer keeps the input), and a
// UTF-8 validity test written without the code under test.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string_view>

// Prints Message with the place and aborts when Condition is false. Never returns on failure.
#define FUZZ_CHECK(Condition, Message)                                                                       \
    do {                                                                                                     \
        if (!(Condition)) {                                                                                  \
            std::fprintf(stderr, "%s:%d: check failed: %s: %s\n", __FILE__, __LINE__, #Condition, Message);  \
            std::abort();                                                                                    \
        }                                                                                                    \
    } while (false)

// True when Bytes is well-formed UTF-8 (shortest forms, no surrogates, at most U+10FFFF).
inline bool FuzzIsUtf8(std::string_view Bytes) {
    std::size_t i = 0;
    while (i < Bytes.size()) {
        const auto lead = static_cast<unsigned char>(Bytes[i]);
        std::size_t length = 0;
        char32_t cp = 0;
        if (lead < 0x80) {
            ++i;
            continue;
        } else if (lead >= 0xC2 && lead <= 0xDF) {
            length = 2, cp = lead & 0x1F;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            length = 3, cp = lead & 0x0F;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            length = 4, cp = lead & 0x07;
        } else {
            return false;
        }
        if (i + length > Bytes.size())
            return false;
        for (std::size_t k = 1; k < length; ++k) {
            const auto next = static_cast<unsigned char>(Bytes[i + k]);
            if ((next & 0xC0) != 0x80)
                return false;
            cp = (cp << 6) | (next & 0x3F);
        }
        if ((length == 3 && cp < 0x800) || (length == 4 && (cp < 0x10000 || cp > 0x10FFFF)) ||
            (cp >= 0xD800 && cp <= 0xDFFF))
            return false;
        i += length;
    }
    return true;
}
