#include "ui/RtfCodePage.h"

#include "engine/Utf8Codec.h"

#include <array>
#include <iconv.h>
#include <map>
#include <memory>
#include <mutex>

namespace {

using TTable = std::array<char32_t, 256>;

constexpr char32_t kReplacement = 0xFFFD;

// Builds the byte -> Unicode table of a code page with iconv; null when iconv does not know the page.
std::unique_ptr<TTable> BuildTable(int codePage) {
    const std::string name = "CP" + std::to_string(codePage);
    iconv_t cd = iconv_open("UTF-32LE", name.c_str());
    if (cd == reinterpret_cast<iconv_t>(-1))
        return nullptr;
    auto table = std::make_unique<TTable>();
    for (int b = 0; b < 256; ++b) {
        char in = static_cast<char>(b);
        unsigned char out[8] = {};
        char* inPtr = &in;
        char* outPtr = reinterpret_cast<char*>(out);
        std::size_t inLeft = 1;
        std::size_t outLeft = sizeof out;
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
        if (b < 0x80)
            (*table)[b] = static_cast<char32_t>(b);
        else if (iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft) == static_cast<std::size_t>(-1) ||
                 outLeft != 4)
            (*table)[b] = kReplacement;
        else
            (*table)[b] = char32_t(out[0]) | (char32_t(out[1]) << 8) | (char32_t(out[2]) << 16) |
                          (char32_t(out[3]) << 24);
    }
    iconv_close(cd);
    return table;
}

const TTable* FindOrBuild(int codePage) {
    static std::mutex mutex;
    static std::map<int, std::unique_ptr<TTable>> tables; // null entries remember unknown pages
    std::lock_guard lock(mutex);
    auto it = tables.find(codePage);
    if (it == tables.end())
        it = tables.emplace(codePage, BuildTable(codePage)).first;
    return it->second.get();
}

const TTable& TableOf(int codePage) {
    if (const TTable* table = FindOrBuild(codePage))
        return *table;
    if (const TTable* table = FindOrBuild(1252))
        return *table;
    // Even 1252 missing from iconv: Latin-1 is its closest stand-in.
    static const TTable latin1 = [] {
        TTable t{};
        for (int b = 0; b < 256; ++b)
            t[b] = static_cast<char32_t>(b);
        return t;
    }();
    return latin1;
}

} // namespace

std::string CodePageByteToUtf8(int CodePage, unsigned char Byte) {
    std::string out;
    RtfAppendUtf8(out, Byte < 0x80 ? char32_t(Byte) : TableOf(CodePage)[Byte]);
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

void RtfAppendUtf8(std::string& Out, char32_t Cp) {
    if ((Cp >= 0xD800 && Cp <= 0xDFFF) || Cp > 0x10FFFF)
        Cp = kReplacement;
    Utf8Codec::Append(Out, Cp);
}
