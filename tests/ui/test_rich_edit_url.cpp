#include "engine/LinkFinder.h"
#include "tests/support/FifoRescuer.h"
#include "tests/support/HangBudget.h"
#include "tests/support/ResidentMeter.h"
#include "tests/support/TempDir.h"
#include "tests/ui/TextViewTesting.h"
#include "ui/RichEditURL.h"

#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <QTextBlock>
#include <gtest/gtest.h>
#include <stdexcept>
#include <sys/stat.h>

namespace {

const QString kRtfSamples = QStringLiteral(KOVRIN_SOURCE_DIR "/tests/ui/rtf/");

struct TClick {
    QObject* Sender = nullptr;
    QString Url;
    QString Selected; // the view's selection when it reported the click
};

class RichEditURLTest : public testing::Test {
  protected:
    void SetUp() override {
        View.resize(500, 300);
        View.OnURLClick = [this](QObject* sender, const QString& url) {
            Clicks.push_back({sender, url, View.textCursor().selectedText()});
        };
    }

    void Show() {
        View.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&View));
    }

    // Loads Bytes written to a temporary file.
    void LoadBytes(const std::string& bytes) {
        WriteFileBytes(Dir / "file.rtf", bytes);
        View.LoadFromFile(QString::fromStdString((Dir / "file.rtf").string()));
    }

    QPoint At(const QString& text, int offset = 1) {
        return CharCenter(View, PositionOf(*View.document(), text) + offset);
    }

    TTempDir Dir;
    TRichEditURL View;
    std::vector<TClick> Clicks;
};

// Character format at the first character of Text.
QTextCharFormat FormatOf(const QTextDocument& doc, const QString& text) {
    QTextCursor cursor(const_cast<QTextDocument*>(&doc));
    cursor.setPosition(PositionOf(doc, text) + 1);
    return cursor.charFormat();
}

TEST_F(RichEditURLTest, IsAReadOnlyViewThatOpensNothingItself) {
    EXPECT_TRUE(View.isReadOnly());
    EXPECT_FALSE(View.openLinks());
    EXPECT_FALSE(View.openExternalLinks());
    EXPECT_EQ(View.horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
    EXPECT_EQ(View.lineWrapMode(), QTextEdit::WidgetWidth);
    EXPECT_EQ(View.font().pointSize(), 8);
}

TEST_F(RichEditURLTest, RtfFormattingReachesTheDocument) {
    View.LoadFromFile(kRtfSamples + "wordpad-1251.rtf");
    const QTextDocument& doc = *View.document();
    EXPECT_EQ(doc.toPlainText(), QStringLiteral("Обмен\nСовет: сервис www.kovrin.example.com"));
    const QTextCharFormat heading = FormatOf(doc, "Обмен");
    EXPECT_EQ(heading.fontWeight(), QFont::Bold);
    EXPECT_DOUBLE_EQ(heading.fontPointSize(), 16.0);
    const QTextCharFormat tip = FormatOf(doc, "Совет");
    EXPECT_TRUE(tip.fontItalic());
    EXPECT_EQ(tip.foreground().color(), QColor(192, 0, 0));
    const QTextCharFormat field = FormatOf(doc, "сервис");
    EXPECT_TRUE(field.isAnchor());
    EXPECT_EQ(field.anchorHref(), "http://127.0.0.1:8765");
    const QTextCharFormat detected = FormatOf(doc, "www.kovrin");
    EXPECT_TRUE(detected.isAnchor());
    EXPECT_EQ(detected.anchorHref(), "http://www.kovrin.example.com");
    EXPECT_FALSE(FormatOf(doc, ": ").isAnchor());

    View.LoadFromFile(kRtfSamples + "word-unicode.rtf");
    EXPECT_EQ(View.document()->toPlainText(), QStringLiteral("Заголовок\nПод — mail support@kovrin.example"));
    EXPECT_EQ(View.document()->begin().blockFormat().alignment(), Qt::AlignHCenter);
    EXPECT_TRUE(FormatOf(*View.document(), "Под").fontUnderline());
    EXPECT_EQ(FormatOf(*View.document(), "support@").anchorHref(), "mailto:support@kovrin.example");
}

TEST_F(RichEditURLTest, PlainTextFallbackByByteOrderMark) {
    const QString expected = QStringLiteral("Курс http://a.example/x");
    const QByteArray utf8 = expected.toUtf8();
    QByteArray le("\xFF\xFE", 2), be("\xFE\xFF", 2);
    for (const QChar c : expected) {
        le.append(static_cast<char>(c.unicode() & 0xFF)).append(static_cast<char>(c.unicode() >> 8));
        be.append(static_cast<char>(c.unicode() >> 8)).append(static_cast<char>(c.unicode() & 0xFF));
    }
    const std::vector<std::pair<const char*, QByteArray>> files{
        {"utf16le", le},
        {"utf16be", be},
        {"utf8", QByteArray("\xEF\xBB\xBF") + utf8},
        {"cp1251", QByteArray("\xCA\xF3\xF0\xF1 http://a.example/x")},
    };
    for (const auto& [name, bytes] : files) {
        LoadBytes(bytes.toStdString());
        EXPECT_EQ(View.document()->toPlainText(), expected) << name;
        EXPECT_EQ(FormatOf(*View.document(), "http").anchorHref(), "http://a.example/x") << name;
    }
    // A damaged RTF file is not lost: its text shows as it stands.
    LoadBytes("{\\rtf1 \\b unclosed http://a.example/y");
    EXPECT_EQ(View.document()->toPlainText(), "{\\rtf1 \\b unclosed http://a.example/y");
    EXPECT_EQ(FormatOf(*View.document(), "http").anchorHref(), "http://a.example/y");
}

TEST_F(RichEditURLTest, UnreadableFilesFailAndLeaveTheViewAlone) {
    View.setPlainText("before");
    const std::vector<std::pair<const char*, std::string>> broken{
        {"bad utf8", "\xEF\xBB\xBF\x61\xFF\xFE"},
        {"odd utf16", std::string("\xFF\xFE\x41\x00\x42", 5)},
        {"lone surrogate", std::string("\xFF\xFE\x00\xD8\x41\x00", 6)},
        {"binary", std::string("ab\0cd", 5)},
    };
    for (const auto& [name, bytes] : broken) {
        try {
            LoadBytes(bytes);
            ADD_FAILURE() << name << " loaded";
        } catch (const std::runtime_error& e) {
            EXPECT_STREQ(e.what(), "Failed to Load Stream") << name;
        }
        EXPECT_EQ(View.toPlainText(), "before") << name;
    }
    EXPECT_THROW(View.LoadFromFile(QString::fromStdString((Dir / "missing.rtf").string())),
                 std::runtime_error);
    EXPECT_EQ(View.toPlainText(), "before");
}

TEST_F(RichEditURLTest, AFifoIsNeitherReadNorWaitedOn) {
    View.setPlainText("before");
    ASSERT_EQ(mkfifo((Dir / "help.rtf").c_str(), 0600), 0);
    TFifoRescuer rescuer(Dir / "help.rtf");
    try {
        View.LoadFromFile(QString::fromStdString((Dir / "help.rtf").string()));
        ADD_FAILURE() << "a FIFO loaded";
    } catch (const std::runtime_error& e) {
        EXPECT_NE(std::string(e.what()).find("a FIFO"), std::string::npos) << e.what();
    }
    EXPECT_FALSE(rescuer.Done()) << "the view waited for a writer";
    EXPECT_EQ(View.toPlainText(), "before");
}

TEST_F(RichEditURLTest, LeftPressOnALinkReportsItAtOnce) {
    LoadBytes(
        "{\\rtf1 Go to {\\field{\\*\\fldinst HYPERLINK \"http://127.0.0.1:8765\"}{\\fldrslt the service}}"
        " or write to bob@mail.example today.}");
    Show();
    QTest::mousePress(View.viewport(), Qt::LeftButton, {}, At("the service", 4));
    ASSERT_EQ(Clicks.size(), 1u); // on the press, before any release
    EXPECT_EQ(Clicks[0].Sender, &View);
    EXPECT_EQ(Clicks[0].Url, "http://127.0.0.1:8765");
    EXPECT_EQ(Clicks[0].Selected, "the service"); // selected before it is opened, and it stays so
    EXPECT_EQ(View.textCursor().selectedText(), "the service");
    QTest::mouseRelease(View.viewport(), Qt::LeftButton, {}, At("today")); // released elsewhere: still counts
    EXPECT_EQ(Clicks.size(), 1u);

    QTest::mouseClick(View.viewport(), Qt::LeftButton, {}, At("bob@", 2));
    ASSERT_EQ(Clicks.size(), 2u);
    EXPECT_EQ(Clicks[1].Url, "mailto:bob@mail.example");
    EXPECT_EQ(Clicks[1].Selected, "bob@mail.example");
}

TEST_F(RichEditURLTest, OtherButtonsPlainTextAndDoubleClicksReportNothing) {
    LoadBytes("{\\rtf1 Plain words http://a.example/page}");
    Show();
    const QPoint link = At("http", 5);
    QTest::mouseClick(View.viewport(), Qt::RightButton, {}, link);
    QTest::mouseClick(View.viewport(), Qt::MiddleButton, {}, link);
    QTest::mouseClick(View.viewport(), Qt::LeftButton, {}, At("words"));
    EXPECT_TRUE(Clicks.empty());
    QMouseEvent doubleClick(QEvent::MouseButtonDblClick, link, View.viewport()->mapToGlobal(link),
                            Qt::LeftButton, Qt::LeftButton, {});
    QApplication::sendEvent(View.viewport(), &doubleClick);
    EXPECT_TRUE(Clicks.empty());
    QTest::mouseClick(View.viewport(), Qt::LeftButton, {}, link);
    EXPECT_EQ(Clicks.size(), 1u);
}

TEST_F(RichEditURLTest, AThrowingHandlerIsDroppedAndTheViewKeepsWorking) {
    LoadBytes("{\\rtf1 http://a.example/page and more text\\par second line}");
    Show();
    int calls = 0;
    View.OnURLClick = [&](QObject*, const QString&) {
        ++calls;
        throw std::runtime_error("handler failed");
    };
    const QPoint link = At("http", 5);
    EXPECT_NO_THROW(QTest::mouseClick(View.viewport(), Qt::LeftButton, {}, link));
    View.OnURLClick = [&](QObject*, const QString&) {
        ++calls;
        throw 42; // not even an exception class
    };
    EXPECT_NO_THROW(QTest::mouseClick(View.viewport(), Qt::LeftButton, {}, link));
    View.OnURLClick = [&](QObject*, const QString& url) {
        ++calls;
        Clicks.push_back({nullptr, url, {}});
    };
    QTest::mouseClick(View.viewport(), Qt::LeftButton, {}, link);
    EXPECT_EQ(calls, 3);
    ASSERT_EQ(Clicks.size(), 1u);
    EXPECT_EQ(Clicks[0].Url, "http://a.example/page");
}

TEST_F(RichEditURLTest, TheManualLoadsWithHeadingsAndLinks) {
    View.LoadFromFile(QStringLiteral(KOVRIN_SOURCE_DIR "/data/help.rtf"));
    const QTextDocument& doc = *View.document();
    const QString text = doc.toPlainText();
    for (const char* word : {"Обменник", "Отдаёте", "Получаете", "Резерв", "BL", "Ctrl+F", "Обменять",
                             "Выход", "Настройки", "адрес сервиса курсов"})
        EXPECT_TRUE(text.contains(QString::fromUtf8(word))) << word;
    EXPECT_FALSE(text.contains('\\')) << "control words leaked into the text";

    QStringList hrefs;
    int headings = 0;
    for (QTextBlock block = doc.begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextCharFormat format = it.fragment().charFormat();
            if (format.isAnchor() && !hrefs.contains(format.anchorHref()))
                hrefs << format.anchorHref();
        }
        const QTextCharFormat first =
            block.begin().atEnd() ? QTextCharFormat() : block.begin().fragment().charFormat();
        if (first.fontWeight() == QFont::Bold && first.fontPointSize() >= 12)
            ++headings;
    }
    EXPECT_TRUE(hrefs.contains("http://127.0.0.1:8765")) << hrefs.join(' ').toStdString();
    EXPECT_TRUE(hrefs.contains("mailto:support@kovrin.example")) << hrefs.join(' ').toStdString();
    EXPECT_GE(headings, 5);
}

TEST_F(RichEditURLTest, LongLinkTargetsCostNeitherTimeNorMemoryOutOfProportion) {
    // A megabyte of target shown by a thousand runs, once shared and once growing inside open quotes: a
    // target that long is no address, and stays text. One just short of the bound is still a link.
    const std::string target = "http://x/" + std::string(1'000'000, 'A');
    const std::string open = "{\\rtf1{\\field{\\*\\fldinst HYPERLINK \"" + target;
    std::string shared = open + "\"}";
    std::string growing = open + "}";
    for (int i = 0; i < 1000; ++i) {
        shared += "{\\fldrslt x}y";
        growing += "{\\fldrslt x}{\\*\\fldinst A}";
    }
    for (const std::string& rtf : {shared + "}}", growing + "}}"}) {
        std::size_t peak = 0;
        EXPECT_LT(LeastSeconds(1, [&] { peak = PeakResidentGrowth([&] { LoadBytes(rtf); }); }),
                  kViewHangBudgetSeconds);
        EXPECT_LT(peak, std::size_t(400) << 20); // each run's own target took 2 GB
        EXPECT_EQ(View.toPlainText().count('x'), 1000);
        EXPECT_FALSE(FormatOf(*View.document(), "x").isAnchor());
    }
    const std::string longest = "http://x/" + std::string(kMaxLinkBytes - 9, 'A');
    LoadBytes("{\\rtf1{\\field{\\*\\fldinst HYPERLINK \"" + longest + "\"}{\\fldrslt x}}}");
    EXPECT_EQ(FormatOf(*View.document(), "x").anchorHref(), QString::fromStdString(longest));
}

TEST_F(RichEditURLTest, AManualLineWithoutBreakPointsWrapsAnywhere) {
    Show();
    EXPECT_LT(LeastSeconds(1,
                           [&] {
                               LoadBytes("{\\rtf1 " + std::string(1000000, 'x') + "}");
                               View.grab(); // lays out and paints what shows
                           }),
              kViewHangBudgetSeconds);
    EXPECT_EQ(View.wordWrapMode(), QTextOption::WrapAnywhere);
    EXPECT_GT(View.document()->firstBlock().layout()->lineCount(), 1);
    View.LoadFromFile(kRtfSamples + "wordpad-1251.rtf");
    EXPECT_EQ(View.wordWrapMode(), QTextOption::WrapAtWordBoundaryOrAnywhere);
}

} // namespace
