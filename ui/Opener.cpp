#include "ui/Opener.h"

#include <QDesktopServices>
#include <QUrl>

namespace {

void OpenWithDesktop(const QString& url) {
    // TolerantMode keeps text such as "mailto:a@b.c" or an already-escaped link as the user sees it.
    QDesktopServices::openUrl(QUrl(url, QUrl::TolerantMode));
}

TUrlOpener& CurrentOpener() {
    static TUrlOpener opener = OpenWithDesktop;
    return opener;
}

} // namespace

void OpenUrl(const QString& Url) {
    CurrentOpener()(Url);
}

TUrlOpener SetUrlOpener(TUrlOpener Opener) {
    TUrlOpener previous = CurrentOpener();
    CurrentOpener() = Opener ? std::move(Opener) : TUrlOpener(OpenWithDesktop);
    return previous;
}
