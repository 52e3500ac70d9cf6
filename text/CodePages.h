#pragma once
// Single-byte Windows code pages, read through the system's iconv: the one place their tables are built.

#include <optional>

// The Unicode character of Byte in the single-byte Windows code page CodePage (1250..1258, 874, 866, 437,
// ...), as the system's iconv reads it: bytes below 0x80 stand for themselves, a byte the page leaves
// undefined (or a lead byte of a double-byte page) is U+FFFD. nullopt when the system cannot convert CodePage
// at all. Each page's table is built once. Never throws (but std::bad_alloc).
std::optional<char32_t> CodePageCharacter(int CodePage, unsigned char Byte);
