// The window on the keyboard alone: the Tab walk, Enter on an offer, Space on the swap button, F5 and Ctrl+Q,
// and the hints at a refused keystroke and at the resting Refresh button.
#include "tests/ui/RatesTabFixture.h"
#include "ui/HistoryPart.h"
#include "ui/LivePanel.h"
#include "ui/OfferGrid.h"
#include "ui/RefreshController.h"

#include <QApplication>
#include <QHeaderView>
#include <QImage>
#include <QLabel>
#include <QSignalSpy>
#include <QTabBar>
#include <QTest>
#include <QToolTip>

namespace {

class Keyboard : public TRatesTabTest {
  protected:
    TFormMain& OpenOnRates() {
        TFormMain& main = OpenWithPair();
        main.SetActiveTab(TFormMain::tabRates);
        main.show();
        QApplication::setActiveWindow(&main);
        EXPECT_TRUE(QTest::qWaitForWindowActive(&main));
        return main;
    }

    static std::string FocusName() {
        QWidget* focus = QApplication::focusWidget();
        return focus ? focus->objectName().toStdString() + "/" + focus->metaObject()->className() : "none";
    }
};

TEST_F(Keyboard, OneWalkFromTheFirstFieldReachesEveryControlAndLeavesTheGrid) {
    TFormMain& main = OpenOnRates();
    ASSERT_GT(main.DBGridRates->Model().rowCount(), 1);
    main.ButtonedEditSrc->setFocus();
    const QList<QWidget*> forward = {
        main.ComboBoxSrc,        main.SpeedButtonSwap, main.ButtonedEditDst,
        main.ComboBoxDst,        main.DBGridRates,     main.BitBtnExchange,
        main.History().Toggle(), main.BitBtnRefresh,   main.PageControl->tabBar()};
    for (QWidget* next : forward) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        EXPECT_EQ(QApplication::focusWidget(), next)
            << "expected " << next->objectName().toStdString() << ", got " << FocusName();
    }
    // And back, leaving the grid in one step that way too.
    main.BitBtnExchange->setFocus();
    for (QWidget* previous :
         {static_cast<QWidget*>(main.DBGridRates), static_cast<QWidget*>(main.ComboBoxDst)}) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab);
        EXPECT_EQ(QApplication::focusWidget(), previous) << "got " << FocusName();
    }
}

TEST_F(Keyboard, EnterOnARowOpensItsPageTheRowShowsAFocusFrameAndSpaceSwaps) {
    TFormMain& main = OpenOnRates();
    main.DBGridRates->setFocus();
    main.DBGridRates->SetCurrentRowNumber(3);
    const std::optional<TOfferRow> offer = main.DBGridRates->CurrentOffer();
    ASSERT_TRUE(offer);
    QTest::keyClick(main.DBGridRates, Qt::Key_Return);
    QTest::keyClick(main.DBGridRates, Qt::Key_Enter, Qt::KeypadModifier);
    const QString page =
        QString::fromStdString(main.ServiceBaseUrl()) + "/click/" + QString::number(offer->EID);
    EXPECT_EQ(Opened, QStringList({page, page}));

    // One frame around the whole current row: every shown column, not one cell.
    const QRect frame = main.DBGridRates->CurrentRowFrame();
    EXPECT_EQ(frame.top(), main.DBGridRates->rowViewportPosition(2));
    // The last grid line belongs to no cell.
    EXPECT_NEAR(frame.width(),
                main.DBGridRates->horizontalHeader()->length() -
                    main.DBGridRates->columnWidth(static_cast<int>(TOfferField::EID)),
                1);
    // Drawn so that it shows on the highlighted row: in the row's text colour.
    const QImage shown = main.DBGridRates->viewport()->grab().toImage();
    int ink = 0;
    for (int x = frame.left(); x < frame.right(); ++x)
        ink += shown.pixelColor(x, frame.top() + 1) ==
               main.DBGridRates->palette().color(QPalette::HighlightedText);
    EXPECT_GT(ink, frame.width() / 4);
    main.SpeedButtonSwap->setFocus();
    EXPECT_TRUE(main.DBGridRates->CurrentRowFrame().isEmpty());

    QTest::keyClick(main.SpeedButtonSwap, Qt::Key_Space);
    EXPECT_EQ(main.ComboBoxSrc->currentText(), "Euro");
    EXPECT_EQ(main.ComboBoxDst->currentText(), "US Dollar");
}

TEST_F(Keyboard, F5RefreshesOnlyWhileTheButtonIsEnabledAndItsHintCountsDown) {
    TFormMain& main = OpenOnRates();
    QSignalSpy clicks(main.BitBtnRefresh, &QPushButton::clicked);
    EXPECT_EQ(main.BitBtnRefresh->toolTip(), "Загрузить свежие курсы (F5)");
    QTest::keyClick(&main, Qt::Key_F5);
    EXPECT_EQ(clicks.count(), 1);
    EXPECT_FALSE(main.BitBtnRefresh->isEnabled());
    EXPECT_EQ(main.BitBtnRefresh->toolTip(), "Обновление будет доступно через 61 с");
    main.TimerTimer();
    EXPECT_EQ(main.BitBtnRefresh->toolTip(), "Обновление будет доступно через 60 с");
    EXPECT_EQ(main.BitBtnRefresh->accessibleDescription(), main.BitBtnRefresh->toolTip());
    QTest::keyClick(&main, Qt::Key_F5);
    EXPECT_EQ(clicks.count(), 1);
    EXPECT_TRUE(main.Refresher().StatusLine().endsWith("Обновление будет доступно через 60 с"))
        << main.Refresher().StatusLine().toStdString();
    main.TimerTimer(); // the next second's status keeps it
    EXPECT_TRUE(main.Refresher().StatusLine().endsWith("Обновление будет доступно через 59 с"))
        << main.Refresher().StatusLine().toStdString();
    while (!main.BitBtnRefresh->isEnabled()) {
        main.TimerTimer();
    }
    EXPECT_EQ(main.BitBtnRefresh->toolTip(), "Загрузить свежие курсы (F5)");
    EXPECT_FALSE(main.Refresher().StatusLine().contains("будет доступно"));
}

TEST_F(Keyboard, CtrlQClosesTheWindowAsItsCloseBoxDoes) {
    TFormMain& main = OpenOnRates();
    QSignalSpy closed(&main, &TFormMain::Closed);
    main.ButtonedEditSrc->setFocus();
    QTest::keyClick(main.ButtonedEditSrc, Qt::Key_Q, Qt::ControlModifier);
    EXPECT_EQ(closed.count(), 1);
    EXPECT_FALSE(main.isVisible());
    EXPECT_EQ(Stored("Defaults/Tab"), "1");
}

TEST_F(Keyboard, AmountsTakeOneSeparatorRefuseWholeKeysHintAndAreStoredWithAPoint) {
    TFormMain& main = OpenOnRates();
    QLineEdit* field = main.ButtonedEditSrc;
    field->setFocus();
    QTest::keyClicks(field, "0,5");
    EXPECT_EQ(field->text(), "0,5"); // shown as typed
    EXPECT_FALSE(QToolTip::isVisible());
    QTest::keyClicks(field, ".");
    EXPECT_EQ(field->text(), "0,5");
    EXPECT_TRUE(QToolTip::isVisible());
    EXPECT_EQ(QToolTip::text(), "Можно вводить только цифры и одну запятую или точку");
    QTest::keyClicks(field, "1");
    EXPECT_EQ(field->text(), "0,51");
    // Gone at the next accepted key (the tip fades out on a short timer of its own).
    EXPECT_TRUE(QTest::qWaitFor([] { return !QToolTip::isVisible(); }, 1000));

    // A paste that does not fit is refused whole, not cut to fit.
    main.ButtonedEditDst->insert("12345,6789012");
    EXPECT_EQ(main.ButtonedEditDst->text(), "");
    EXPECT_EQ(QToolTip::text(), "Не больше 10 цифр");
    main.ButtonedEditDst->insert("12345,67890");
    EXPECT_EQ(main.ButtonedEditDst->text(), "12345,67890");
    QToolTip::hideText();

    QTest::keyClick(field, Qt::Key_Q, Qt::ControlModifier);
    EXPECT_EQ(Stored("Rates/SrcAmount"), "0.51");
    EXPECT_EQ(Stored("Rates/DstAmount"), "12345.67890");
}

TEST_F(Keyboard, OwnPanelsHaveAnAltKeyEachLabelsLeadToFieldsAndARestingButtonLeavesTheFocusNear) {
    TFormMain& main = OpenOnRates();
    QString keys; // each tab's Alt keys, sorted; a label's counts only when it leads to a field
    for (const QWidget* page : {main.TabSheetRates, main.TabSheetSettings}) {
        const qsizetype tabStart = keys.size();
        for (const QWidget* w : page->findChildren<QWidget*>())
            if (const QKeySequence key = QKeySequence::mnemonic(w->property("text").toString());
                !key.isEmpty() && (!qobject_cast<const QLabel*>(w) || static_cast<const QLabel*>(w)->buddy()))
                keys += QChar(key[0].key());
        std::sort(keys.begin() + tabStart, keys.end());
    }
    EXPECT_EQ(keys.toStdString(), "ГПАДЗКМОПСУ");
    main.BitBtnRefresh->setFocus();
    QTest::keyClick(main.BitBtnRefresh, Qt::Key_Space);
    EXPECT_EQ(FocusName(), "DBGridRates/TDBGridRates");
    main.SetActiveTab(TFormMain::tabSettings);
    main.LivePanel().findChild<QComboBox*>("ComboBoxAlertSrc")->setCurrentText("US Dollar");
    main.LivePanel().findChild<QComboBox*>("ComboBoxAlertDst")->setCurrentText("Euro");
    QTest::sendKeyEvent(QTest::Click, main.PageControl->tabBar(), Qt::Key(u'М'), QString(), Qt::AltModifier);
    for (const char* typed : {"0.9", "\t", "\t", " "}) // the level, then past the currency to "Добавить"
        QTest::keyClicks(QApplication::focusWidget(), typed);
    EXPECT_EQ(FocusName(), "ListBoxAlerts/QListWidget");
}

} // namespace
