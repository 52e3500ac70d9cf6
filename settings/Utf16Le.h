#pragma once
// UTF-16LE conversions for the settings units' binary values.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// Text (UTF-8, decoded leniently) as UTF-16 code units, little-endian, without a terminator.
std::vector<std::uint8_t> Utf8ToUtf16Le(std::string_view Text);

// The first Units code units of Bytes (UTF-16LE) as UTF-8; an unpaired surrogate becomes U+FFFD.
// Units must not exceed Bytes.size() / 2.
std::string Utf16LeToUtf8(const std::vector<std::uint8_t>& Bytes, std::size_t Units);
