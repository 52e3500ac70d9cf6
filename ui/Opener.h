#pragma once
// The one place where Kovrin hands a link to the desktop (the browser or the mail program). Tests replace the
// opener to record the targets instead of launching anything.

#include <QString>
#include <functional>
#include <memory>

class QMessageBox;

// Opens a URL or mail link; the outcome is not reported.
using TUrlOpener = std::function<void(const QString& Url)>;

// Opens Url with the current opener. The desktop's (the default) runs xdg-open without waiting for it and
// shows OpenFailureBox once it ends in failure (no browser); without xdg-open it asks QDesktopServices.
void OpenUrl(const QString& Url);

// How many of the desktop opener's xdg-open runs have not ended yet. Never throws.
int DesktopOpensUnderWay();

// The error box for a link the desktop could not open (no browser): the address, selectable, and a button
// "Скопировать адрес" that puts it on the clipboard and closes the box. Not shown yet. Never throws.
std::unique_ptr<QMessageBox> OpenFailureBox(const QString& Url);

// Replaces the opener; an empty function restores the desktop's. Returns the previous one.
TUrlOpener SetUrlOpener(TUrlOpener Opener);
