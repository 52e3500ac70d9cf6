#pragma once
// The one place where Kovrin hands a link to the desktop (the browser or the mail program). Tests replace the
// opener to record the targets instead of launching anything.

#include <QString>
#include <functional>

// Opens a URL or mail link; the outcome is not reported.
using TUrlOpener = std::function<void(const QString& Url)>;

// Opens Url with the current opener (by default the desktop's, through QDesktopServices / xdg-open).
void OpenUrl(const QString& Url);

// Replaces the opener; an empty function restores the desktop's. Returns the previous one.
TUrlOpener SetUrlOpener(TUrlOpener Opener);
