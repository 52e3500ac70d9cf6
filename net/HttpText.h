#pragma once
// Small byte-wise text helpers of the HTTP code (ASCII only: header text is bytes, never decoded here).

#include <string>
#include <string_view>

// ASCII upper-case copy.
std::string UpperAscii(std::string_view Text);
// True when Text begins with Prefix, ASCII letters compared without case.
bool StartsWithNoCase(std::string_view Text, std::string_view Prefix);
// True when both are equal, ASCII letters compared without case.
bool EqualsNoCase(std::string_view A, std::string_view B);
// Text without leading and trailing spaces and control characters (bytes up to 0x20).
std::string_view Trim(std::string_view Text);
