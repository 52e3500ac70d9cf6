#pragma once
// Which characters may stand in an XML element name (XML 1.0 Name rules, without ":", which would make a
// namespace prefix).

#include <string_view>

// True when CodePoint may start an element name: a letter or "_" in the XML 1.0 sense. Never throws.
bool IsXmlNameStartChar(char32_t CodePoint);
// True when CodePoint may follow the first character: a start character, a digit, "-", ".", U+00B7 or a
// combining mark of the XML 1.0 ranges. Never throws.
bool IsXmlNameChar(char32_t CodePoint);
// True when Name (UTF-8) is a non-empty element name made of the characters above. Never throws.
bool IsValidElementName(std::string_view Name);
