#pragma once
// TRichEditURL: the manual view. A read-only rich-text view that shows an RTF file (or a plain-text one),
// turns HYPERLINK fields and the web, mail and other links in its text into links, and reports a left-button
// press on a link through OnURLClick. It opens nothing itself.

#include <QString>
#include <QTextBrowser>
#include <functional>
#include <optional>

class QByteArray;

class TRichEditURL : public QTextBrowser {
    Q_OBJECT

  public:
    // Read-only, vertical scroll bar only, wrapped at the widget's edge, Verdana 8 pt (or the system's sans).
    explicit TRichEditURL(QWidget* Parent = nullptr);

    // Called when the left button goes down on a link, with the control and the link's target. Anything it
    // throws is dropped.
    std::function<void(QObject* Sender, const QString& URL)> OnURLClick;

    // Shows a file: as RTF, or when that fails, as plain text decoded by its byte-order mark (UTF-16 LE,
    // UTF-16 BE, UTF-8) or without one as Windows-1251; then makes the links in its text clickable and wraps
    // it as WrapModeFor says. Throws std::runtime_error("Failed to Load Stream") when neither reading works,
    // and std::runtime_error naming the file when it cannot be read at all; the view is left unchanged then.
    void LoadFromFile(const QString& FileName);

  protected:
    void mousePressEvent(QMouseEvent* Event) override;
};

// Decodes a plain-text file's bytes by its byte-order mark (UTF-16 LE, UTF-16 BE, UTF-8; the mark is not part
// of the text) or, without one, as Windows-1251. nullopt when the bytes are not text of that encoding:
// malformed UTF-8 or UTF-16, an odd number of UTF-16 bytes, or a NUL character. Never throws (but
// std::bad_alloc).
std::optional<QString> DecodePlainText(const QByteArray& Bytes);
