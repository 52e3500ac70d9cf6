#include "ui/UnitLoader.h"

#include <QGuiApplication>
#include <QScreen>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

namespace {

TEST(ProgressBar, StepsLikeTheSystemBarAndWrapsPastTheMaximum) {
    struct TCase {
        int Min, Max, Step, From;
        int After;
    };
    const TCase cases[] = {
        {0, 4, 1, 0, 1},     {0, 4, 1, 3, 4}, {0, 4, 1, 4, 1}, // past 4 it starts over at 1
        {0, 4, 3, 3, 2},                                       // 6 is 2 past the maximum
        {0, 4, 4, 4, 4},                                       // exactly one span past: back to the maximum
        {0, 4, 9, 0, 1},                                       // more than a whole span over
        {10, 20, 5, 18, 13},                                   // a range that does not start at 0
        {0, 4, -1, 0, 3},                                      // below the minimum it wraps from the top
        {0, 0, 1, 0, 0},                                       // an empty range stays put
    };
    for (const TCase& c : cases) {
        TProgressBar bar;
        bar.setRange(c.Min, c.Max);
        bar.setValue(c.From);
        bar.Step = c.Step;
        bar.StepIt();
        EXPECT_EQ(bar.value(), c.After) << c.Min << ".." << c.Max << " step " << c.Step << " from " << c.From;
    }
}

TEST(FormLoader, IsAFixedAlwaysOnTopToolWindowWithAFourStepBar) {
    TFormLoader loader;
    EXPECT_EQ(loader.windowTitle(), "Загружается...");
    EXPECT_TRUE(loader.windowFlags() & Qt::Tool);
    EXPECT_TRUE(loader.windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_FALSE(loader.windowFlags() & Qt::WindowMinimizeButtonHint);
    EXPECT_FALSE(loader.windowFlags() & Qt::WindowMaximizeButtonHint);
    EXPECT_TRUE(loader.windowFlags() & Qt::WindowCloseButtonHint);
    // The bar's row at its place, the count and "Отмена" in a row under it.
    EXPECT_EQ(loader.minimumSize(), loader.maximumSize());
    EXPECT_EQ(loader.width(), 313);
    EXPECT_EQ(loader.height(), loader.ButtonCancel->geometry().bottom() + 1 + 8);
    EXPECT_EQ(loader.ButtonCancel->geometry().right(), loader.ProgressBar->geometry().right());
    EXPECT_EQ(loader.windowModality(), Qt::NonModal);
    EXPECT_FALSE(loader.isVisible());
    EXPECT_EQ(loader.ProgressBar->geometry(), QRect(8, 8, 297, 16));
    EXPECT_EQ(loader.ProgressBar->minimum(), 0);
    EXPECT_EQ(loader.ProgressBar->maximum(), 4);
    EXPECT_EQ(loader.ProgressBar->value(), 0);
    EXPECT_TRUE(loader.Timer->isActive());
    EXPECT_EQ(loader.Timer->interval(), 1000);
}

TEST(FormLoader, TimerHidesTheWindowOnlyWhenTheBarIsFull) {
    TFormLoader loader;
    loader.Reset();
    loader.show();
    for (int step = 0; step < 3; ++step) {
        loader.StepIt();
        loader.TimerTimer();
        EXPECT_TRUE(loader.isVisible()) << "hidden after " << step + 1 << " steps";
    }
    loader.StepIt();
    loader.TimerTimer();
    EXPECT_FALSE(loader.isVisible());

    // A fifth step wraps the bar; an open loader then stays open until the next refresh resets it.
    loader.show();
    loader.StepIt();
    EXPECT_EQ(loader.ProgressBar->value(), 1);
    loader.TimerTimer();
    EXPECT_TRUE(loader.isVisible());

    // Closed by hand: hidden, not destroyed; the next refresh shows it again from 0.
    loader.close();
    EXPECT_FALSE(loader.isVisible());
    loader.Reset();
    loader.show();
    EXPECT_EQ(loader.ProgressBar->value(), 0);
    EXPECT_TRUE(loader.isVisible());
}

TEST(FormLoader, CountsFailedFeedsApartInWordsAndGivesUpOnCancelOrEsc) {
    TFormLoader loader;
    QSignalSpy cancelled(&loader, &TFormLoader::CancelRequested);
    loader.show();
    loader.StepIt();
    loader.StepFailed();
    loader.StepFailed();
    EXPECT_EQ(loader.ProgressBar->value(), 3);
    EXPECT_EQ(loader.ProgressBar->Failed(), 2);
    EXPECT_EQ(loader.ProgressBar->accessibleDescription(), "2 из 4 не получены");
    loader.Reset();
    EXPECT_EQ(loader.LabelProgress->text(), "Получено 0 из 4");
    QTest::mouseClick(loader.ButtonCancel, Qt::LeftButton);
    EXPECT_FALSE(loader.isVisible());
    loader.show();
    QTest::keyClick(&loader, Qt::Key_Escape);
    EXPECT_EQ(cancelled.count(), 2);
    EXPECT_FALSE(loader.isVisible());
}

TEST(FormLoader, TheRealTimerClosesAFullLoaderWithinAboutASecond) {
    TFormLoader loader;
    loader.show();
    for (int step = 0; step < 4; ++step) {
        loader.StepIt();
    }
    QTRY_VERIFY_WITH_TIMEOUT(!loader.isVisible(), 2500);
    EXPECT_FALSE(loader.isVisible());
}

TEST(FormLoader, CentresOverTheMainWindowTheFirstTimeOnlyAndStaysOnTheDesktop) {
    QWidget main;
    main.setGeometry(300, 200, 600, 400);
    TFormLoader loader(&main);
    loader.show();
    const QRect first = loader.frameGeometry();
    EXPECT_NEAR(first.center().x(), main.frameGeometry().center().x(), 1);
    EXPECT_NEAR(first.center().y(), main.frameGeometry().center().y(), 1);

    // Later shows keep the last place, even after the main window moved.
    loader.hide();
    main.move(20, 20);
    loader.show();
    EXPECT_EQ(loader.frameGeometry().topLeft(), first.topLeft());

    // A main window partly off the desktop: the loader is kept at the desktop's top-left corner.
    QWidget offDesktop;
    offDesktop.setGeometry(-500, -400, 300, 200);
    TFormLoader clamped(&offDesktop);
    clamped.show();
    const QPoint origin = QGuiApplication::primaryScreen()->virtualGeometry().topLeft();
    EXPECT_EQ(clamped.frameGeometry().topLeft(), origin);
}

} // namespace
