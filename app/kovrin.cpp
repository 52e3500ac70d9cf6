// Kovrin's entry: the start sequence, the event loop, and the stop sequence that saves the settings and
// releases everything in a fixed order. Reads nothing from the command line or the environment (Qt's own
// platform arguments aside); exits with 0.
#include "app/QuitSignals.h"
#include "engine/FeedCache.h"
#include "globals/Globals.h"
#include "settings/SettingsLocation.h"
#include "ui/FeedKeeper.h"
#include "ui/Notifier.h"
#include "ui/QtDispatcher.h"
#include "ui/QtTranslations.h"
#include "ui/UnitDM.h"
#include "ui/UnitLoader.h"
#include "ui/UnitMain.h"

#include <QApplication>
#include <QDir>
#include <QLocale>
#include <QTimer>

#include <clocale>
#include <iostream>
#include <memory>
#include <sys/stat.h>

namespace {

// A settings file the user has made read-only is left as it is; renaming a new file over it would otherwise
// succeed, since that needs only the folder to be writable. Checked by mode bits, which hold for root too.
bool SettingsFileReadOnly(const std::filesystem::path& File) {
    struct stat info {};
    if (stat(File.c_str(), &info) != 0) {
        return false;
    }
    return (info.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0;
}

} // namespace

int main(int argc, char** argv) {
    // First, so that a signal arriving during start-up is kept for the loop instead of killing the process.
    InstallQuitSignalHandlers();
    QApplication application(argc, argv);
    application.setQuitOnLastWindowClosed(false); // the tray and the loader must not keep or end the program
    application.setWindowIcon(ProgramIcon());
    // The captions are Russian whatever the system's language, so Qt's own texts are too.
    if (InstallQtTranslations(application) == nullptr) {
        qWarning("Kovrin: Qt's Russian translations are not installed (qt6-translations-l10n)");
    }

    TQtDispatcher dispatcher;
    GlobalsInitialization(dispatcher.Dispatcher());

    // QApplication has set the user's locale; numbers are locale-free from here on.
    std::setlocale(LC_NUMERIC, "C");
    QLocale::setDefault(QLocale::c());

    const QString exeDir = QCoreApplication::applicationDirPath();
    QDir::setCurrent(exeDir); // a failure leaves relative names on the start folder

    SettingsFile = SettingsFilePath(std::filesystem::path(exeDir.toStdString()));
    if (!ConfigOpen(ConfigDoc, SettingsFile, "settings")) {
        QTimer::singleShot(0, &application, &QCoreApplication::quit);
    }
    // A file that could not be used is replaced at exit: its bytes are kept beside it first, or it stays.
    std::string settingsNote;
    const bool settingsReplaceable = ConfigKeepDamaged(ConfigDoc, SettingsFile, settingsNote);
    if (!settingsNote.empty()) {
        std::cerr << "kovrin: " << settingsNote << std::endl;
    }

    // Watching from before the windows exist: a restoring error box shown while the main window is created
    // runs its own loop, and a stop signal must end that box too instead of waiting for a click.
    bool stopRequested = false;
    TQuitSignals quitSignals;
    QObject::connect(&quitSignals, &TQuitSignals::Received, &application, [&stopRequested] {
        if (FormMain != nullptr) {
            FormMain->close();
            return;
        }
        stopRequested = true;
        if (QWidget* modal = QApplication::activeModalWidget()) {
            modal->close();
        }
    });

    auto formMain = std::make_unique<TFormMain>();
    FormMain = formMain.get();
    auto dm = std::make_unique<TDM>(FormMain);
    DM = dm.get();
    auto formLoader = std::make_unique<TFormLoader>(FormMain);
    FormLoader = formLoader.get();

    // Rate alerts reach the desktop's notification service, else the tray's balloon, else the status line.
    FormMain->Notifier().AddSink(new TDBusNoticeSink);
    FormMain->Notifier().AddSink(new TTrayNoticeSink(DM->TrayIcon));
    // The last feeds that arrived whole are kept for the next start, which shows them before its first
    // refresh.
    const std::filesystem::path feedCache = FeedCacheFolder();
    FormMain->SetFeedKeeper(BackgroundFeedKeeper(feedCache));
    FormMain->ShowKeptFeeds(feedCache);

    QObject::connect(FormMain, &TFormMain::Closed, &application, &QCoreApplication::quit,
                     Qt::QueuedConnection);
    FormMain->show();
    if (stopRequested) {
        FormMain->close();
    }
    QApplication::exec();

    // No completion may run from here on; workers still waiting are released and end on their own.
    dispatcher.Close();
    if (settingsReplaceable && !SettingsFileReadOnly(SettingsFile)) {
        ConfigSave(ConfigDoc, SettingsFile);
    }

    FormLoader = nullptr;
    formLoader.reset();
    DM = nullptr;
    dm.reset();
    FormMain = nullptr;
    formMain.reset();

    GlobalsFinalization();
    return 0;
}
