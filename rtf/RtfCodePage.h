#pragma once
// Single-byte code pages of RTF documents ("\ansicpgN", font charsets), read through the code-page
// tables of the text layer.

#include <string>

// UTF-8 text of Byte in Windows code page CodePage (1250..1258, 874, 866, 437, ...). A code page the system
// cannot convert is read as 1252; a byte the page does not define (or a lead byte of a double-byte page)
// becomes U+FFFD, except that bytes below 0x80 always stand for themselves. Never throws (but
// std::bad_alloc).
std::string CodePageByteToUtf8(int CodePage, unsigned char Byte);

// The Windows code page of an RTF font charset ("\fcharsetN"), or 0 when the charset names none of its own
// (the document's code page then applies). Never throws.
int CodePageOfCharset(int Charset);
