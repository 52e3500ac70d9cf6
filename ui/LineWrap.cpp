#include "ui/LineWrap.h"

#include <QTextBoundaryFinder>
#include <algorithm>

qsizetype LongestUnbreakableStretch(const QString& Text) {
    QTextBoundaryFinder breaks(QTextBoundaryFinder::Line, Text);
    qsizetype longest = 0;
    qsizetype last = 0;
    for (qsizetype at = breaks.toNextBoundary(); at >= 0; at = breaks.toNextBoundary()) {
        longest = std::max(longest, at - last);
        last = at;
    }
    return longest;
}

QTextOption::WrapMode WrapModeFor(const QString& Text) {
    return LongestUnbreakableStretch(Text) > kLongestWordWrapStretch
               ? QTextOption::WrapAnywhere
               : QTextOption::WrapAtWordBoundaryOrAnywhere;
}
