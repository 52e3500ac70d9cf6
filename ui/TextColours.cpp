#include "ui/TextColours.h"

bool IsDarkPalette(const QPalette& Palette) {
    // Text lighter than its background is the mark of a dark theme, whatever the hues.
    return Palette.color(QPalette::Text).lightness() > Palette.color(QPalette::Base).lightness();
}

QColor LinkColour(const QPalette& Palette, const QColor& LightColour, bool Visited) {
    if (!IsDarkPalette(Palette)) {
        return LightColour;
    }
    return Palette.color(Visited ? QPalette::LinkVisited : QPalette::Link);
}
