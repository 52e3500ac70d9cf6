#include "ui/RtfDocumentBuilder.h"

#include "engine/LinkFinder.h"
#include "ui/LinkSpans.h"
#include "ui/TextColours.h"

#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

namespace {

// Twips are 1/1440 inch; the document lays out in pixels at 96 dpi.
qreal TwipsToPixels(int twips) {
    return twips / 15.0;
}

Qt::Alignment AlignmentOf(TRtfAlign align) {
    switch (align) {
    case TRtfAlign::Center:
        return Qt::AlignHCenter;
    case TRtfAlign::Right:
        return Qt::AlignRight;
    case TRtfAlign::Justify:
        return Qt::AlignJustify;
    default:
        return Qt::AlignLeft;
    }
}

QTextCharFormat LinkFormat(const QString& href, const QPalette& palette) {
    QTextCharFormat format;
    format.setAnchor(true);
    format.setAnchorHref(href);
    format.setForeground(LinkColour(palette, kLinkColor));
    format.setFontUnderline(true);
    return format;
}

} // namespace

void BuildRtfDocument(const TRtfDocument& Rtf, QTextDocument& Document, const QPalette& Palette) {
    const bool ownColours = !IsDarkPalette(Palette);
    Document.clear();
    QTextCursor cursor(&Document);
    cursor.beginEditBlock();
    bool first = true;
    for (const TRtfParagraph& para : Rtf.Paragraphs) {
        QTextBlockFormat block;
        block.setAlignment(AlignmentOf(para.Align));
        block.setTopMargin(TwipsToPixels(para.SpaceBefore));
        block.setBottomMargin(TwipsToPixels(para.SpaceAfter));
        block.setLeftMargin(TwipsToPixels(para.LeftIndent));
        block.setTextIndent(TwipsToPixels(para.FirstIndent));
        if (first)
            cursor.setBlockFormat(block);
        else
            cursor.insertBlock(block, QTextCharFormat());
        first = false;
        for (const TRtfRun& run : para.Runs) {
            QTextCharFormat format;
            format.setFontWeight(run.Bold ? QFont::Bold : QFont::Normal);
            format.setFontItalic(run.Italic);
            format.setFontUnderline(run.Underline);
            if (run.HalfPoints > 0)
                format.setFontPointSize(run.HalfPoints / 2.0);
            if (run.Color && ownColours)
                format.setForeground(QColor(run.Color->Red, run.Color->Green, run.Color->Blue));
            // A target longer than any address stays plain text, as such a stretch does in FindLinks: each
            // distinct one would cost its whole length in the document's formats.
            if (!run.Link.empty() && run.Link.size() <= kMaxLinkBytes)
                format.merge(LinkFormat(QString::fromStdString(run.Link.Text()), Palette));
            cursor.insertText(QString::fromUtf8(run.Text.data(), static_cast<qsizetype>(run.Text.size())),
                              format);
        }
    }
    cursor.endEditBlock();
}

void MarkDetectedLinks(QTextDocument& Document, const QPalette& Palette) {
    QTextCursor cursor(&Document);
    cursor.beginEditBlock();
    for (QTextBlock block = Document.begin(); block.isValid(); block = block.next()) {
        for (const TLinkSpan& span : FindLinkSpans(block.text())) {
            const int start = block.position() + span.Start;
            cursor.setPosition(start);
            cursor.setPosition(start + span.Length, QTextCursor::KeepAnchor);
            // The format after position start+1 is that of the link's first character.
            QTextCursor probe(&Document);
            probe.setPosition(start + 1);
            if (probe.charFormat().isAnchor())
                continue; // a HYPERLINK field already says where it goes
            cursor.mergeCharFormat(LinkFormat(span.Target, Palette));
        }
    }
    cursor.endEditBlock();
}
