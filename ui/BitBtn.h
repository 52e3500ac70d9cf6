#pragma once
// A push button with an image in the way of the form's image buttons: the 16 x 16 image 5 pixels from the
// left edge and the caption right after it, rather than both centred.

#include <QPushButton>

class TBitBtn final : public QPushButton {
    Q_OBJECT
  public:
    // Distance of the image to the button's left edge, and of the caption to the image.
    static constexpr int kMargin = 5;
    static constexpr int kSpacing = 4;

    TBitBtn(const QIcon& Icon, const QString& Caption, QWidget* Parent);

    // Where the image and the caption are drawn, in the button's coordinates.
    QRect ImageRect() const;
    QRect CaptionRect() const;

  protected:
    void paintEvent(QPaintEvent* Event) override;
};
