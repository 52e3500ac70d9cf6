#include "ui/Opener.h"

#include "ui/ErrorBox.h"

#include <QClipboard>
#include <QDesktopServices>
#include <QGuiApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QUrl>

namespace {

void OpenWithDesktop(const QString& url) {
    // TolerantMode keeps text such as "mailto:a@b.c" or an already-escaped link as the user sees it.
    if (!QDesktopServices::openUrl(QUrl(url, QUrl::TolerantMode)))
        OpenFailureBox(url)->exec();
}

TUrlOpener& CurrentOpener() {
    static TUrlOpener opener = OpenWithDesktop;
    return opener;
}

} // namespace

std::unique_ptr<QMessageBox> OpenFailureBox(const QString& Url) {
    auto box = std::make_unique<QMessageBox>(QMessageBox::Critical, ApplicationTitle(),
                                             QStringLiteral("Не удалось открыть адрес: не найден браузер или "
                                                            "почтовая программа. Откройте его сами:\n\n") +
                                                 Url);
    box->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    QPushButton* copy = box->addButton(QStringLiteral("Скопировать адрес"), QMessageBox::AcceptRole);
    box->addButton(QMessageBox::Close);
    box->setDefaultButton(copy);
    QObject::connect(copy, &QPushButton::clicked, [Url] { QGuiApplication::clipboard()->setText(Url); });
    return box;
}

void OpenUrl(const QString& Url) {
    CurrentOpener()(Url);
}

TUrlOpener SetUrlOpener(TUrlOpener Opener) {
    TUrlOpener previous = CurrentOpener();
    CurrentOpener() = Opener ? std::move(Opener) : TUrlOpener(OpenWithDesktop);
    return previous;
}
