#include "ui/Opener.h"

#include "ui/ErrorBox.h"

#include <QApplication>
#include <QClipboard>
#include <QDesktopServices>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>
#include <QUrl>
#include <algorithm>
#include <vector>

namespace {

// The xdg-open runs not yet over. Never destroyed: a QProcess destroyed at exit would kill its xdg-open, and
// with it a browser that xdg-open started and waits for.
std::vector<QProcess*>& Running() {
    static auto* running = new std::vector<QProcess*>;
    return *running;
}

void Forget(QProcess* Process) {
    std::vector<QProcess*>& running = Running();
    running.erase(std::remove(running.begin(), running.end(), Process), running.end());
    Process->deleteLater();
}

void ShowOpenFailure(const QString& Url) {
    // Told when xdg-open ends, which may be long after the click: not modal to the whole program.
    QMessageBox* box = OpenFailureBox(Url).release();
    box->setParent(QApplication::activeWindow(), box->windowFlags());
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->open();
}

void OpenWithDesktop(const QString& url) {
    // TolerantMode keeps text such as "mailto:a@b.c" or an already-escaped link as the user sees it.
    const QUrl parsed(url, QUrl::TolerantMode);
    const QString program = QStandardPaths::findExecutable(QStringLiteral("xdg-open"));
    if (program.isEmpty()) {
        if (!QDesktopServices::openUrl(parsed))
            ShowOpenFailure(url);
        return;
    }
    const QString argument = QString::fromUtf8(parsed.toEncoded());
    // xdg-open would take a leading "-" for an option of its own.
    if (!parsed.isValid() || argument.isEmpty() || argument.startsWith(QLatin1Char('-'))) {
        ShowOpenFailure(url);
        return;
    }
    // QDesktopServices counts a started xdg-open as opened; only its exit status says whether anything opened
    // ("no method available" exits 3). Watched without waiting, as xdg-open may live as long as the browser.
    auto* process = new QProcess;
    process->setProgram(program);
    process->setArguments({argument});
    process->setStandardInputFile(QProcess::nullDevice());
    process->setProcessChannelMode(QProcess::ForwardedChannels); // its complaints stay on our stderr
    QObject::connect(process, &QProcess::finished, process,
                     [process, url](int Code, QProcess::ExitStatus Status) {
                         Forget(process);
                         if (Status != QProcess::NormalExit || Code != 0)
                             ShowOpenFailure(url);
                     });
    QObject::connect(process, &QProcess::errorOccurred, process,
                     [process, url](QProcess::ProcessError Error) {
                         if (Error == QProcess::FailedToStart) {
                             Forget(process);
                             ShowOpenFailure(url);
                         }
                     });
    Running().push_back(process);
    process->start();
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

int DesktopOpensUnderWay() {
    return static_cast<int>(Running().size());
}

TUrlOpener SetUrlOpener(TUrlOpener Opener) {
    TUrlOpener previous = CurrentOpener();
    CurrentOpener() = Opener ? std::move(Opener) : TUrlOpener(OpenWithDesktop);
    return previous;
}
