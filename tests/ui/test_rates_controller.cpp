// The rates tab driven as a user would: the feeds handed straight to the window's completions, then typing,
// picking, swapping and opening offers.
#include "ui/UnitMain.h"

#include "tests/ui/RatesTabFixture.h"
#include "ui/NewsView.h"

#include <QAbstractItemView>
#include <QCompleter>
#include <QLineEdit>
#include <QScreen>
#include <QSignalSpy>
#include <QTest>

#include <memory>

namespace {

const TSortOrder kDstDescending{{TOfferField::DstRate, true}};
const TSortOrder kSrcAscending{kDefaultOrder};

using RatesTab = TRatesTabTest;

TEST_F(RatesTab, NamesFeedFillsTheListsAndRestoresTheSavedPairSilently) {
    ConfigWrite(ConfigDoc, "Rates/SrcCurr", "us DOLLAR"); // another letter case still matches
    ConfigWrite(ConfigDoc, "Rates/DstCurr", "рубль");
    ConfigWrite(ConfigDoc, "HideCurrencies/btc", true);
    ConfigWrite(ConfigDoc, "HideCurrencies/eur", "maybe"); // not a boolean: not hidden, no error
    TFormMain& main = Open();
    QSignalSpy picks(main.ComboBoxSrc, &QComboBox::activated);
    Deliver();

    ASSERT_EQ(main.ListBoxHide->count(), 4);
    for (int item = 0; item < 4; ++item) {
        EXPECT_EQ(main.ListBoxHide->item(item)->isSelected(), item == 3) << item;
    }
    EXPECT_EQ(main.ListBoxHide->item(2)->text(), QStringLiteral("Рубль"));
    for (QComboBox* combo : {main.ComboBoxSrc, main.ComboBoxDst}) {
        EXPECT_TRUE(combo->isEnabled());
        ASSERT_EQ(combo->count(), 3);
        EXPECT_EQ(combo->itemText(2), QStringLiteral("Рубль"));
    }
    EXPECT_EQ(main.ComboBoxSrc->currentText(), QStringLiteral("US Dollar"));
    EXPECT_EQ(main.ComboBoxDst->currentText(), QStringLiteral("Рубль"));
    // Selected from code: no change event, nothing written back.
    EXPECT_EQ(picks.count(), 0);
    EXPECT_EQ(Stored("Rates/SrcCurr"), "us DOLLAR");
    EXPECT_TRUE(BoxTexts.isEmpty()) << BoxTexts.join('\n').toStdString();
    EXPECT_EQ(main.EditNews->toPlainText(), QStringLiteral("Course news: see https://example.org/today"));
}

TEST_F(RatesTab, TheSavedPairShowsItsOffersInTheDefaultOrder) {
    TFormMain& main = OpenWithPair();
    EXPECT_EQ(ShownOffers(*main.DBGridRates),
              (std::vector<std::string>{"Beta 1 0.95", "Alpha 1 0.9", "Delta 1 0.8", "Gamma 1.1 1"}));
    EXPECT_EQ(main.DBGridRates->Order(), kSrcAscending);
}

TEST_F(RatesTab, ASavedCurrencyNowHiddenLeavesNoSelectionAndTheGridAsItWas) {
    TFormMain& main = OpenWithPair();
    const std::vector<std::string> before = ShownOffers(*main.DBGridRates);
    ASSERT_FALSE(before.empty());

    ConfigWrite(ConfigDoc, "HideCurrencies/usd", true);
    main.NamesReceived(Answer(feeds::kNames));
    EXPECT_EQ(main.ComboBoxSrc->currentIndex(), -1);
    EXPECT_EQ(main.ComboBoxDst->currentText(), QStringLiteral("Euro"));
    EXPECT_TRUE(main.ListBoxHide->item(0)->isSelected());
    EXPECT_EQ(ShownOffers(*main.DBGridRates), before);
}

TEST_F(RatesTab, AnEmptyRatesFeedKeepsThePairsOffersButNotUnderAnotherPair) {
    TFormMain& main = OpenWithPair();
    const std::vector<std::string> before = ShownOffers(*main.DBGridRates);
    main.RatesReceived(Answer("service busy"));
    EXPECT_TRUE(RatesTable.empty());
    EXPECT_EQ(ShownOffers(*main.DBGridRates), before);

    main.ComboBoxDst->setFocus();
    QTest::keyClick(main.ComboBoxDst, Qt::Key_Down); // a user's pick: Рубль
    EXPECT_EQ(Stored("Rates/DstCurr"), "Рубль");
    // Dollar-to-euro offers under "Рубль" would answer a question not asked.
    EXPECT_TRUE(ShownOffers(*main.DBGridRates).empty());
    EXPECT_EQ(main.DBGridRates->EmptyText(), QStringLiteral("Сервер прислал курсы без записей"));
}

TEST_F(RatesTab, AnUnreadableSavedChoiceCostsOnlyThatChoice) {
    ConfigWrite(ConfigDoc, "Rates/SrcCurr/Nested", "US Dollar"); // an element holding elements
    ConfigWrite(ConfigDoc, "Rates/DstCurr", "Euro");
    TFormMain& main = Open();
    main.NamesReceived(Answer(feeds::kNames));
    EXPECT_EQ(main.ComboBoxSrc->currentIndex(), -1);
    EXPECT_EQ(main.ComboBoxDst->currentText(), QStringLiteral("Euro"));
    EXPECT_TRUE(main.ComboBoxSrc->isEnabled());
}

TEST_F(RatesTab, EmptyNamesLeaveTheListsEmptyButEnabled) {
    TFormMain& main = OpenWithPair();
    const std::vector<std::string> before = ShownOffers(*main.DBGridRates);
    main.NamesReceived(Answer(""));
    EXPECT_EQ(main.ComboBoxSrc->count(), 0);
    EXPECT_EQ(main.ListBoxHide->count(), 0);
    EXPECT_TRUE(main.ComboBoxDst->isEnabled());
    EXPECT_EQ(ShownOffers(*main.DBGridRates), before);
}

// Runs after the window's own handler on every text change of Edit and notes what the grid then shows.
struct TAfterEachChange {
    std::vector<std::vector<std::string>> Offers;
    std::vector<TSortOrder> Orders;
};
void Watch(QLineEdit* Edit, const TDBGridRates& Grid, TAfterEachChange& Seen) {
    QObject::connect(Edit, &QLineEdit::textChanged, Edit, [&Grid, &Seen] {
        Seen.Offers.push_back(ShownOffers(Grid));
        Seen.Orders.push_back(Grid.Order());
    });
}

TEST_F(RatesTab, TypingASourceAmountRecomputesAndOrdersByMostReceivedAtEveryKey) {
    TFormMain& main = OpenWithPair();
    TAfterEachChange seen;
    Watch(main.ButtonedEditSrc, *main.DBGridRates, seen);
    QTest::keyClicks(main.ButtonedEditSrc, "100");

    ASSERT_EQ(seen.Offers.size(), 3u);
    EXPECT_EQ(seen.Orders, std::vector<TSortOrder>(3, kDstDescending));
    EXPECT_EQ(seen.Offers[0],
              (std::vector<std::string>{"Beta 1 0.95", "Gamma 1 0.9091", "Alpha 1 0.9", "Delta 1 0.8"}));
    EXPECT_EQ(seen.Offers[1],
              (std::vector<std::string>{"Beta 10 9.5", "Gamma 10 9.0909", "Alpha 10 9", "Delta 10 8"}));
    // Beta's reserve of 50 cannot pay 95.
    EXPECT_EQ(seen.Offers[2],
              (std::vector<std::string>{"Gamma 100 90.9091", "Alpha 100 90", "Delta 100 80"}));
}

TEST_F(RatesTab, ATargetAmountSwappedIntoASourceAmountPutsTheMostReceivedFirst) {
    TFormMain& main = OpenWithPair();
    main.ButtonedEditDst->setText("1");
    main.SpeedButtonSwapClick();
    EXPECT_EQ(main.ButtonedEditSrc->text(), QStringLiteral("1"));
    EXPECT_EQ(main.DBGridRates->Order(), kDstDescending);
    EXPECT_EQ(ShownOffers(*main.DBGridRates), (std::vector<std::string>{"Beta 1 1.1", "Alpha 1 1.05"}));
}

TEST_F(RatesTab, ATargetAmountOrdersByLeastGivenAndDeletingItRestoresTheSourceRule) {
    TFormMain& main = OpenWithPair();
    QTest::keyClicks(main.ButtonedEditSrc, "100");
    TAfterEachChange seen;
    Watch(main.ButtonedEditDst, *main.DBGridRates, seen);

    QTest::keyClicks(main.ButtonedEditDst, "5");
    QTest::keyClick(main.ButtonedEditDst, Qt::Key_Backspace);
    ASSERT_EQ(seen.Offers.size(), 2u);
    EXPECT_EQ(seen.Orders, (std::vector<TSortOrder>{kSrcAscending, kDstDescending}));
    EXPECT_EQ(seen.Offers[0], (std::vector<std::string>{"Gamma 5.5 5", "Alpha 5.5556 5", "Delta 6.25 5"}));
    EXPECT_EQ(seen.Offers[1],
              (std::vector<std::string>{"Gamma 100 90.9091", "Alpha 100 90", "Delta 100 80"}));
}

TEST_F(RatesTab, DecimalAndLargeAmountsChooseTheOrderFromTheNumberTheOffersAreComputedFor) {
    TFormMain& main = OpenWithPair();
    main.DBGridRates->SetOrder({{TOfferField::Reserve, false}});
    main.ButtonedEditSrc->setText("3000000000");
    // The offers are computed for it: no reserve covers billions; and it orders as any amount does.
    EXPECT_TRUE(ShownExchangers(*main.DBGridRates).empty());
    EXPECT_EQ(main.DBGridRates->Order(), kDstDescending);
    main.DBGridRates->SetOrder({{TOfferField::Reserve, false}});
    main.ButtonedEditSrc->setText("0,5");
    EXPECT_EQ(ShownOffers(*main.DBGridRates), (std::vector<std::string>{"Beta 0.5 0.475", "Gamma 0.5 0.4545",
                                                                        "Alpha 0.5 0.45", "Delta 0.5 0.4"}));
    EXPECT_EQ(main.DBGridRates->Order(), kDstDescending);
}

TEST_F(RatesTab, ASavedSourceAmountKeepsTheMostReceivedFirstThroughEveryRefresh) {
    ConfigWrite(ConfigDoc, "Rates/SrcAmount", "0.5");
    TFormMain& main = OpenWithPair(); // the first refresh
    EXPECT_EQ(main.ButtonedEditSrc->text(), QStringLiteral("0.5"));
    EXPECT_EQ(main.DBGridRates->Order(), kDstDescending);
    EXPECT_EQ(ShownExchangers(*main.DBGridRates).front(), "Beta");
    EXPECT_EQ(main.DBGridRates->CurrentRowNumber(), 1);
    Deliver(); // F5
    EXPECT_EQ(main.DBGridRates->Order(), kDstDescending);
    EXPECT_EQ(main.DBGridRates->CurrentOffer()->Exchanger, "Beta");

    // The user's own sort outlives refreshes until an amount sets the order again.
    main.DBGridRates->SetOrder({{TOfferField::Reserve, true}}, TDBGridRates::TOrderBy::User);
    Deliver();
    EXPECT_EQ(main.DBGridRates->Order(), (TSortOrder{{TOfferField::Reserve, true}}));
    EXPECT_EQ(ShownExchangers(*main.DBGridRates).front(), "Delta");
    main.ButtonedEditSrc->setText("1");
    Deliver();
    EXPECT_EQ(main.DBGridRates->Order(), kDstDescending);
}

TEST_F(RatesTab, AUsersPickSavesTheCurrencyAtOnceAndKeepsTheBestOfferForTheAmountOnTop) {
    TFormMain& main = OpenWithPair();
    main.ButtonedEditSrc->setText("100");
    ASSERT_EQ(main.DBGridRates->Order(), kDstDescending);
    QSignalSpy picks(main.ComboBoxSrc, &QComboBox::activated);

    main.ComboBoxSrc->setFocus();
    QTest::keyClick(main.ComboBoxSrc, Qt::Key_Down); // Euro
    ASSERT_EQ(picks.count(), 1);
    EXPECT_EQ(Stored("Rates/SrcCurr"), "Euro");
    EXPECT_TRUE(ShownExchangers(*main.DBGridRates).empty()); // nobody quotes Euro for Euro

    QTest::keyClick(main.ComboBoxSrc, Qt::Key_Up); // back to US Dollar
    EXPECT_EQ(Stored("Rates/SrcCurr"), "US Dollar");
    EXPECT_EQ(main.DBGridRates->Order(), kDstDescending);
    EXPECT_EQ(ShownOffers(*main.DBGridRates),
              (std::vector<std::string>{"Gamma 100 90.9091", "Alpha 100 90", "Delta 100 80"}));

    // A selection made from code is no pick: nothing is written.
    main.ComboBoxSrc->setCurrentIndex(2);
    EXPECT_EQ(Stored("Rates/SrcCurr"), "US Dollar");
}

TEST_F(RatesTab, TypingFiltersTheListAndOnlyANameOfTheListIsChosen) {
    TFormMain& main = OpenWithPair();
    QComboBox& dst = *main.ComboBoxDst;
    QCompleter& completer = *dst.completer();
    QSignalSpy picks(&dst, &QComboBox::activated);
    dst.setFocus();

    // Any part of a name, without letter case.
    dst.lineEdit()->selectAll();
    QTest::keyClicks(&dst, "R");
    QStringList offered;
    for (bool more = completer.setCurrentRow(0); more;
         more = completer.setCurrentRow(completer.currentRow() + 1)) {
        offered << completer.currentCompletion();
    }
    EXPECT_EQ(offered, (QStringList{"US Dollar", "Euro"}));

    // Choosing from the offered names is a pick like any other: stored and the offers rebuilt.
    dst.lineEdit()->selectAll();
    QTest::keyClicks(&dst, "doLL");
    ASSERT_EQ(completer.completionCount(), 1);
    completer.popup()->setCurrentIndex(completer.completionModel()->index(0, 0));
    QTest::keyClick(completer.popup(), Qt::Key_Return);
    EXPECT_EQ(picks.count(), 1);
    EXPECT_EQ(dst.currentIndex(), 0);
    EXPECT_EQ(Stored("Rates/DstCurr"), "US Dollar");
    EXPECT_TRUE(ShownExchangers(*main.DBGridRates).empty()); // nobody quotes US Dollar for US Dollar

    // A text that names no currency changes nothing and is put back when editing ends.
    dst.lineEdit()->selectAll();
    QTest::keyClicks(&dst, "zz");
    QTest::keyClick(&dst, Qt::Key_Return);
    EXPECT_EQ(picks.count(), 1);
    EXPECT_EQ(dst.currentText(), QStringLiteral("US Dollar"));
    EXPECT_EQ(Stored("Rates/DstCurr"), "US Dollar");

    // However long the list, its popup takes at most half the screen.
    for (int extra = 0; extra < 200; ++extra) {
        dst.addItem(QStringLiteral("Валюта %1").arg(extra));
    }
    dst.showPopup();
    EXPECT_LE(dst.view()->window()->height(), dst.screen()->availableGeometry().height() / 2);
    dst.hidePopup();
}

TEST_F(RatesTab, SwapMovesTheAmountAcrossAndExchangesTheCurrencies) {
    TFormMain& main = OpenWithPair();
    main.ButtonedEditSrc->setText("100");
    QSignalSpy srcChanges(main.ButtonedEditSrc, &QLineEdit::textChanged);
    QSignalSpy dstChanges(main.ButtonedEditDst, &QLineEdit::textChanged);

    QTest::mouseClick(main.SpeedButtonSwap, Qt::LeftButton);
    EXPECT_EQ(main.ButtonedEditSrc->text(), QString());
    EXPECT_EQ(main.ButtonedEditDst->text(), QStringLiteral("100"));
    EXPECT_EQ(srcChanges.count(), 1);
    EXPECT_EQ(dstChanges.count(), 1);
    EXPECT_EQ(main.ComboBoxSrc->currentText(), QStringLiteral("Euro"));
    EXPECT_EQ(main.ComboBoxDst->currentText(), QStringLiteral("US Dollar"));
    // 100 dollars wanted for euros: Beta's reserve of 30 is too small.
    EXPECT_EQ(ShownOffers(*main.DBGridRates), (std::vector<std::string>{"Alpha 95.2381 100"}));
    EXPECT_EQ(main.DBGridRates->Order(), kSrcAscending);
    // Stored as a pick is: a refresh restores the stored pair, and must not turn 100 dollars into 100 euros.
    EXPECT_EQ(Stored("Rates/SrcCurr"), "Euro");
    EXPECT_EQ(Stored("Rates/DstCurr"), "US Dollar");
}

TEST_F(RatesTab, SwapWithoutAmountsFiresNoFieldChange) {
    TFormMain& main = OpenWithPair();
    QSignalSpy srcChanges(main.ButtonedEditSrc, &QLineEdit::textChanged);
    QSignalSpy dstChanges(main.ButtonedEditDst, &QLineEdit::textChanged);
    main.SpeedButtonSwapClick();
    EXPECT_EQ(srcChanges.count() + dstChanges.count(), 0);
    EXPECT_EQ(ShownOffers(*main.DBGridRates), (std::vector<std::string>{"Beta 1 1.1", "Alpha 1 1.05"}));

    // With one side unchosen the swap carries the missing choice across.
    main.ComboBoxDst->setCurrentIndex(-1);
    main.SpeedButtonSwapClick();
    EXPECT_EQ(main.ComboBoxSrc->currentIndex(), -1);
    EXPECT_EQ(main.ComboBoxDst->currentText(), QStringLiteral("Euro"));
    // The stored pair changes sides as well: a refresh must not bring back Euro on both.
    EXPECT_EQ(Stored("Rates/SrcCurr"), "US Dollar");
    EXPECT_EQ(Stored("Rates/DstCurr"), "Euro");
    main.NamesReceived(Answer(feeds::kNames));
    EXPECT_EQ(main.ComboBoxSrc->currentText(), QStringLiteral("US Dollar"));
    EXPECT_EQ(main.ComboBoxDst->currentText(), QStringLiteral("Euro"));
}

TEST_F(RatesTab, ExchangeOpensTheCurrentOffersPageAndNothingWithoutOne) {
    TFormMain& main = Open();
    main.SetServiceBaseUrl("http://127.0.0.1:9");
    QTest::mouseClick(main.BitBtnExchange, Qt::LeftButton);
    main.show();
    QTest::mouseDClick(main.DBGridRates->viewport(), Qt::LeftButton, {}, QPoint(20, 10));
    EXPECT_TRUE(Opened.isEmpty());

    ConfigWrite(ConfigDoc, "Rates/SrcCurr", "US Dollar");
    ConfigWrite(ConfigDoc, "Rates/DstCurr", "Euro");
    Deliver();
    main.DBGridRates->SetCurrentRowNumber(3); // Delta, EID 42
    QTest::mouseClick(main.BitBtnExchange, Qt::LeftButton);
    EXPECT_EQ(Opened, QStringList{QStringLiteral("http://127.0.0.1:9/click/42")});

    const QRect first = main.DBGridRates->visualRect(main.DBGridRates->Model().index(0, 1));
    QTest::mouseDClick(main.DBGridRates->viewport(), Qt::LeftButton, {}, first.center());
    ASSERT_EQ(Opened.size(), 2);
    EXPECT_EQ(Opened[1], QStringLiteral("http://127.0.0.1:9/click/2")); // Beta
}

TEST_F(RatesTab, RestoredAmountsOnlySetTheOrderWhileTheTablesAreEmpty) {
    ConfigWrite(ConfigDoc, "Rates/SrcAmount", "0100");
    TFormMain& main = Open();
    EXPECT_EQ(main.ButtonedEditSrc->text(), QStringLiteral("100"));
    EXPECT_EQ(main.DBGridRates->Order(), kDstDescending);
    EXPECT_EQ(main.DBGridRates->Model().rowCount(), 0);
    EXPECT_TRUE(BoxTexts.isEmpty()) << BoxTexts.join('\n').toStdString();
}

TEST_F(RatesTab, HideFlagsReadAsBooleansAndAnythingElseAsNotHidden) {
    struct TCase {
        const char* Code;
        std::optional<TConfigValue> Stored;
        bool Hidden;
    };
    const TCase cases[] = {
        {"usd", std::nullopt, false},         {"eur", TConfigValue(true), true},
        {"rub", TConfigValue(false), false},  {"gbp", TConfigValue("yes please"), false},
        {"pm usd", TConfigValue(true), true}, // a code that is no element name is stored escaped
        {"1inch", TConfigValue(true), true},
    };
    for (const TCase& item : cases) {
        if (item.Stored) {
            ConfigWrite(ConfigDoc, HideCurrencyKey(item.Code), *item.Stored);
        }
        EXPECT_EQ(IsCurrencyHidden(item.Code), item.Hidden) << item.Code;
    }
    // An element holding other elements cannot be read as a flag.
    ConfigWrite(ConfigDoc, "HideCurrencies/jpy/deeper", true);
    EXPECT_FALSE(IsCurrencyHidden("jpy"));
}

} // namespace
