#include "text/Utf8.h"

#include <cstdint>
#include <cstring>

namespace {

// True when the 16 bytes at P are all ASCII; lets long runs of feed text skip the per-byte checks.
bool SixteenAscii(const char* P) {
    std::uint64_t words[2] = {};
    std::memcpy(words, P, sizeof words);
    return ((words[0] | words[1]) & 0x8080808080808080ULL) == 0;
}

// Length of the longest prefix of Bytes that is well-formed UTF-8: where the first malformed sequence starts.
std::size_t ValidUtf8Prefix(std::string_view Bytes) {
    std::size_t pos = 0;
    const std::size_t size = Bytes.size();
    while (pos < size) {
        if (pos + 16 <= size && SixteenAscii(Bytes.data() + pos)) {
            pos += 16;
            continue;
        }
        std::size_t subpart = 0;
        const std::size_t length = Utf8Codec::SequenceAt(Bytes, pos, subpart);
        if (length == 0) {
            return pos;
        }
        pos += length;
    }
    return size;
}

} // namespace

void TUtf8Check::Extend(std::string_view Bytes) {
    if (FMalformed) {
        return;
    }
    FChecked += ValidUtf8Prefix(Bytes.substr(FChecked));
    // A sequence has at most four bytes: a stop further from the end is a malformed one, not one cut short.
    FMalformed = Bytes.size() - FChecked >= 4;
}

bool IsValidUtf8(std::string_view Bytes) {
    return ValidUtf8Prefix(Bytes) == Bytes.size();
}

std::string DecodeUtf8Lenient(std::string_view Bytes) {
    std::size_t valid = ValidUtf8Prefix(Bytes);
    std::string out;
    if (valid == Bytes.size()) {
        out.assign(Bytes);
        return out;
    }
    // Most of the room is what the bytes take if few are malformed.
    out.reserve(Bytes.size() + Bytes.size() / 4);
    // Runs of well-formed text are copied whole; each malformed subpart between them becomes U+FFFD.
    for (;;) {
        out.append(Bytes.substr(0, valid));
        Bytes.remove_prefix(valid);
        if (Bytes.empty()) {
            return out;
        }
        std::size_t subpart = 0;
        Utf8Codec::SequenceAt(Bytes, 0, subpart);
        AppendUtf8(out, Utf8Codec::kReplacement);
        Bytes.remove_prefix(subpart);
        valid = ValidUtf8Prefix(Bytes);
    }
}

std::u32string DecodeUtf8(std::string_view Bytes) {
    std::u32string out;
    out.reserve(Bytes.size());
    Utf8Codec::ForEachCodePoint(Bytes, [&out](char32_t cp) { out.push_back(cp); });
    return out;
}
