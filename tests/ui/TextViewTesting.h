#pragma once
// Helpers for the text-view tests: where a character is drawn, and a recording link opener.

#include "ui/Opener.h"

#include <QPoint>
#include <QStringList>
#include <QTextCursor>
#include <QTextDocument>
#include <ostream>

// Lets test failures show texts as text.
inline void PrintTo(const QString& Text, std::ostream* Os) {
    *Os << '"' << Text.toStdString() << '"';
}

// Centre of the character at document position Pos, in the view's viewport coordinates.
template <class TView> QPoint CharCenter(const TView& View, int Pos) {
    QTextCursor cursor(View.document());
    cursor.setPosition(Pos);
    const QRect left = View.cursorRect(cursor);
    cursor.setPosition(Pos + 1);
    const QRect right = View.cursorRect(cursor);
    return QPoint((left.left() + right.left()) / 2, left.center().y());
}

// Document position of the first occurrence of Text.
inline int PositionOf(const QTextDocument& Document, const QString& Text) {
    return Document.find(Text).selectionStart();
}

// Records every link handed to the desktop while it lives, and restores the previous opener.
class TRecordingOpener final {
  public:
    TRecordingOpener() : FPrevious(SetUrlOpener([this](const QString& Url) { Opened << Url; })) {}
    ~TRecordingOpener() { SetUrlOpener(FPrevious); }
    TRecordingOpener(const TRecordingOpener&) = delete;
    TRecordingOpener& operator=(const TRecordingOpener&) = delete;
    QStringList Opened;

  private:
    TUrlOpener FPrevious;
};
