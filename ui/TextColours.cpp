#include "ui/TextColours.h"

#include <cstdlib>

namespace {

// Colour drawn with its alpha over Background, as the eye sees it.
QColor Over(const QColor& Colour, const QColor& Background) {
    const float alpha = Colour.alphaF();
    return QColor::fromRgbF(Colour.redF() * alpha + Background.redF() * (1 - alpha),
                            Colour.greenF() * alpha + Background.greenF() * (1 - alpha),
                            Colour.blueF() * alpha + Background.blueF() * (1 - alpha));
}

} // namespace

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

QColor PlaceholderColour(const QPalette& Palette) {
    const QColor base = Palette.color(QPalette::Base);
    const QColor text = Over(Palette.color(QPalette::Text), base);
    const QColor own = Palette.color(QPalette::PlaceholderText);
    const int textContrast = std::abs(text.lightness() - base.lightness());
    if (3 * std::abs(Over(own, base).lightness() - base.lightness()) >= textContrast) {
        return own;
    }
    constexpr float kTextShare = 0.6F;
    return QColor::fromRgbF(text.redF() * kTextShare + base.redF() * (1 - kTextShare),
                            text.greenF() * kTextShare + base.greenF() * (1 - kTextShare),
                            text.blueF() * kTextShare + base.blueF() * (1 - kTextShare));
}
