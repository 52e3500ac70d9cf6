// The routes view under the grid, driven through the window as a user would.

#include "globals/Globals.h"
#include "net/ThreadCtrl.h"
#include "tests/support/ScriptedServer.h"
#include "tests/ui/RatesTabFixture.h"
#include "ui/HistoryPart.h"
#include "ui/QtDispatcher.h"
#include "ui/RoutesView.h"

#include <QApplication>
#include <QLabel>
#include <QTest>
#include <QToolButton>
#include <QTreeWidget>

#include <chrono>
#include <memory>

namespace {

class RoutesView : public TRatesTabTest {
  protected:
    // The small feeds plus dollars for roubles at Alpha and roubles for euros at Gamma: 100 * 0.01 = 1 euro
    // per dollar through roubles, more than Beta's best direct 0.95.
    TFormMain& OpenWithRoute() {
        ConfigWrite(ConfigDoc, "Rates/SrcCurr", "US Dollar");
        ConfigWrite(ConfigDoc, "Rates/DstCurr", "Euro");
        TFormMain& main = Open();
        main.SetServiceBaseUrl("http://127.0.0.1:9");
        main.RatesReceived(Answer(feeds::kRates + "1;usd;rub;1;100;100000\n3;rub;eur;100;1;500\n"));
        main.ExchangersReceived(Answer(feeds::kExchangers));
        main.NamesReceived(Answer(feeds::kNames));
        return main;
    }
    // The routes listed once the view has caught up (it follows at the next turn of the event loop).
    static int Routes(TFormMain& Main) {
        QCoreApplication::processEvents();
        return Main.RoutesView().RouteCount();
    }
    // The same once no search is pending, found on a worker; -1 while one still is after Longest.
    static int Settled(TFormMain& Main, std::chrono::milliseconds Longest = std::chrono::seconds(10)) {
        const auto deadline = std::chrono::steady_clock::now() + Longest;
        while (Main.RoutesPending() && std::chrono::steady_clock::now() < deadline) {
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 20);
        }
        return Main.RoutesPending() ? -1 : Main.RoutesView().RouteCount();
    }
};

TEST_F(RoutesView, ListsTheRouteThatBeatsTheDirectOfferAndEnterOnALegOpensItsPage) {
    TFormMain& main = OpenWithRoute();
    main.show();
    main.SetActiveTab(TFormMain::tabRates);
    auto* tree = main.findChild<QTreeWidget*>(QStringLiteral("TreeRoutes"));
    ASSERT_NE(tree, nullptr);
    EXPECT_EQ(tree->accessibleName(), QStringLiteral("Маршруты через другую валюту"));
    ASSERT_EQ(Routes(main), 1);
    ASSERT_TRUE(main.RoutesView().isVisible());
    const QTreeWidgetItem* route = tree->topLevelItem(0);
    EXPECT_EQ(route->text(0), QStringLiteral("1. Через Рубль"));
    EXPECT_EQ(route->text(1), QStringLiteral("1"));
    EXPECT_EQ(route->text(2), QStringLiteral("+5.26 %"));
    ASSERT_EQ(route->childCount(), 2);
    EXPECT_EQ(route->child(1)->text(0).trimmed(), QStringLiteral("Gamma: Рубль → Euro"));
    // The view says plainly that a route is separate exchanges whose rates can move.
    EXPECT_TRUE(main.findChild<QLabel*>(QStringLiteral("LabelRoutes"))
                    ->text()
                    .contains(QStringLiteral("два обмена")));

    // Tab follows the page down: the grid, the routes, the chart's checked range button, then the buttons.
    main.History().Toggle()->click();
    main.DBGridRates->setFocus();
    for (QWidget* next : std::initializer_list<QWidget*>{
             tree, main.findChild<QWidget*>("PanelChart")->findChild<QToolButton*>(), main.BitBtnExchange}) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        EXPECT_EQ(QApplication::focusWidget(), next)
            << QApplication::focusWidget()->objectName().toStdString();
    }
    tree->setFocus();
    tree->setCurrentItem(route->child(1));
    QTest::keyClick(tree, Qt::Key_Return);
    EXPECT_EQ(Opened, QStringList{QStringLiteral("http://127.0.0.1:9/click/3")});
    tree->setCurrentItem(tree->topLevelItem(0));
    QTest::keyClick(tree, Qt::Key_Return);
    EXPECT_EQ(Opened.size(), 1) << "a route itself has no page";

    // A source amount beyond Gamma's reserve of 500 euros leaves the route out, and the view with it.
    QTest::keyClicks(main.ButtonedEditSrc, "600");
    EXPECT_EQ(Routes(main), 0);
    EXPECT_FALSE(main.RoutesView().isVisible());

    // Emptied rates keep the pair's last routes; another pair takes them away with its offers.
    main.ButtonedEditSrc->clear();
    ASSERT_EQ(Routes(main), 1);
    main.RatesReceived(Answer("service busy"));
    EXPECT_EQ(Routes(main), 1);
    main.ComboBoxDst->setCurrentIndex(main.ComboBoxDst->findText(QStringLiteral("Рубль")));
    emit main.ComboBoxDst->activated(main.ComboBoxDst->currentIndex());
    EXPECT_EQ(Routes(main), 0);
}

TEST_F(RoutesView, AHiddenCurrencyIsNoLongerPassedThrough) {
    TFormMain& main = OpenWithRoute();
    ASSERT_EQ(Routes(main), 1);
    main.ListBoxHide->item(2)->setSelected(true); // Рубль
    EXPECT_EQ(Routes(main), 0);
    main.ListBoxHide->item(2)->setSelected(false);
    EXPECT_EQ(Routes(main), 1);
}

TEST_F(RoutesView, FoundOnAWorkerEachAmountGetsItsOwnRoutes) {
    // The program's job runner: the routes are found off the window's thread and listed when they come.
    TQtDispatcher dispatcher;
    JobControl = std::make_unique<TThreadCtrl>(dispatcher.Dispatcher());
    TFormMain& main = OpenWithRoute();
    EXPECT_EQ(Settled(main), 1);
    // A search started while another is on its way: only the last one's answer is listed.
    QTest::keyClicks(main.ButtonedEditSrc, "6");
    QCoreApplication::processEvents();
    QTest::keyClicks(main.ButtonedEditSrc, "00");
    EXPECT_TRUE(main.RoutesPending());
    EXPECT_EQ(Settled(main), 0);
    QTest::keyClick(main.ButtonedEditSrc, Qt::Key_Backspace);
    EXPECT_EQ(Settled(main), 1);
    Main.reset();
    JobControl.reset();
}

TEST_F(RoutesView, ARefreshsRoutesWaitForAllItsDataFeeds) {
    TQtDispatcher dispatcher;
    JobControl = std::make_unique<TThreadCtrl>(dispatcher.Dispatcher());
    auto server = std::make_unique<TScriptedServer>();
    server->Enqueue(TScript().Hold()); // the refresh's own requests are never answered
    TFormMain& main = OpenWithRoute();
    ASSERT_EQ(Settled(main), 1);
    main.SetServiceBaseUrl(server->Url("/"));
    main.BitBtnRefreshClick();
    // The exchangers come first: the routes wait for the rates and the names, which would replace the tables
    // a search would run over.
    main.ExchangersReceived(Answer(feeds::kExchangers));
    EXPECT_EQ(Settled(main, std::chrono::milliseconds(300)), -1);
    EXPECT_EQ(main.RoutesView().RouteCount(), 1);
    // New rates without Gamma's leg: once the names are in too, the routes follow them.
    main.RatesReceived(Answer(feeds::kRates + "1;usd;rub;1;100;100000\n"));
    EXPECT_TRUE(main.RoutesPending());
    main.NamesReceived(Answer(feeds::kNames));
    EXPECT_EQ(Settled(main), 0);
    Main.reset();
    server.reset();
    JobControl.reset();
}

} // namespace
