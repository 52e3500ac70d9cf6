#pragma once
// Turns what the RTF reader produced into a QTextDocument, and marks the links found in a document's text.

#include "rtf/RtfReader.h"

#include <QColor>
#include <QPalette>

class QTextDocument;

// The colour links are drawn in.
inline const QColor kLinkColor(0, 0, 255);

// Replaces Document's content with Rtf: paragraphs with their alignment, spacing and indents, runs with their
// attributes; runs of a HYPERLINK field become anchors (blue, underlined) whose href is the field's target,
// unless the target is longer than kMaxLinkBytes. On a dark Palette the file's own text colours (chosen for a
// light page) give way to the palette's text colour, and links take the palette's link colour. Never throws
// (but std::bad_alloc).
void BuildRtfDocument(const TRtfDocument& Rtf, QTextDocument& Document, const QPalette& Palette = QPalette());

// Makes every link FindLinks sees in Document's text an anchor (blue, underlined; on a dark Palette its link
// colour) whose href is its target, leaving text that already is an anchor as it is. Never throws (but
// std::bad_alloc).
void MarkDetectedLinks(QTextDocument& Document, const QPalette& Palette = QPalette());
