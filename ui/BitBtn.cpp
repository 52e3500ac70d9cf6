#include "ui/BitBtn.h"

#include <QStyleOptionButton>
#include <QStylePainter>

#include <algorithm>

TBitBtn::TBitBtn(const QIcon& Icon, const QString& Caption, QWidget* Parent)
    : QPushButton(Icon, Caption, Parent) {}

QRect TBitBtn::ImageRect() const {
    const QSize size = iconSize();
    return {kMargin, (height() - size.height()) / 2, size.width(), size.height()};
}

QRect TBitBtn::CaptionRect() const {
    const int left = ImageRect().right() + 1 + kSpacing;
    return {left, 0, std::max(0, width() - left - kMargin), height()};
}

void TBitBtn::paintEvent(QPaintEvent*) {
    QStylePainter painter(this);
    QStyleOptionButton option;
    initStyleOption(&option);
    painter.drawControl(QStyle::CE_PushButtonBevel, option);
    // A pressed button's contents move with it, as the style moves a centred label.
    const bool sunken = option.state & (QStyle::State_Sunken | QStyle::State_On);
    const QPoint shift = sunken
                             ? QPoint(style()->pixelMetric(QStyle::PM_ButtonShiftHorizontal, &option, this),
                                      style()->pixelMetric(QStyle::PM_ButtonShiftVertical, &option, this))
                             : QPoint();
    const QIcon::Mode mode = isEnabled() ? QIcon::Normal : QIcon::Disabled;
    const QRect image = ImageRect().translated(shift);
    icon().paint(&painter, image, Qt::AlignCenter, mode);
    painter.drawItemText(CaptionRect().translated(shift),
                         Qt::AlignLeft | Qt::AlignVCenter | Qt::TextShowMnemonic, palette(), isEnabled(),
                         text(), QPalette::ButtonText);
    if (hasFocus()) {
        QStyleOptionFocusRect focus;
        focus.initFrom(this);
        focus.rect = style()->subElementRect(QStyle::SE_PushButtonFocusRect, &option, this);
        painter.drawPrimitive(QStyle::PE_FrameFocusRect, focus);
    }
}
