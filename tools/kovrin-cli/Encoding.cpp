#include "tools/kovrin-cli/Encoding.h"

#include "text/Utf8.h"

std::string Base64(std::string_view Bytes) {
    static constexpr char kDigits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string text;
    text.reserve((Bytes.size() + 2) / 3 * 4);
    std::size_t i = 0;
    for (; i + 2 < Bytes.size(); i += 3) {
        const unsigned group = static_cast<unsigned char>(Bytes[i]) << 16 |
                               static_cast<unsigned char>(Bytes[i + 1]) << 8 |
                               static_cast<unsigned char>(Bytes[i + 2]);
        text += kDigits[group >> 18 & 63];
        text += kDigits[group >> 12 & 63];
        text += kDigits[group >> 6 & 63];
        text += kDigits[group & 63];
    }
    const std::size_t rest = Bytes.size() - i;
    if (rest > 0) {
        unsigned group = static_cast<unsigned char>(Bytes[i]) << 16;
        if (rest == 2)
            group |= static_cast<unsigned char>(Bytes[i + 1]) << 8;
        text += kDigits[group >> 18 & 63];
        text += kDigits[group >> 12 & 63];
        text += rest == 2 ? kDigits[group >> 6 & 63] : '=';
        text += '=';
    }
    return text;
}

std::string JsonBytesString(std::string_view Bytes) {
    static constexpr char kHex[] = "0123456789abcdef";
    std::string text = "\"";
    for (const char c : Bytes) {
        const auto byte = static_cast<unsigned char>(c);
        switch (c) {
        case '"':
            text += "\\\"";
            break;
        case '\\':
            text += "\\\\";
            break;
        case '\n':
            text += "\\n";
            break;
        case '\r':
            text += "\\r";
            break;
        case '\t':
            text += "\\t";
            break;
        default:
            if (byte < 0x20) {
                text += "\\u00";
                text += kHex[byte >> 4];
                text += kHex[byte & 15];
            } else if (byte < 0x80) {
                text += c;
            } else {
                AppendUtf8(text, byte); // U+0080..U+00FF
            }
        }
    }
    return text + "\"";
}
