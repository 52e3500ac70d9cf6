#pragma once
// Byte-wise ASCII helpers: case folding and comparison of ASCII letters only (every other byte, UTF-8 ones
// included, stands for itself), and trimming of blanks and control characters.

#include <string>
#include <string_view>

// C as a capital / small letter when it is an ASCII letter; any other byte unchanged.
constexpr char AsciiUpper(char C) {
    return C >= 'a' && C <= 'z' ? static_cast<char>(C - 'a' + 'A') : C;
}
constexpr char AsciiLower(char C) {
    return C >= 'A' && C <= 'Z' ? static_cast<char>(C - 'A' + 'a') : C;
}

// True for the ASCII digits 0-9 only.
constexpr bool IsAsciiDigit(char C) {
    return C >= '0' && C <= '9';
}

// ASCII upper-case / lower-case copy.
std::string UpperAscii(std::string_view Text);
std::string LowerAscii(std::string_view Text);
// True when both are equal, ASCII letters compared without case.
bool EqualsNoCase(std::string_view A, std::string_view B);
// True when Text begins with Prefix, ASCII letters compared without case.
bool StartsWithNoCase(std::string_view Text, std::string_view Prefix);
// Text without leading and trailing blanks and control characters (bytes up to 0x20). Every character up to
// U+0020 is a single byte in UTF-8, so on UTF-8 text this trims characters.
std::string_view Trim(std::string_view Text);
