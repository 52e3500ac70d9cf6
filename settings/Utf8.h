#pragma once
// UTF-8 and UTF-16LE conversions for the settings units, done with the standard library alone.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// The code points of Text; each malformed or truncated sequence becomes one U+FFFD. Never throws.
std::u32string DecodeUtf8(std::string_view Text);

// Appends the UTF-8 form of CodePoint to Out (a surrogate or a value above U+10FFFF as U+FFFD). Never throws.
void AppendUtf8(std::string& Out, char32_t CodePoint);

// Text (UTF-8, decoded leniently) as UTF-16 code units, little-endian, without a terminator.
std::vector<std::uint8_t> Utf8ToUtf16Le(std::string_view Text);

// The first Units code units of Bytes (UTF-16LE) as UTF-8; an unpaired surrogate becomes U+FFFD.
// Units must not exceed Bytes.size() / 2.
std::string Utf16LeToUtf8(const std::vector<std::uint8_t>& Bytes, std::size_t Units);
