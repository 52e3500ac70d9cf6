#pragma once
// How the text views wrap lines that have no break point.

#include <QString>
#include <QTextOption>

// Longest stretch of characters without a line-break opportunity that is still wrapped at word boundaries.
// Wrapping at a word boundary or else anywhere, the text layout measures every line of such a stretch up to
// the stretch's end, so its cost grows with the square of the stretch's length: a megabyte without a break
// takes a minute, while wrapping anywhere lays it out in about a second.
inline constexpr qsizetype kLongestWordWrapStretch = 4096;

// Length, in UTF-16 units, of the longest stretch of Text without a line-break opportunity (line ends
// count as breaks). Never throws (but std::bad_alloc).
qsizetype LongestUnbreakableStretch(const QString& Text);

// The wrap mode a view of Text uses: at word boundaries, or anywhere when a longer stretch than
// kLongestWordWrapStretch has no break point (every line of the view then wraps anywhere at the edge).
// Never throws (but std::bad_alloc).
QTextOption::WrapMode WrapModeFor(const QString& Text);
