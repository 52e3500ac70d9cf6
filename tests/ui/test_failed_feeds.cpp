// What a refresh that fails leaves on screen (everything as it was) and what the status line then says; and
// the hide list, whose choices must survive a refresh.
#include "tests/support/ExchangeOutcome.h"
#include "tests/ui/RatesTabFixture.h"
#include "tests/ui/WindowSnapshot.h"
#include "ui/NewsView.h"
#include "ui/RefreshController.h"
#include "ui/UnitLoader.h"

#include <QAccessible>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

namespace {

const TWallClock kFirst{2026, 12, 9, 14, 5, 9};
const TWallClock kLater{2026, 12, 9, 14, 6, 10};

class FailedFeeds : public TRatesTabTest {
  protected:
    // The pair US Dollar -> Euro shown from feeds that arrived at Now.
    TFormMain& OpenAt(const TWallClock& At) {
        ConfigWrite(ConfigDoc, "Rates/SrcCurr", "US Dollar");
        ConfigWrite(ConfigDoc, "Rates/DstCurr", "Euro");
        ConfigWrite(ConfigDoc, "HideCurrencies/btc", true);
        TFormMain& main = Open();
        Now = At;
        main.Refresher().SetClock([this] { return Now; });
        return main;
    }

    void FailAll(const TOData& Output) {
        Main->NewsReceived(Output);
        Main->RatesReceived(Output);
        Main->NamesReceived(Output);
        Main->ExchangersReceived(Output);
    }

    QString Status() const { return Main->Refresher().StatusLine(); }

    TWallClock Now;
};

TEST_F(FailedFeeds, AFailedRefreshReplacesNothingAndTheStatusSaysWhyAndHowOldTheRatesAre) {
    TFormMain& main = OpenAt(kFirst);
    EXPECT_EQ(Status(), "");
    Deliver();
    EXPECT_EQ(Status(), "Курсы обновлены в 14:05:09");
    const TShown before = Shown(main);
    ASSERT_EQ(before.Offers.size(), 4u);
    ASSERT_EQ(before.Hidden, QList<int>{3});

    Now = kLater;
    FailAll(ExchangeOutcome(TExchangeFailure::Refused));
    EXPECT_EQ(Shown(main), before);
    EXPECT_EQ(Status(), "Данные не получены: нет связи с сервером. Показаны курсы от 14:05:09");
    // The line is what a screen reader reads out.
    EXPECT_EQ(QAccessible::queryAccessibleInterface(main.findChild<QLabel*>("LabelStatus"))
                  ->text(QAccessible::Name),
              Status());
    EXPECT_TRUE(BoxTexts.isEmpty()) << BoxTexts.join('|').toStdString();

    Deliver();
    EXPECT_EQ(Shown(main), before);
    EXPECT_EQ(Status(), "Курсы обновлены в 14:06:10");
}

TEST_F(FailedFeeds, TheLineAboveTheGridAgesWithTheClockAndMarksFailedRatesWithARetryThatMirrorsRefresh) {
    TFormMain& main = OpenAt(kFirst);
    auto* bar = main.findChild<QWidget*>("DataAgeBar");
    auto* age = main.findChild<QLabel*>("LabelDataAge");
    auto* note = main.findChild<QLabel*>("LabelDataNote");
    auto* retry = main.findChild<QPushButton*>("ButtonRetry");
    ASSERT_TRUE(bar && age && note && retry);
    EXPECT_TRUE(bar->isHidden()); // no rates yet: nothing to tell
    Deliver();
    EXPECT_EQ(age->text(), "Обновлено только что");
    EXPECT_FALSE(bar->isHidden());
    EXPECT_TRUE(note->isHidden());
    EXPECT_TRUE(retry->isHidden());
    Now = {2026, 12, 9, 14, 8, 9};
    main.TimerTimer(); // every tick renews the words
    EXPECT_EQ(age->text(), "Обновлено 3 мин назад");

    while (!main.BitBtnRefresh->isEnabled()) {
        main.TimerTimer();
    }
    QSignalSpy clicks(main.BitBtnRefresh, &QPushButton::clicked);
    main.BitBtnRefresh->click(); // a refresh whose rates do not come
    main.RatesReceived(ExchangeOutcome(TExchangeFailure::Refused));
    EXPECT_FALSE(note->isHidden());
    EXPECT_EQ(note->text(), "Не обновлены: последнее обновление не удалось");
    EXPECT_FALSE(retry->isHidden());
    EXPECT_NE(note->palette().color(QPalette::Window), main.palette().color(QPalette::Window));
    // Retry rests while Refresh does and does nothing then.
    EXPECT_FALSE(retry->isEnabled());
    EXPECT_EQ(retry->toolTip(), main.BitBtnRefresh->toolTip());
    retry->click();
    EXPECT_EQ(clicks.count(), 1);
    while (!main.BitBtnRefresh->isEnabled()) {
        main.TimerTimer();
    }
    EXPECT_TRUE(retry->isEnabled());
    retry->click();
    EXPECT_EQ(clicks.count(), 2);
    EXPECT_FALSE(retry->isEnabled());
}

TEST_F(FailedFeeds, AnHttpErrorOrACutBodyChangesNothingButAnEmptyAnswerIsTheServicesWord) {
    TFormMain& main = OpenAt(kFirst);
    Deliver();
    const TShown before = Shown(main);

    TOData refused = ExchangeOutcome(TExchangeFailure::None, 503, "Service Unavailable");
    refused.Body = "1;usd;eur;1;0.5;1\n"; // a body that would parse: still not the service's data
    main.RatesReceived(refused);
    TOData cut = ExchangeOutcome(TExchangeFailure::Closed, 200, "OK");
    cut.Body = feeds::kNames.substr(0, 20);
    main.NamesReceived(cut);
    main.NewsReceived(ExchangeOutcome(TExchangeFailure::Timeout, 0));
    EXPECT_EQ(Shown(main), before);

    main.ExchangersReceived(Answer(""));
    EXPECT_TRUE(ExchangersTable.empty());
    EXPECT_EQ(ShownOffers(*main.DBGridRates), before.Offers); // the rebuild stops at the empty table
    EXPECT_EQ(Status(), "Новости не получены: сервер не ответил вовремя. Курсы не получены: ошибка сервера "
                        "(HTTP 503). Названия валют не получены: сервер оборвал ответ. Показаны курсы от "
                        "14:05:09. Без записей: обменники");
}

TEST_F(FailedFeeds, StartingOfflineLeavesTheListsAsTheyWereAndSaysThereAreNoRatesYet) {
    TFormMain& main = OpenAt(kFirst);
    FailAll(ExchangeOutcome(TExchangeFailure::Refused));
    EXPECT_FALSE(main.ComboBoxSrc->isEnabled());
    EXPECT_EQ(main.ComboBoxSrc->count(), 0);
    EXPECT_EQ(main.ListBoxHide->count(), 0);
    EXPECT_EQ(Status(), "Данные не получены: нет связи с сервером. Курсов пока нет");
}

TEST_F(FailedFeeds, AFeedWhoseTableWouldPassTheBudgetIsAnAnswerTooLarge) {
    TFormMain& main = OpenAt(kFirst);
    Deliver();
    const TShown before = Shown(main);
    // Short rows make a table of up to three times their bytes: 21 MB of them would pass the budget.
    std::string shortNames;
    std::string shortExchangers;
    for (int i = 0; i < 3'500'000; ++i) {
        shortNames += "a;b;c\n";
        shortExchangers += "1;a;;\n";
    }

    Now = kLater;
    TFormLoader loader(&main);
    FormLoader = &loader;
    main.NamesReceived(Answer(shortNames));
    main.ExchangersReceived(Answer(shortExchangers));
    FormLoader = nullptr;
    EXPECT_EQ(loader.ProgressBar->value(), 2) << "a refused feed still counts as handled";
    EXPECT_EQ(Shown(main), before);
    EXPECT_EQ(Status(),
              "Названия валют и обменники не получены: ответ сервера слишком велик. Курсы обновлены в "
              "14:05:09");
    EXPECT_TRUE(BoxTexts.isEmpty()) << BoxTexts.join('|').toStdString();
}

QPoint ItemCentre(const QListWidget& List, int Item) {
    return List.visualItemRect(List.item(Item)).center();
}

class HideList : public FailedFeeds {
  protected:
    // The settings page of a window that has had its feeds (Bitcoin hidden by a stored flag).
    TFormMain& OpenOnSettings() {
        TFormMain& main = OpenAt(kFirst);
        Deliver();
        main.SetActiveTab(TFormMain::tabSettings);
        main.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&main));
        return main;
    }
};

TEST_F(HideList, ToggledItemsAreStoredAtOnceSurviveARefreshAndAreSavedTrue) {
    TFormMain& main = OpenOnSettings();
    QWidget* list = main.ListBoxHide->viewport();
    QTest::mouseClick(list, Qt::LeftButton, {}, ItemCentre(*main.ListBoxHide, 0)); // US Dollar
    QTest::mouseClick(list, Qt::LeftButton, {}, ItemCentre(*main.ListBoxHide, 2)); // Рубль
    QTest::mouseClick(list, Qt::LeftButton, {}, ItemCentre(*main.ListBoxHide, 3)); // Bitcoin, shown again
    EXPECT_EQ(Stored("HideCurrencies/usd"), "true");
    EXPECT_EQ(Stored("HideCurrencies/rub"), "true");
    EXPECT_EQ(Stored("HideCurrencies/btc"), "false");

    main.NamesReceived(Answer(feeds::kNames)); // a later refresh refills the lists from the stored flags
    for (int item = 0; item < 4; ++item) {
        EXPECT_EQ(main.ListBoxHide->item(item)->isSelected(), item == 0 || item == 2) << item;
    }
    EXPECT_EQ(Items(*main.ComboBoxSrc), (QStringList{"Euro", "Bitcoin"}));

    main.close();
    EXPECT_EQ(Stored("HideCurrencies/usd"), "true");
    EXPECT_EQ(Stored("HideCurrencies/eur"), "false");
    EXPECT_EQ(Stored("HideCurrencies/rub"), "true");
    EXPECT_EQ(Stored("HideCurrencies/btc"), "false");
}

TEST_F(HideList, ADragOverTheListTogglesOnlyTheItemPressed) {
    TFormMain& main = OpenOnSettings();
    QWidget* list = main.ListBoxHide->viewport();
    QTest::mousePress(list, Qt::LeftButton, {}, ItemCentre(*main.ListBoxHide, 0));
    for (int item = 1; item < 4; ++item) {
        const QPoint at = ItemCentre(*main.ListBoxHide, item);
        QMouseEvent move(QEvent::MouseMove, at, list->mapToGlobal(at), Qt::NoButton, Qt::LeftButton,
                         Qt::NoModifier);
        QCoreApplication::sendEvent(list, &move);
    }
    QTest::mouseRelease(list, Qt::LeftButton, {}, ItemCentre(*main.ListBoxHide, 3));
    for (int item = 0; item < 4; ++item) {
        // Item 3 (Bitcoin) was hidden before and stays so; only the pressed item changed.
        EXPECT_EQ(main.ListBoxHide->item(item)->isSelected(), item == 0 || item == 3) << item;
    }
}

} // namespace
