#include "ui/ErrorBox.h"

#include <QCoreApplication>
#include <QMessageBox>

namespace {

void ShowMessageBox(const QString& caption, const QString& text) {
    QMessageBox::critical(nullptr, caption, text);
}

TErrorBox& CurrentBox() {
    static TErrorBox box = ShowMessageBox;
    return box;
}

} // namespace

QString WithFullStop(const QString& Text) {
    if (!Text.isEmpty() && Text.back() > QChar(u'.')) {
        return Text + u'.';
    }
    return Text;
}

QString ApplicationTitle() {
    // The application name doubles as the title: a display name would be appended to every window's caption
    // by the X11 platform ("Загружается... — Kovrin").
    return QCoreApplication::applicationName();
}

void ShowErrorBox(const QString& Text) {
    CurrentBox()(ApplicationTitle(), WithFullStop(Text));
}

TErrorBox SetErrorBox(TErrorBox Box) {
    TErrorBox previous = CurrentBox();
    CurrentBox() = Box ? std::move(Box) : TErrorBox(ShowMessageBox);
    return previous;
}
