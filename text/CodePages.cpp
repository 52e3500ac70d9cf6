#include "text/CodePages.h"
#include "text/Utf8.h"

#include <array>
#include <iconv.h>
#include <map>
#include <memory>
#include <mutex>
#include <string>

namespace {

using TTable = std::array<char32_t, 256>;

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
            (*table)[b] = Utf8Codec::kReplacement;
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

} // namespace

std::optional<char32_t> CodePageCharacter(int CodePage, unsigned char Byte) {
    if (const TTable* table = FindOrBuild(CodePage))
        return (*table)[Byte];
    return std::nullopt;
}
