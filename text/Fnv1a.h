#pragma once
// FNV-1a, 64 bits: a cheap, stable fingerprint of bytes (a check that kept bytes are the ones written, a
// short name for a path); no defence against tampering.

#include <cstdint>
#include <string_view>

inline std::uint64_t Fnv1a64(std::string_view Bytes) {
    std::uint64_t hash = 0xcbf29ce484222325ull;
    for (const char c : Bytes) {
        hash ^= static_cast<unsigned char>(c);
        hash *= 0x100000001b3ull;
    }
    return hash;
}
