#include "tests/support/HangBudget.h"
#include "tests/ui/TextViewTesting.h"
#include "ui/NewsView.h"

#include <QTest>
#include <QTextBlock>
#include <QTextLayout>
#include <gtest/gtest.h>

namespace {

const QString kNews = QStringLiteral("Курсы: http://a.example/rates/today\n"
                                     "www.kovrin.example.com и почта bob@mail.example\n"
                                     "ftp://files.example/x и снова http://a.example/rates/today\n"
                                     "просто текст без ссылок");

class NewsViewTest : public testing::Test {
  protected:
    void SetUp() override {
        View.resize(600, 300);
        View.SetNewsText(kNews);
        View.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&View));
    }

    QPoint At(const QString& text, int offset) const {
        return CharCenter(View, PositionOf(*View.document(), text) + offset);
    }

    void Click(QPoint press, QPoint release, Qt::MouseButton button = Qt::LeftButton) {
        QTest::mousePress(View.viewport(), button, {}, press);
        QTest::mouseRelease(View.viewport(), button, {}, release);
    }

    // Foreground colour the highlighter gives the character at document position Pos.
    QColor ColourAt(int pos) const {
        const QTextBlock block = View.document()->findBlock(pos);
        const int inBlock = pos - block.position();
        for (const QTextLayout::FormatRange& range : block.layout()->formats())
            if (inBlock >= range.start && inBlock < range.start + range.length)
                return range.format.foreground().color();
        return {};
    }

    TRecordingOpener Opener;
    TNewsView View;
};

TEST_F(NewsViewTest, ShowsTheNewsAsAReadOnlyViewWithAGutter) {
    EXPECT_EQ(View.objectName(), "EditNews");
    EXPECT_EQ(View.accessibleName(), QStringLiteral("Последние новости"));
    EXPECT_TRUE(View.isReadOnly());
    EXPECT_EQ(View.textInteractionFlags(), Qt::NoTextInteraction);
    EXPECT_EQ(View.viewport()->geometry().left() - View.contentsRect().left(), TNewsView::kGutterWidth);
    EXPECT_EQ(View.font().pointSize(), 10);
    EXPECT_EQ(View.toPlainText(), kNews);
    View.SetNewsText("другое");
    EXPECT_EQ(View.toPlainText(), "другое");
}

TEST_F(NewsViewTest, AClickOpensOnlyWhenThePointerStayedWithinFourPixels) {
    struct TCase {
        QPoint Move;
        bool Opens;
    };
    for (const TCase& c :
         {TCase{{0, 0}, true}, TCase{{4, 4}, true}, TCase{{-4, -4}, true}, TCase{{4, -4}, true},
          TCase{{5, 0}, false}, TCase{{0, 5}, false}, TCase{{-5, 0}, false}, TCase{{0, -5}, false}}) {
        Opener.Opened.clear();
        const QPoint press = At("http://a.example", 12);
        Click(press, press + c.Move);
        EXPECT_EQ(Opener.Opened.size(), c.Opens ? 1 : 0) << c.Move.x() << "," << c.Move.y();
    }
}

TEST_F(NewsViewTest, TargetsGetTheirPrefixWhileTheVisitedListKeepsTheTextAsShown) {
    Click(At("www.kovrin", 5), At("www.kovrin", 5));
    Click(At("bob@", 3), At("bob@", 3));
    Click(At("ftp://", 8), At("ftp://", 8));
    Click(At("http://a.example", 8), At("http://a.example", 8));
    EXPECT_EQ(Opener.Opened, (QStringList{"http://www.kovrin.example.com", "mailto:bob@mail.example",
                                          "ftp://files.example/x", "http://a.example/rates/today"}));
    EXPECT_EQ(View.URIOpener().Visited(),
              (QStringList{"bob@mail.example", "ftp://files.example/x", "http://a.example/rates/today",
                           "www.kovrin.example.com"}));
    // Opening a link again opens it again but lists it once.
    Click(At("bob@", 3), At("bob@", 3));
    EXPECT_EQ(Opener.Opened.size(), 5);
    EXPECT_EQ(View.URIOpener().Visited().size(), 4);
}

TEST_F(NewsViewTest, NothingOpensOffLinksInTheGutterOrWithOtherButtons) {
    const QPoint link = At("http://a.example", 12);
    Click(link, link, Qt::RightButton);
    Click(link, link, Qt::MiddleButton);
    Click(At("просто", 2), At("просто", 2));
    Click(At("Курсы", 1), At("Курсы", 1));
    // Right of the end of a short line is not on its text, though the line holds a link.
    const QPoint lineEnd = At("ftp://", 0);
    Click(QPoint(590, At("www.kovrin", 1).y()), QPoint(590, At("www.kovrin", 1).y()));
    // Pressed on a link that starts its line, released over the gutter within the four pixels.
    const QPoint lineStart = At("www.kovrin", 0);
    Click(QPoint(3, lineStart.y()), QPoint(-1, lineStart.y()));
    EXPECT_TRUE(Opener.Opened.isEmpty()) << Opener.Opened.join(' ').toStdString();
    EXPECT_TRUE(View.URIOpener().Visited().isEmpty());
    // The same link opens from a press and release just inside the text.
    Click(QPoint(lineEnd.x() + 1, lineEnd.y()), QPoint(lineEnd.x() + 1, lineEnd.y()));
    EXPECT_EQ(Opener.Opened, QStringList{"ftp://files.example/x"});
}

TEST_F(NewsViewTest, ADoubleClickOpensOnce) {
    // What a real double-click delivers: press, release, double-click (in place of the second press),
    // release.
    const QPoint link = At("bob@", 3);
    Click(link, link);
    QTest::mouseDClick(View.viewport(), Qt::LeftButton, {}, link);
    QTest::mouseRelease(View.viewport(), Qt::LeftButton, {}, link);
    EXPECT_EQ(Opener.Opened, QStringList{"mailto:bob@mail.example"});
}

TEST_F(NewsViewTest, OpenedLinksTurnPurpleEverywhereForTheRun) {
    const int first = PositionOf(*View.document(), "http://a.example");
    const int second = View.document()->find("http://a.example", first + 1).selectionStart();
    const int www = PositionOf(*View.document(), "www.kovrin");
    EXPECT_EQ(ColourAt(first), TURIHighlighter::kLinkColor);
    EXPECT_EQ(ColourAt(second), TURIHighlighter::kLinkColor);
    EXPECT_FALSE(ColourAt(PositionOf(*View.document(), "просто")).isValid());

    Click(At("http://a.example", 8), At("http://a.example", 8));
    EXPECT_EQ(ColourAt(first), TURIHighlighter::kVisitedColor);
    EXPECT_EQ(ColourAt(second), TURIHighlighter::kVisitedColor);
    EXPECT_EQ(ColourAt(www), TURIHighlighter::kLinkColor);

    // New news keeps the list: the same link shows visited at once.
    View.SetNewsText("Снова: http://a.example/rates/today и http://b.example");
    EXPECT_EQ(ColourAt(PositionOf(*View.document(), "http://a.")), TURIHighlighter::kVisitedColor);
    EXPECT_EQ(ColourAt(PositionOf(*View.document(), "http://b.")), TURIHighlighter::kLinkColor);

    // Another run (a new view) starts with an empty list.
    TNewsView fresh;
    fresh.SetNewsText("http://a.example/rates/today");
    EXPECT_TRUE(fresh.URIOpener().Visited().isEmpty());
}

TEST_F(NewsViewTest, AMegabyteLineWithoutBreakPointsWrapsAnywhereAndHoldsNoLink) {
    for (const QString& line : {QStringLiteral("www.").repeated(250000), QString(1000000, u'x')}) {
        EXPECT_LT(LeastSeconds(1,
                               [&] {
                                   View.SetNewsText(line);
                                   View.grab(); // lays out and paints what shows
                               }),
                  kViewHangBudgetSeconds)
            << line.left(8).toStdString();
        EXPECT_EQ(View.wordWrapMode(), QTextOption::WrapAnywhere);
        const QTextLayout* layout = View.document()->firstBlock().layout();
        EXPECT_GT(layout->lineCount(), 1);
        EXPECT_TRUE(layout->formats().isEmpty()); // far too long to be a link
    }
    // Ordinary news wraps at word boundaries again, with its links.
    View.SetNewsText(kNews);
    EXPECT_EQ(View.wordWrapMode(), QTextOption::WrapAtWordBoundaryOrAnywhere);
    EXPECT_EQ(ColourAt(PositionOf(*View.document(), "www.kovrin")), TURIHighlighter::kLinkColor);
}

TEST_F(NewsViewTest, HandPointerOverLinksOnlyWithFocus) {
    View.activateWindow();
    if (!QTest::qWaitForWindowActive(&View))
        GTEST_SKIP() << "this platform activates no test windows";
    // A click on the text gives the view the focus, as for a user.
    Click(At("просто", 2), At("просто", 2));
    ASSERT_TRUE(View.hasFocus());
    QTest::mouseMove(View.viewport(), At("bob@", 3));
    EXPECT_EQ(View.viewport()->cursor().shape(), Qt::PointingHandCursor);
    QTest::mouseMove(View.viewport(), At("просто", 2));
    EXPECT_EQ(View.viewport()->cursor().shape(), Qt::ArrowCursor);
    View.clearFocus();
    QTest::mouseMove(View.viewport(), At("bob@", 4));
    EXPECT_EQ(View.viewport()->cursor().shape(), Qt::ArrowCursor);
}

TEST_F(NewsViewTest, TabSelectsEachLinkInTurnAndEnterOpensTheSelectedOne) {
    View.activateWindow();
    if (!QTest::qWaitForWindowActive(&View))
        GTEST_SKIP() << "this platform activates no test windows";
    QStringList walk;
    for (const QChar step : QStringLiteral(">>>>>><<")) { // the sixth Tab leaves the view, nothing selected
        QTest::keyClick(&View, step == '>' ? Qt::Key_Tab : Qt::Key_Backtab);
        walk << (View.SelectedLink() ? View.SelectedLink()->Text.left(3) : "-");
    }
    EXPECT_EQ(walk.join(' '), "htt www bob ftp htt - htt ftp");
    QTest::keyClick(&View, Qt::Key_Return);
    EXPECT_EQ(Opener.Opened, QStringList{"ftp://files.example/x"});
}

} // namespace
