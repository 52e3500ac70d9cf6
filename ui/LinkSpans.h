#pragma once
// The links of a QString, in its own (UTF-16) positions, with the text shown and the target to open.

#include "engine/LinkFinder.h"

#include <QString>
#include <vector>

// One link of a text: where it stands, what it shows and what opens it.
struct TLinkSpan {
    int Start = 0;  // UTF-16 index
    int Length = 0; // UTF-16 code units
    TLinkKind Kind = TLinkKind::Web;
    QString Text;   // as shown
    QString Target; // "mailto:" / "http://" added where the kind needs it
};

// Gives the links FindLinks sees in Text, mapped to UTF-16 positions. Never throws (but std::bad_alloc).
std::vector<TLinkSpan> FindLinkSpans(const QString& Text);
