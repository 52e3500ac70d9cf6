// Text drawn twice as large as designed, pixels not scaled along: only the CTest entry UnitMain.LargeText
// makes that so (QT_FONT_DPI=192, high-DPI scaling off); elsewhere this skips.
#include "ui/BitBtn.h"
#include "ui/UnitLoader.h"
#include "ui/UnitMain.h"

#include "tests/ui/MainWindowFixture.h"
#include "ui/OfferGrid.h"

#include <QScreen>
#include <QTest>

namespace {

TEST_F(TMainWindowTest, LargeTextASizeSavedWithSmallerTextComesBackLargeEnoughAndCaptionsFit) {
    if (QGuiApplication::primaryScreen()->logicalDotsPerInchY() < 192) {
        GTEST_SKIP() << "needs QT_FONT_DPI=192 and QT_ENABLE_HIGHDPI_SCALING=0";
    }
    ConfigWrite(ConfigDoc, "Window/W", TFormMain::kMinOuterWidth); // as saved at 96 dpi
    ConfigWrite(ConfigDoc, "Window/H", TFormMain::kMinOuterHeight);
    TFormMain main;
    main.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&main));
    const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
    EXPECT_EQ(main.frameGeometry().size(), QSize(std::min(1136, area.width()), std::min(694, area.height())));
    const QFontMetrics text = main.fontMetrics();
    for (QPushButton* button : {main.BitBtnExchange, main.BitBtnRefresh}) {
        EXPECT_GE(static_cast<TBitBtn*>(button)->CaptionRect().width(),
                  text.horizontalAdvance(button->text()));
    }
    EXPECT_GE(main.ComboBoxDst->height(), text.height() + 4);
    EXPECT_GT(main.DBGridRates->columnWidth(3), text.horizontalAdvance("Получаете"));
    EXPECT_GE(main.LabelHide->width(), text.horizontalAdvance(main.LabelHide->text()));
    main.ListBoxHide->addItem(QStringLiteral("Яндекс.Деньги RUB"));
    EXPECT_GE(main.ListBoxHide->visualItemRect(main.ListBoxHide->item(0)).height(), text.height());
    EXPECT_GE(main.StatusBar->height(), text.height());
    TFormLoader loader(&main);
    EXPECT_GE(loader.LabelProgress->width(), loader.fontMetrics().horizontalAdvance("2 из 4 не получены"));
}

} // namespace
