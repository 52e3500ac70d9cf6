#include "ui/UnitDM.h"

#include "tests/ui/MainWindowFixture.h"
#include "ui/UnitMain.h"

#include <QCoreApplication>

namespace {

TEST(ImageLists, HoldTheNamedSixteenPixelPicturesInOrder) {
    const TImageList tabs = MakeImageListTabs();
    EXPECT_EQ(tabs.Names(), QStringList({"date", "table", "clock_red", "wrench", "help"}));
    const TImageList tray = MakeImageListTray();
    EXPECT_EQ(tray.Names(), QStringList({"16x16"}));
    for (const TImageList* list : {&tabs, &tray}) {
        for (int index = 0; index < list->Count(); ++index) {
            const QIcon icon = list->Icon(index);
            ASSERT_FALSE(icon.isNull()) << list->Names()[index].toStdString();
            EXPECT_EQ(icon.pixmap(16, 16).size(), QSize(16, 16));
        }
    }
    EXPECT_TRUE(tabs.Icon(5).isNull());
    EXPECT_TRUE(tabs.Icon("missing").isNull());
    EXPECT_FALSE(ProgramIcon().isNull());
    EXPECT_EQ(ProgramIcon().availableSizes().size(), 4);
}

using DM = TMainWindowTest;

TEST_F(DM, TrayIconCarriesTheTitleAndAMenuWithExitOnly) {
    TFormMain main;
    TDM dm(&main);
    EXPECT_EQ(dm.TrayIcon->toolTip(), "Kovrin");
    ASSERT_NE(dm.TrayIcon->contextMenu(), nullptr);
    ASSERT_EQ(dm.TrayIcon->contextMenu()->actions().size(), 1);
    EXPECT_EQ(dm.TrayIcon->contextMenu()->actions()[0], dm.Exit1);
    EXPECT_EQ(dm.Exit1->text(), "Выход");
    EXPECT_EQ(dm.TrayIcon->isVisible(), QSystemTrayIcon::isSystemTrayAvailable());
}

TEST_F(DM, AnXEmbedTrayTogglesOnADoubleClickOnlyAndKeepsTheWindowsState) {
    TFormMain main;
    TDM dm(&main, TTrayHost::XEmbed);
    EXPECT_EQ(dm.TrayHost(), TTrayHost::XEmbed);
    main.show();
    main.SetActiveTab(TFormMain::tabRates);
    emit dm.TrayIcon->activated(QSystemTrayIcon::DoubleClick);
    EXPECT_FALSE(main.isVisible());
    // A single click does nothing: it also comes first in every double-click.
    emit dm.TrayIcon->activated(QSystemTrayIcon::Trigger);
    emit dm.TrayIcon->activated(QSystemTrayIcon::MiddleClick);
    emit dm.TrayIcon->activated(QSystemTrayIcon::Context);
    EXPECT_FALSE(main.isVisible());
    emit dm.TrayIcon->activated(QSystemTrayIcon::DoubleClick);
    EXPECT_TRUE(main.isVisible());
    EXPECT_EQ(main.ActiveTab(), TFormMain::tabRates);

    main.showMinimized();
    dm.TrayIconDblClick();
    dm.TrayIconDblClick();
    EXPECT_TRUE(main.isMinimized()) << "the tray must not restore a minimised window";
}

TEST_F(DM, AStatusNotifierHostTogglesOnItsSingleActivation) {
    TFormMain main;
    TDM dm(&main, TTrayHost::StatusNotifier);
    main.show();
    emit dm.TrayIcon->activated(QSystemTrayIcon::Trigger);
    EXPECT_FALSE(main.isVisible());
    emit dm.TrayIcon->activated(QSystemTrayIcon::MiddleClick); // its secondary activation
    emit dm.TrayIcon->activated(QSystemTrayIcon::Context);
    EXPECT_FALSE(main.isVisible());
    emit dm.TrayIcon->activated(QSystemTrayIcon::Trigger);
    EXPECT_TRUE(main.isVisible());
}

TEST_F(DM, WithoutATrayNoActivationTogglesAndTheHeadlessDesktopHasNone) {
    TFormMain main;
    TDM dm(&main);
    EXPECT_EQ(dm.TrayHost(), TTrayHost::None); // the offscreen platform has no notification area
    main.show();
    for (auto reason : {QSystemTrayIcon::Trigger, QSystemTrayIcon::DoubleClick}) {
        emit dm.TrayIcon->activated(reason);
    }
    EXPECT_TRUE(main.isVisible());
}

TEST_F(DM, ExitFromAHiddenWindowRunsFormCloseAndEndsTheProgram) {
    TFormMain main;
    TDM dm(&main);
    bool closed = false;
    QObject::connect(&main, &TFormMain::Closed, [&] { closed = true; });
    main.show();
    main.move(40, 30);
    main.ButtonedEditSrc->setText("250");
    main.SetActiveTab(TFormMain::tabManual);
    dm.TrayIconDblClick(); // to the tray
    ASSERT_FALSE(main.isVisible());

    dm.Exit1->trigger();
    EXPECT_TRUE(closed);
    EXPECT_EQ(Stored("Window/X"), "40");
    EXPECT_EQ(Stored("Window/Y"), "30");
    EXPECT_EQ(Stored("Defaults/Tab"), "3");
    EXPECT_EQ(Stored("Rates/SrcAmount"), "250");
    EXPECT_TRUE(BoxTexts.isEmpty());
}

} // namespace
