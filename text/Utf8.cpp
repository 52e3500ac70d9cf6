#include "text/Utf8.h"

#include <cstdint>
#include <cstring>

namespace {

// True when the 8 bytes at P are all ASCII; lets long runs of feed text skip the per-byte checks.
bool EightAscii(const char* P) {
    std::uint64_t word = 0;
    std::memcpy(&word, P, sizeof word);
    return (word & 0x8080808080808080ULL) == 0;
}

} // namespace

bool IsValidUtf8(std::string_view Bytes) {
    std::size_t pos = 0;
    const std::size_t size = Bytes.size();
    while (pos < size) {
        if (pos + 8 <= size && EightAscii(Bytes.data() + pos)) {
            pos += 8;
            continue;
        }
        std::size_t subpart = 0;
        const std::size_t length = Utf8Codec::SequenceAt(Bytes, pos, subpart);
        if (length == 0) {
            return false;
        }
        pos += length;
    }
    return true;
}

std::string DecodeUtf8Lenient(std::string_view Bytes) {
    if (IsValidUtf8(Bytes)) {
        return std::string(Bytes);
    }
    std::string out;
    out.reserve(Bytes.size() + Bytes.size() / 4);
    std::size_t pos = 0;
    while (pos < Bytes.size()) {
        std::size_t subpart = 0;
        const std::size_t length = Utf8Codec::SequenceAt(Bytes, pos, subpart);
        if (length == 0) {
            AppendUtf8(out, Utf8Codec::kReplacement);
            pos += subpart;
        } else {
            out.append(Bytes.substr(pos, length));
            pos += length;
        }
    }
    return out;
}

std::u32string DecodeUtf8(std::string_view Bytes) {
    std::u32string out;
    out.reserve(Bytes.size());
    Utf8Codec::ForEachCodePoint(Bytes, [&out](char32_t cp) { out.push_back(cp); });
    return out;
}
