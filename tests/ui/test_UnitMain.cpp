#include "ui/BitBtn.h"
#include "ui/UnitMain.h"

#include "tests/ui/MainWindowFixture.h"
#include "ui/NewsView.h"
#include "ui/OfferGrid.h"
#include "ui/RichEditURL.h"

#include <QAccessible>
#include <QApplication>
#include <QDir>
#include <QGuiApplication>
#include <QScreen>
#include <QSignalBlocker>
#include <QTest>

#include <algorithm>
#include <filesystem>
#include <fstream>

namespace {

using FormMain = TMainWindowTest;

// Element names of the document in document order, one per line, indented by depth (layout text ignored).
std::string Outline(const std::filesystem::path& File) {
    const std::string text = ReadFileBytes(File);
    std::string outline;
    int depth = 0;
    for (std::size_t at = text.find('<'); at != std::string::npos; at = text.find('<', at + 1)) {
        if (text.compare(at, 2, "<?") == 0) {
            continue;
        }
        const bool closing = text[at + 1] == '/';
        const std::size_t end = text.find('>', at);
        const bool selfClosing = text[end - 1] == '/';
        if (closing) {
            --depth;
            continue;
        }
        std::string name = text.substr(at + 1, end - at - 1);
        name = name.substr(0, name.find_first_of(" /"));
        outline += std::string(depth * 2, ' ') + name + "\n";
        if (!selfClosing) {
            ++depth;
        }
    }
    return outline;
}

TEST_F(FormMain, CloseWritesEveryKeyInOrderAndCreateRestoresThem) {
    NamesTable = {{"USD", "Доллар"}, {"1BTC", "Биткоин"}, {"A B", "Пробел"}, {"EUR", "Евро"}};
    QRect outer;
    {
        TFormMain main;
        main.show();
        main.move(120, 80);
        main.resize(600, 400);
        main.SetActiveTab(TFormMain::tabManual);
        main.ButtonedEditSrc->setText("0100");
        main.ButtonedEditDst->setText("");
        for (QComboBox* combo : {main.ComboBoxSrc, main.ComboBoxDst}) {
            combo->addItems({"Доллар", "Евро"});
        }
        main.ComboBoxSrc->setCurrentIndex(1);
        main.ComboBoxDst->setCurrentIndex(0);
        for (const TStringRow row : NamesTable) {
            main.ListBoxHide->addItem(QString::fromUtf8(row[1]));
        }
        {
            // As the names feed selects them, from the stored flags: nothing is written before the close.
            const QSignalBlocker filling(main.ListBoxHide->selectionModel());
            main.ListBoxHide->item(1)->setSelected(true);
            main.ListBoxHide->item(2)->setSelected(true);
        }
        outer = main.frameGeometry(); // resize() sets the client size; the frame comes on top
        main.close();
        EXPECT_EQ(Stored("Window/X"), std::to_string(outer.x()));
        EXPECT_EQ(Stored("Window/W"), std::to_string(outer.width()));
    }
    ASSERT_TRUE(ConfigSave(ConfigDoc, FDir / "settings.xml"));
    EXPECT_EQ(Outline(FDir / "settings.xml"),
              "settings\n"
              "  Window\n    X\n    Y\n    W\n    H\n"
              "  Defaults\n    Tab\n"
              "  Rates\n    SrcAmount\n    DstAmount\n    SrcCurr\n    DstCurr\n"
              "  HideCurrencies\n    USD\n    _x0031_BTC\n    A_x0020_B\n    EUR\n");
    EXPECT_EQ(Stored("Window/X"), "120");
    EXPECT_EQ(Stored("Window/Y"), "80");
    EXPECT_EQ(Stored("Defaults/Tab"), "3");
    EXPECT_EQ(Stored("Rates/SrcAmount"), "0100");
    EXPECT_EQ(Stored("Rates/DstAmount"), std::nullopt); // written, empty
    EXPECT_EQ(Stored("Rates/SrcCurr"), "Евро");
    EXPECT_EQ(Stored("Rates/DstCurr"), "Доллар");
    EXPECT_EQ(Stored(HideCurrencyKey("USD")), "false");
    EXPECT_EQ(Stored(HideCurrencyKey("1BTC")), "true");
    EXPECT_EQ(Stored(HideCurrencyKey("A B")), "true");
    EXPECT_EQ(Stored(HideCurrencyKey("EUR")), "false");

    // The next run: a fresh document from the file.
    ConfigDoc.reset();
    ASSERT_TRUE(ConfigOpen(ConfigDoc, FDir / "settings.xml", "settings"));
    TFormMain restored;
    restored.show();
    EXPECT_EQ(restored.frameGeometry().topLeft(), QPoint(120, 80));
    EXPECT_EQ(restored.frameGeometry().size(), outer.size());
    EXPECT_EQ(restored.ActiveTab(), TFormMain::tabManual);
    EXPECT_EQ(restored.ButtonedEditSrc->text(), "100");
    EXPECT_EQ(restored.ButtonedEditDst->text(), "");
    EXPECT_TRUE(BoxTexts.isEmpty()) << BoxTexts.join('|').toStdString();
}

TEST_F(FormMain, ClosingBeforeTheNamesFeedKeepsTheStoredChoicesAndFlags) {
    ConfigWrite(ConfigDoc, "Rates/SrcCurr", "Евро");
    ConfigWrite(ConfigDoc, HideCurrencyKey("USD"), true);
    NamesTable = {{"USD", "Доллар"}}; // a table without list items: nothing of it is written
    TFormMain main;
    main.close();
    EXPECT_EQ(Stored("Rates/SrcCurr"), "Евро");
    EXPECT_EQ(Stored("Rates/DstCurr"), std::nullopt);
    EXPECT_EQ(Stored(HideCurrencyKey("USD")), "true");

    // Items but no choice: the choice is not written either.
    TFormMain listed;
    listed.ComboBoxDst->addItems({"Доллар"});
    listed.ComboBoxDst->setCurrentIndex(-1);
    listed.close();
    EXPECT_EQ(Stored("Rates/DstCurr"), std::nullopt);
}

TEST_F(FormMain, AKeyThatCannotBeWrittenDoesNotStopTheOthersOrTheClose) {
    // A hand-edited file where "Defaults/Tab" holds an element: writing it fails.
    ConfigWrite(ConfigDoc, "Defaults/Tab/Nested", 1);
    NamesTable = {{"USD", "Доллар"}};
    TFormMain main;
    bool closed = false;
    QObject::connect(&main, &TFormMain::Closed, [&] { closed = true; });
    main.show();
    main.ButtonedEditDst->setText("7");
    main.ListBoxHide->addItem("Доллар");
    EXPECT_TRUE(main.close());
    EXPECT_TRUE(closed);
    EXPECT_FALSE(main.isVisible());
    EXPECT_EQ(Stored("Rates/DstAmount"), "7");
    EXPECT_EQ(Stored(HideCurrencyKey("USD")), "false");
}

TEST_F(FormMain, ARestoringErrorIsShownAndStopsTheRestoreButTheWindowWorks) {
    ConfigWrite(ConfigDoc, "Window/X", 50);
    ConfigWrite(ConfigDoc, "Window/Y", 60);
    ConfigWrite(ConfigDoc, "Window/W", "abc");
    ConfigWrite(ConfigDoc, "Window/H", 500);
    ConfigWrite(ConfigDoc, "Defaults/Tab", 0);
    ConfigWrite(ConfigDoc, "Rates/SrcAmount", "5");
    TFormMain main;
    ASSERT_EQ(BoxTexts.size(), 1);
    EXPECT_EQ(BoxCaptions[0], "Kovrin");
    EXPECT_EQ(BoxTexts[0], "'abc' is not a valid integer value.");
    EXPECT_EQ(main.pos(), QPoint(50, 60));               // before the error: restored
    EXPECT_EQ(main.ActiveTab(), TFormMain::tabSettings); // after it: design state
    EXPECT_EQ(main.ButtonedEditSrc->text(), "");
    main.show();
    EXPECT_TRUE(main.isVisible());
    main.SetActiveTab(TFormMain::tabRates);
    main.close();
    EXPECT_EQ(Stored("Defaults/Tab"), "1");
}

TEST_F(FormMain, AnAmountThatIsNoNumberIsReported) {
    ConfigWrite(ConfigDoc, "Rates/SrcAmount", "12");
    ConfigWrite(ConfigDoc, "Rates/DstAmount", "1,5");
    TFormMain main;
    EXPECT_EQ(main.ButtonedEditSrc->text(), "12");
    EXPECT_EQ(main.ButtonedEditDst->text(), "");
    ASSERT_EQ(BoxTexts.size(), 1);
    EXPECT_TRUE(BoxTexts[0].contains("1,5")) << BoxTexts[0].toStdString();
}

TEST_F(FormMain, NoRefreshTickCanRunWhileARestoringErrorIsShown) {
    ConfigWrite(ConfigDoc, "Rates/SrcAmount", "abc");
    int ticking = -1; // the box's own event loop would run the timer of the window being made
    SetErrorBox([&](const QString&, const QString&) {
        for (QWidget* window : QApplication::topLevelWidgets()) {
            for (QTimer* timer : window->findChildren<QTimer*>("Timer")) {
                ticking = timer->isActive();
            }
        }
    });
    TFormMain main;
    EXPECT_EQ(ticking, 0);
    EXPECT_TRUE(main.Timer->isActive());
}

TEST_F(FormMain, StoredTabSelectsOnlyAVisibleTab) {
    const struct {
        const char* Stored;
        int Active;
    } cases[] = {{"0", TFormMain::tabNews},      {"1", TFormMain::tabRates},
                 {"3", TFormMain::tabManual},    {"4", TFormMain::tabSettings},
                 {"-1", TFormMain::tabSettings}, {"99", TFormMain::tabSettings}};
    for (const auto& c : cases) {
        ConfigWrite(ConfigDoc, "Defaults/Tab", c.Stored);
        TFormMain main;
        EXPECT_EQ(main.ActiveTab(), c.Active) << "stored " << c.Stored;
        EXPECT_NE(main.PageControl->currentWidget(), main.TabSheetInformer);
    }
    EXPECT_TRUE(BoxTexts.isEmpty());
}

TEST_F(FormMain, CtrlShiftTabRoundTheEndLandsOnTheLastVisibleTabWhichIsStored) {
    TFormMain main;
    main.SetActiveTab(TFormMain::tabNews);
    QTest::keyClick(main.PageControl->tabBar(), Qt::Key_Tab, Qt::ControlModifier | Qt::ShiftModifier);
    main.close();
    EXPECT_EQ(Stored("Defaults/Tab"), "3"); // the manual, not the hidden tab after it
}

TEST_F(FormMain, FirstStartShowsTheSettingsPageAndEmptyDisabledLists) {
    TFormMain main;
    EXPECT_EQ(main.windowTitle(), "Kovrin");
    EXPECT_EQ(QCoreApplication::applicationName(), "Kovrin");
    EXPECT_EQ(main.PageControl->currentWidget(), main.TabSheetSettings);
    EXPECT_EQ(main.PageControl->count(), 5);
    const QStringList captions = {"Последние новости", "Курсы обмена", "Настройки", "Как пользоваться",
                                  "Информатор"};
    for (int tab = 0; tab < 5; ++tab) {
        EXPECT_EQ(main.PageControl->tabText(tab), captions[tab]);
        EXPECT_FALSE(main.PageControl->tabIcon(tab).pixmap(16, 16).isNull());
        EXPECT_EQ(main.PageControl->isTabVisible(tab), tab < 4);
    }
    for (QComboBox* combo : {main.ComboBoxSrc, main.ComboBoxDst}) {
        EXPECT_FALSE(combo->isEnabled());
        EXPECT_TRUE(combo->isEditable()); // typing filters the list
        EXPECT_EQ(combo->insertPolicy(), QComboBox::NoInsert);
        EXPECT_EQ(combo->maxVisibleItems(), 20);
        EXPECT_EQ(combo->count(), 0);
    }
    EXPECT_EQ(main.ListBoxHide->selectionMode(), QAbstractItemView::MultiSelection);
    EXPECT_EQ(main.ListBoxHide->count(), 0);
    EXPECT_TRUE(main.Timer->isActive());
    EXPECT_EQ(main.Timer->interval(), 1000);
    EXPECT_TRUE(main.StatusBar->isSizeGripEnabled());
    EXPECT_EQ(main.StatusBar->height(), 19);
    EXPECT_TRUE(BoxTexts.isEmpty());
}

TEST_F(FormMain, AmountFieldsTakeAtMostTenDigitsAndOneSeparator) {
    TFormMain main;
    main.show();
    for (QLineEdit* edit : {main.ButtonedEditSrc, main.ButtonedEditDst}) {
        EXPECT_TRUE(edit->alignment() & Qt::AlignRight);
        QTest::keyClicks(edit, "1a2.3-4 56,789012345");
        EXPECT_EQ(edit->text(), "12.34567890");
    }
}

TEST_F(FormMain, KeepsItsLayoutAnchorsAndMinimumOuterSize) {
    TFormMain main;
    main.show();
    EXPECT_EQ(main.ButtonedEditSrc->geometry(), QRect(8, 8, 81, 21));
    EXPECT_EQ(main.ComboBoxSrc->geometry(), QRect(96, 8, 161, 21));
    EXPECT_EQ(main.SpeedButtonSwap->geometry(), QRect(264, 8, 25, 22));
    EXPECT_EQ(main.ButtonedEditDst->geometry(), QRect(296, 8, 81, 21));
    EXPECT_EQ(main.ComboBoxDst->geometry(), QRect(384, 8, 161, 21));
    EXPECT_EQ(main.PanelControls->height(), 37);
    EXPECT_EQ(main.PanelGo->height(), 41);
    EXPECT_EQ(main.BitBtnExchange->geometry(), QRect(8, 8, 89, 25));
    for (QPushButton* button : {main.BitBtnExchange, main.BitBtnRefresh}) {
        // The image 5 pixels from the left edge, the caption after it (not both centred).
        const auto* image = qobject_cast<TBitBtn*>(button);
        ASSERT_NE(image, nullptr);
        EXPECT_EQ(image->ImageRect(), QRect(5, 4, 16, 16));
        EXPECT_GE(image->CaptionRect().left(), 21);
        EXPECT_GE(image->CaptionRect().width(), button->fontMetrics().horizontalAdvance(button->text()));
    }
    EXPECT_EQ(main.LabelHide->geometry(), QRect(8, 0, 249, 21));
    EXPECT_EQ(main.SpeedButtonSwap->iconSize(), QSize(16, 16));
    EXPECT_TRUE(main.SpeedButtonSwap->autoRaise());
    EXPECT_TRUE(main.SpeedButtonSwap->text().isEmpty());

    // Anchors, checked on the visible page (a hidden page is laid out when it is shown).
    main.SetActiveTab(TFormMain::tabRates);
    QCoreApplication::processEvents();
    EXPECT_EQ(main.PanelGo->width() - main.BitBtnRefresh->geometry().right() - 1, 7);
    main.resize(900, 600);
    QCoreApplication::processEvents();
    EXPECT_EQ(main.PanelGo->width() - main.BitBtnRefresh->geometry().right() - 1, 7);
    EXPECT_EQ(main.BitBtnExchange->pos(), QPoint(8, 8));
    main.SetActiveTab(TFormMain::tabSettings);
    QCoreApplication::processEvents();
    const int listBottomGap = main.TabSheetSettings->height() - main.ListBoxHide->geometry().bottom() - 1;
    EXPECT_EQ(main.ListBoxHide->y(), 24);
    main.resize(900, 700);
    QCoreApplication::processEvents();
    EXPECT_EQ(main.TabSheetSettings->height() - main.ListBoxHide->geometry().bottom() - 1, listBottomGap);
    EXPECT_EQ(main.ListBoxHide->width(), 249);

    main.resize(100, 100);
    QCoreApplication::processEvents();
    EXPECT_GE(main.frameGeometry().width(), 568);
    EXPECT_GE(main.frameGeometry().height(), 347);
}

TEST_F(FormMain, EveryControlHasItsNameAndASpokenNameAndRole) {
    TFormMain main;
    main.show();
    const struct {
        const char* Name;
        QAccessible::Role Role;
    } controls[] = {
        {"PageControl", QAccessible::Client},           {"EditNews", QAccessible::EditableText},
        {"ButtonedEditSrc", QAccessible::EditableText}, {"ComboBoxSrc", QAccessible::ComboBox},
        {"SpeedButtonSwap", QAccessible::Button},       {"ButtonedEditDst", QAccessible::EditableText},
        {"ComboBoxDst", QAccessible::ComboBox},         {"DBGridRates", QAccessible::Table},
        {"BitBtnExchange", QAccessible::Button},        {"BitBtnRefresh", QAccessible::Button},
        {"LabelHide", QAccessible::StaticText},         {"ListBoxHide", QAccessible::List},
        {"RichEditURLHelp", QAccessible::StaticText},   {"StatusBar", QAccessible::StatusBar},
    };
    for (const auto& control : controls) {
        auto* widget = main.findChild<QWidget*>(control.Name);
        ASSERT_NE(widget, nullptr) << control.Name;
        QAccessibleInterface* spoken = QAccessible::queryAccessibleInterface(widget);
        ASSERT_NE(spoken, nullptr) << control.Name;
        EXPECT_FALSE(spoken->text(QAccessible::Name).trimmed().isEmpty()) << control.Name;
        EXPECT_EQ(spoken->role(), control.Role) << control.Name;
    }
    for (const char* name : {"TabSheetNews", "TabSheetRates", "TabSheetSettings", "TabSheetManual",
                             "TabSheetInformer", "PanelControls", "PanelGo"}) {
        EXPECT_NE(main.findChild<QWidget*>(name), nullptr) << name;
    }
    EXPECT_NE(main.findChild<QTimer*>("Timer"), nullptr);
    // The tabs themselves are read out from the tab bar, one page tab per visible page.
    QAccessibleInterface* tabs = QAccessible::queryAccessibleInterface(main.PageControl->tabBar());
    ASSERT_NE(tabs, nullptr);
    EXPECT_EQ(tabs->role(), QAccessible::PageTabList);
    ASSERT_GE(tabs->childCount(), 4);
    EXPECT_EQ(tabs->child(1)->text(QAccessible::Name), "Курсы обмена");
    EXPECT_EQ(QAccessible::queryAccessibleInterface(main.ButtonedEditSrc)->text(QAccessible::Name),
              "Сумма, которую вы отдаёте");
    EXPECT_EQ(main.BitBtnExchange->text(), "Обменять");
    EXPECT_EQ(main.BitBtnRefresh->text(), "Обновить");
    EXPECT_EQ(main.LabelHide->text(), "Скрывать ненужные валюты:");
}

TEST_F(FormMain, ASavedFrameBeyondTheScreenComesBackWholeOnItAndStaysStoredUntilTheUserMovesIt) {
    QScreen* screen = QGuiApplication::primaryScreen();
    ASSERT_NE(screen, nullptr);
    // The offscreen platform's one screen (800x800); an 800x600 screen is played by the engine's tests and
    // the headless demo run.
    const QRect area = screen->availableGeometry();
    const struct {
        int X, Y, W, H;
    } saved[] = {
        {1500, 900, 700, 450}, {-2000, 300, 640, 480}, {10, 10, 100000, 100000}, {700, 500, 2000, 50}};
    for (const auto& frame : saved) {
        SCOPED_TRACE(frame.X);
        ConfigWrite(ConfigDoc, "Window/X", frame.X);
        ConfigWrite(ConfigDoc, "Window/Y", frame.Y);
        ConfigWrite(ConfigDoc, "Window/W", frame.W);
        ConfigWrite(ConfigDoc, "Window/H", frame.H);
        TFormMain main;
        main.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&main));
        const QRect shown = main.frameGeometry();
        EXPECT_TRUE(area.contains(shown))
            << shown.x() << "," << shown.y() << " " << shown.width() << "x" << shown.height();
        EXPECT_EQ(shown.width(), std::clamp(frame.W, TFormMain::kMinOuterWidth, area.width()));
        // One run on a smaller screen (or at a larger scale) must not cost the frame kept for the usual one.
        main.close();
        EXPECT_EQ(Stored("Window/X"), std::to_string(frame.X));
        EXPECT_EQ(Stored("Window/W"), std::to_string(frame.W));
        // Moved by the user, the frame is theirs.
        main.show();
        main.move(shown.topLeft() + QPoint(1, 0));
        main.close();
        EXPECT_EQ(Stored("Window/X"), std::to_string(shown.x() + 1));
        EXPECT_EQ(Stored("Window/W"), std::to_string(shown.width()));
    }
    EXPECT_TRUE(BoxTexts.isEmpty()) << BoxTexts.join('|').toStdString();
}

TEST_F(FormMain, ManualLinksGoToTheOpenerAndTheManualLoadsFromTheCurrentFolder) {
    const QString previous = QDir::currentPath();
    { std::ofstream(FDir / "help.rtf") << R"({\rtf1\ansi Kovrin manual: see https://example.org/help\par})"; }
    QDir::setCurrent(QString::fromStdString(FDir.Path().string()));
    TFormMain main;
    QDir::setCurrent(previous);
    EXPECT_TRUE(main.RichEditURLHelp->toPlainText().contains("Kovrin manual")) << "help.rtf was not loaded";
    ASSERT_TRUE(main.RichEditURLHelp->OnURLClick);
    main.RichEditURLHelp->OnURLClick(main.RichEditURLHelp, "https://example.org/help");
    EXPECT_EQ(Opened, QStringList({"https://example.org/help"}));
    EXPECT_TRUE(BoxTexts.isEmpty());
}

TEST_F(FormMain, AManualThatCannotBeReadIsReportedAndStopsTheRestore) {
    const QString previous = QDir::currentPath();
    std::filesystem::create_directory(FDir / "help.rtf"); // exists, but no file can be read from it
    ConfigWrite(ConfigDoc, "Defaults/Tab", 1);
    QDir::setCurrent(QString::fromStdString(FDir.Path().string()));
    TFormMain main;
    QDir::setCurrent(previous);
    ASSERT_EQ(BoxTexts.size(), 1);
    EXPECT_TRUE(BoxTexts[0].endsWith('.')) << BoxTexts[0].toStdString();
    EXPECT_EQ(main.ActiveTab(), TFormMain::tabSettings);
}

} // namespace
