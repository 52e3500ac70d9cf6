#include "ui/RichEditURL.h"

#include <QTextBlock>
#include <QTextCursor>
#include <QTextFragment>

#include "rtf/RtfCodePage.h"
#include "rtf/RtfReader.h"
#include "settings/RegularFile.h"
#include "ui/Fonts.h"
#include "ui/LineWrap.h"
#include "ui/RtfDocumentBuilder.h"

#include <QFile>
#include <QMouseEvent>
#include <QStringDecoder>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextFragment>
#include <stdexcept>

TRichEditURL::TRichEditURL(QWidget* Parent) : QTextBrowser(Parent) {
    setReadOnly(true);
    setOpenLinks(false);
    setOpenExternalLinks(false);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setLineWrapMode(QTextEdit::WidgetWidth);
    setFont(DesignFont(QStringLiteral("Verdana"), 8, QFont::SansSerif));
}

void TRichEditURL::LoadFromFile(const QString& FileName) {
    // Only a regular file, opened without blocking: a FIFO of that name must not hold the window.
    std::string bytes;
    std::string error;
    switch (ReadRegularFile(QFile::encodeName(FileName).toStdString(), bytes, error)) {
    case TFileRead::Read:
        break;
    case TFileRead::Missing:
        throw std::runtime_error(
            QStringLiteral("Cannot open file \"%1\". No such file or directory").arg(FileName).toStdString());
    case TFileRead::NotRegular:
        throw std::runtime_error(QStringLiteral("Cannot open file \"%1\". Not a regular file (%2).")
                                     .arg(FileName, QString::fromStdString(error))
                                     .toStdString());
    case TFileRead::Failed:
        throw std::runtime_error(QStringLiteral("Cannot open file \"%1\". %2")
                                     .arg(FileName, QString::fromStdString(error))
                                     .toStdString());
    }

    const TRtfReadResult rtf = ReadRtf(bytes);
    std::optional<QString> text;
    if (!rtf) {
        text = DecodePlainText(QByteArray::fromRawData(bytes.data(), static_cast<qsizetype>(bytes.size())));
        if (!text)
            throw std::runtime_error("Failed to Load Stream");
    }
    // Wrapping anywhere, any text lays out in linear time; once the text is in, it decides the mode it keeps.
    clear();
    setWordWrapMode(QTextOption::WrapAnywhere);
    if (rtf)
        BuildRtfDocument(rtf.Document, *document(), palette());
    else
        setPlainText(*text);
    MarkDetectedLinks(*document(), palette());
    setWordWrapMode(WrapModeFor(document()->toPlainText()));
    moveCursor(QTextCursor::Start);
}

namespace {

// The link at At as a selection: the run of characters around it that carry the anchor Href (a link may
// span several formats).
QTextCursor LinkRange(const QTextCursor& At, const QString& Href) {
    const int position = At.position();
    int start = -1;
    int end = -1;
    for (QTextBlock::iterator it = At.block().begin(); !it.atEnd(); ++it) {
        const QTextFragment fragment = it.fragment();
        const int from = fragment.position();
        const int to = from + fragment.length();
        if (fragment.charFormat().anchorHref() != Href) {
            if (start >= 0 && start <= position && position <= end)
                break; // the run that holds the press has ended
            start = -1;
            continue;
        }
        if (start < 0 || from != end)
            start = from;
        end = to;
    }
    QTextCursor range(At);
    if (start >= 0 && start <= position && position <= end) {
        range.setPosition(start);
        range.setPosition(end, QTextCursor::KeepAnchor);
    }
    return range;
}

} // namespace

void TRichEditURL::mousePressEvent(QMouseEvent* Event) {
    QTextBrowser::mousePressEvent(Event);
    if (Event->button() != Qt::LeftButton)
        return;
    // A faulty handler must not take the view down with it, nor leave the press half handled.
    try {
        const QPoint at = Event->position().toPoint();
        const QString url = anchorAt(at);
        if (url.isEmpty())
            return;
        // The link is selected before it is reported (and opened), as the news view's opener shows it.
        setTextCursor(LinkRange(cursorForPosition(at), url));
        if (OnURLClick)
            OnURLClick(this, url);
    } catch (...) {
    }
}

namespace {

bool HasOnlyPairedSurrogates(const QString& text) {
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate())
            ++i;
        else if (text[i].isSurrogate())
            return false;
    }
    return true;
}

} // namespace

std::optional<QString> DecodePlainText(const QByteArray& Bytes) {
    struct TBom {
        QByteArrayView Mark;
        QStringConverter::Encoding Encoding;
    };
    static const TBom kBoms[] = {
        {QByteArrayView("\xFF\xFE", 2), QStringConverter::Utf16LE},
        {QByteArrayView("\xFE\xFF", 2), QStringConverter::Utf16BE},
        {QByteArrayView("\xEF\xBB\xBF", 3), QStringConverter::Utf8},
    };
    QString text;
    bool decoded = false;
    for (const TBom& bom : kBoms) {
        if (!Bytes.startsWith(bom.Mark))
            continue;
        const QByteArrayView body = QByteArrayView(Bytes).sliced(bom.Mark.size());
        const bool utf16 = bom.Encoding != QStringConverter::Utf8;
        if (utf16 && body.size() % 2 != 0)
            return std::nullopt; // a character cut in half
        QStringDecoder decoder(bom.Encoding, QStringConverter::Flag::Stateless);
        text = decoder.decode(body);
        // Qt's UTF-16 decoder passes unpaired surrogates through; they are not text either.
        if (decoder.hasError() || (utf16 && !HasOnlyPairedSurrogates(text)))
            return std::nullopt;
        decoded = true;
        break;
    }
    if (!decoded) {
        std::string utf8;
        utf8.reserve(static_cast<std::size_t>(Bytes.size()));
        for (const char c : Bytes)
            utf8 += CodePageByteToUtf8(1251, static_cast<unsigned char>(c));
        text = QString::fromStdString(utf8);
    }
    if (text.contains(QChar(u'\0')))
        return std::nullopt; // binary data, not text
    return text;
}
