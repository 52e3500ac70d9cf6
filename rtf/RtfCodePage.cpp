#include "rtf/RtfCodePage.h"

#include "text/CodePages.h"
#include "text/Utf8.h"

std::string CodePageByteToUtf8(int CodePage, unsigned char Byte) {
    std::string out;
    if (Byte < 0x80) {
        out += static_cast<char>(Byte);
        return out;
    }
    // A page the system cannot convert is read as 1252, and should even that be missing, as Latin-1, its
    // closest stand-in.
    std::optional<char32_t> character = CodePageCharacter(CodePage, Byte);
    if (!character)
        character = CodePageCharacter(1252, Byte);
    AppendUtf8(out, character.value_or(Byte));
    return out;
}

int CodePageOfCharset(int Charset) {
    switch (Charset) {
    case 0:
        return 1252; // ANSI
    case 77:
        return 10000; // Mac Roman
    case 128:
        return 932;
    case 129:
        return 949;
    case 134:
        return 936;
    case 136:
        return 950;
    case 161:
        return 1253;
    case 162:
        return 1254;
    case 163:
        return 1258;
    case 177:
        return 1255;
    case 178:
        return 1256;
    case 186:
        return 1257;
    case 204:
        return 1251;
    case 222:
        return 874;
    case 238:
        return 1250;
    case 254:
        return 437;
    default:
        return 0; // 1 (default), 2 (symbol) and unknown charsets: the document's page
    }
}
