// Qt's own texts in the window's language, and colours that stay readable on a dark desktop theme.
#include "rtf/RtfReader.h"
#include "tests/ui/RatesTabFixture.h"
#include "ui/NewsView.h"
#include "ui/QtTranslations.h"
#include "ui/RtfDocumentBuilder.h"
#include "ui/TextColours.h"

#include <QApplication>
#include <QLineEdit>
#include <QTest>
#include <QTextBlock>
#include <QTextDocument>
#include <QTranslator>
#include <gtest/gtest.h>

#include <memory>

namespace {

TEST(QtTranslations, StandardButtonsAndEditMenusSpeakRussian) {
    QTranslator* translator = InstallQtTranslations(*qApp);
    ASSERT_NE(translator, nullptr) << "qtbase_ru not found (package qt6-translations-l10n)";
    // Standard buttons (Qt's Russian keeps "OK" as it is) and a line edit's context menu.
    EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "Cancel"), QStringLiteral("Отмена"));
    EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "Close"), QStringLiteral("Закрыть"));
    EXPECT_EQ(QCoreApplication::translate("QLineEdit", "&Copy"), QStringLiteral("&Копировать"));
    QCoreApplication::removeTranslator(translator);
    delete translator;
    EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "Cancel"), QStringLiteral("Cancel"));
}

QPalette Dark() {
    QPalette palette;
    palette.setColor(QPalette::Base, QColor(30, 30, 30));
    palette.setColor(QPalette::Text, QColor(230, 230, 230));
    palette.setColor(QPalette::Link, QColor(120, 170, 255));
    palette.setColor(QPalette::LinkVisited, QColor(200, 150, 255));
    return palette;
}

QPalette Light() {
    QPalette palette;
    palette.setColor(QPalette::Base, Qt::white);
    palette.setColor(QPalette::Text, Qt::black);
    return palette;
}

TEST(TextColours, TheNamedLinkColoursHoldOnLightPalettesAndThePalettesOnDarkOnes) {
    EXPECT_FALSE(IsDarkPalette(Light()));
    EXPECT_TRUE(IsDarkPalette(Dark()));
    EXPECT_EQ(LinkColour(Light(), QColor(0, 0, 255)), QColor(0, 0, 255));
    EXPECT_EQ(LinkColour(Dark(), QColor(0, 0, 255)), QColor(120, 170, 255));
    EXPECT_EQ(LinkColour(Dark(), QColor(128, 0, 128), true), QColor(200, 150, 255));
}

TEST(TextColours, NewsLinksFollowTheViewsPalette) {
    TNewsView view;
    view.setPalette(Light());
    view.SetNewsText(QStringLiteral("see http://a.example/x"));
    const auto colourOfLink = [&] {
        const QTextBlock block = view.document()->firstBlock();
        for (const QTextLayout::FormatRange& range : block.layout()->formats()) {
            return range.format.foreground().color();
        }
        return QColor();
    };
    EXPECT_EQ(colourOfLink(), TURIHighlighter::kLinkColor);
    view.setPalette(Dark());
    EXPECT_EQ(colourOfLink(), QColor(120, 170, 255));
}

TEST(TextColours, TheManualKeepsItsOwnColoursOnlyOnALightPalette) {
    const TRtfReadResult rtf =
        ReadRtf(R"({\rtf1{\colortbl;\red0\green51\blue102;}\cf1 Title\par)"
                R"({\field{\*\fldinst HYPERLINK "http://x.example/"}{\fldrslt here}}})");
    ASSERT_TRUE(rtf);
    const auto colourAt = [](const QTextDocument& document, int position) {
        QTextCursor cursor(const_cast<QTextDocument*>(&document));
        cursor.setPosition(position + 1);
        return cursor.charFormat().foreground();
    };
    QTextDocument light;
    BuildRtfDocument(rtf.Document, light, Light());
    EXPECT_EQ(colourAt(light, 0).color(), QColor(0, 51, 102));
    EXPECT_EQ(colourAt(light, light.toPlainText().indexOf("here")).color(), kLinkColor);
    QTextDocument dark;
    BuildRtfDocument(rtf.Document, dark, Dark());
    EXPECT_EQ(colourAt(dark, 0).style(), Qt::NoBrush); // the view's own text colour
    EXPECT_EQ(colourAt(dark, dark.toPlainText().indexOf("here")).color(), QColor(120, 170, 255));
}

// A dark theme that set the field and text colours but kept a light palette's grey placeholder.
QPalette DarkWithLightPlaceholder() {
    QPalette palette = Dark();
    palette.setColor(QPalette::PlaceholderText, QColor(0, 0, 0, 128));
    return palette;
}

class PlaceholderText : public TRatesTabTest {};

TEST_F(PlaceholderText, ReadsOnADarkThemeAndAThemesOwnReadableColourStays) {
    EXPECT_EQ(PlaceholderColour(Light()), Light().color(QPalette::PlaceholderText));
    const QColor mended = PlaceholderColour(DarkWithLightPlaceholder());
    const int base = QColor(30, 30, 30).lightness();
    EXPECT_GT(mended.lightness(), base + 80) << mended.name().toStdString();
    EXPECT_LT(mended.lightness(), QColor(230, 230, 230).lightness()); // still fainter than typed text

    // The amount fields take it from the theme the window opens in.
    const QPalette before = QApplication::palette();
    QApplication::setPalette(DarkWithLightPlaceholder());
    Open();
    QApplication::setPalette(before);
    EXPECT_EQ(Main->ButtonedEditSrc->palette().color(QPalette::PlaceholderText), mended);
}

} // namespace
