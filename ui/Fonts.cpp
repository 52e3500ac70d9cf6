#include "ui/Fonts.h"

#include <QFontDatabase>

QFont DesignFont(const QString& Family, int PointSize, QFont::StyleHint Hint) {
    QFont font;
    if (QFontDatabase::hasFamily(Family)) {
        font = QFont(Family);
    } else {
        // Qt's own substitution may pick a serif face for an unknown family; the system font is a known
        // quantity.
        font = QFontDatabase::systemFont(Hint == QFont::Monospace ? QFontDatabase::FixedFont
                                                                  : QFontDatabase::GeneralFont);
    }
    font.setStyleHint(Hint);
    font.setPointSize(PointSize);
    return font;
}
