#pragma once
// Text helpers of kovrin-cli's outputs: CSV and JSON quoting, tab-separated escapes, and terminal display
// width.

#include <cstddef>
#include <string>
#include <string_view>

// One CSV field: quoted (inner quotes doubled) when it holds a comma, a quote, CR or LF; else unchanged.
std::string CsvField(std::string_view Text);

// A JSON string literal of UTF-8 Text: quotes, backslash and control characters escaped.
std::string JsonString(std::string_view Text);

// True when Text is a JSON number ("-"? digits, optional fraction, optional exponent).
bool IsJsonNumber(std::string_view Text);

// One tab-separated field: tab, CR, LF and backslash written as \t, \r, \n and \\.
std::string TsvField(std::string_view Text);

// Columns a terminal gives UTF-8 Text: combining marks and zero-width characters 0, East Asian wide
// characters 2, the rest 1 (each maximal malformed subpart, shown as one U+FFFD, counts 1).
std::size_t DisplayWidth(std::string_view Text);

// Text with every control character (below U+0020, and DEL) replaced by a space, for one-line cells.
std::string OneLine(std::string_view Text);
