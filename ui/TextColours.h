#pragma once
// Colours of text the window does not fix itself come from the palette, so a dark desktop theme keeps every
// text readable; the named link colours (blue, purple) hold on light palettes, where they were chosen.

#include <QColor>
#include <QPalette>

// True when Palette paints text areas dark (a dark desktop theme). Never throws.
bool IsDarkPalette(const QPalette& Palette);

// LightColour on a light Palette; on a dark one the palette's own link colour (Visited: its visited-link
// colour), which the theme made readable there. Never throws.
QColor LinkColour(const QPalette& Palette, const QColor& LightColour, bool Visited = false);

// The colour of a field's placeholder ("Отдаю") on Palette: the palette's own PlaceholderText while it stands
// out from Base at least a third as much as Text does; otherwise (a dark theme that set Text and Base but
// kept a light palette's grey placeholder, which all but vanishes on the dark field) Text blended towards
// Base, readable and still fainter than what is typed. Never throws.
QColor PlaceholderColour(const QPalette& Palette);
