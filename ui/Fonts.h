#pragma once
// The design fonts of the windows, with a fallback to the system's families where the font is not installed.

#include <QFont>
#include <QString>

// Family at PointSize when installed; otherwise the system's general (Hint SansSerif) or fixed-pitch
// (Hint Monospace) family at the same size. Never throws.
QFont DesignFont(const QString& Family, int PointSize, QFont::StyleHint Hint);
