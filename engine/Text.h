#pragma once
// Text and number conversions shared by the engine: the ANSI code page (Windows-1251) and locale-free
// numbers ("." as the decimal separator everywhere).

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// UTF-8 -> Windows-1251 bytes; a character the code page lacks becomes "?".
std::string Utf8ToAnsi(std::string_view Utf8);
// The first MaxBytes bytes of Utf8ToAnsi(Utf8), reading only the characters they need (one byte per
// character, a malformed sequence included). Never throws (but std::bad_alloc).
std::string Utf8ToAnsiPrefix(std::string_view Utf8, std::size_t MaxBytes);
// Windows-1251 bytes -> UTF-8.
std::string AnsiToUtf8(std::string_view Ansi);
// UTF-8 text as it comes back from a trip through the ANSI code page.
std::string AnsiRoundTrip(std::string_view Utf8);
// Case-insensitive equality of two UTF-8 texts whose characters are all in the ANSI code page
// (Latin and Cyrillic letters fold; other characters compare exactly).
bool AnsiSameText(std::string_view A, std::string_view B);
// The text with Latin and Cyrillic capitals (those of the ANSI code page, Ё included) made small; the folding
// AnsiSameText compares by. Invalid UTF-8 is decoded leniently first. Never throws.
std::string AnsiLowerCase(std::string_view Utf8);

// Reads a decimal floating-point number, "." as separator, the whole text (an optional sign, digits with at
// most one ".", an optional exponent). nullopt when it does not read as a number.
std::optional<long double> ParseDecimal(std::string_view Text);
// Reads a 32-bit signed decimal integer, the whole text; nullopt when it is not one or out of range.
std::optional<std::int32_t> ParseInt32(std::string_view Text);

// General number format: shortest text with at most 15 significant digits, "." separator, no thousands
// separator, no trailing zeros ("3050", "0.3333"); scientific ("1E-5", "1.5E20") when the decimal exponent is
// -5 or less or 15 or more. Never throws.
std::string FormatGeneral(double Value);
// The same, except that a number of 1E-15 or more written in 15 digits is written out in decimals, never
// with an exponent: amounts of a coin worth millions ("0.0000254") read as amounts. Never throws.
std::string DecimalText(double Value);
