#pragma once
// A reader for the rich text (RTF) the manual is written in: groups, paragraphs, line breaks and tabs, bold,
// italic, underline, font size, colour, characters in the document's code page or as Unicode, and HYPERLINK
// fields. Everything else (pictures, tables of styles, document information, unknown control words) is passed
// over. It needs no toolkit, so it can be tested and fuzzed alone; ui/RtfDocumentBuilder turns its result
// into a QTextDocument. Its time and memory grow linearly with the input, whatever the input.

#include "rtf/RtfLink.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// A colour of the document's colour table.
struct TRtfColor {
    std::uint8_t Red = 0, Green = 0, Blue = 0;
    bool operator==(const TRtfColor&) const = default;
};

// A stretch of UTF-8 text with one set of character attributes. Text may hold "\t" (tab) and U+2028 (a line
// break inside the paragraph).
struct TRtfRun {
    std::string Text;
    bool Bold = false;
    bool Italic = false;
    bool Underline = false;
    int HalfPoints = 0;             // font size in half-points; 0 when the document gives none
    std::optional<TRtfColor> Color; // none: the viewer's text colour
    TRtfLink Link;                  // target of the HYPERLINK field the run belongs to; empty when none
};

enum class TRtfAlign { Left, Center, Right, Justify };

// One paragraph: its runs and the paragraph attributes in force at its end. Distances are in twips.
struct TRtfParagraph {
    std::vector<TRtfRun> Runs;
    TRtfAlign Align = TRtfAlign::Left;
    int SpaceBefore = 0;
    int SpaceAfter = 0;
    int LeftIndent = 0;
    int FirstIndent = 0;
};

// A whole document as a list of paragraphs.
struct TRtfDocument {
    std::vector<TRtfParagraph> Paragraphs;
};

// The outcome of reading: a document, or the reason it could not be read.
struct TRtfReadResult {
    bool Ok = false;
    std::string Error; // empty when Ok
    TRtfDocument Document;
    explicit operator bool() const { return Ok; }
};

// Groups nested deeper than this make a document unreadable (hostile input must not exhaust memory or time).
inline constexpr int kRtfMaxDepth = 1000;

// Reads RTF bytes. A text that does not start with "{\rtf", whose braces do not balance, or whose groups nest
// deeper than kRtfMaxDepth is an error (Ok false). Never throws (but std::bad_alloc).
TRtfReadResult ReadRtf(std::string_view Bytes);
