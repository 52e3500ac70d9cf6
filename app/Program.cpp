#include "app/Program.h"

#include "app/QuitSignals.h"
#include "engine/FeedCache.h"
#include "engine/ServiceAddress.h"
#include "globals/Globals.h"
#include "history/HistoryFile.h"
#include "settings/PrivateFiles.h"
#include "settings/SettingsAutosave.h"
#include "settings/SettingsLocation.h"
#include "settings/SettingsOwner.h"
#include "ui/FeedKeeper.h"
#include "ui/HistoryPart.h"
#include "ui/LivePanel.h"
#include "ui/Notifier.h"
#include "ui/QtDispatcher.h"
#include "ui/QtTranslations.h"
#include "ui/UnitDM.h"
#include "ui/UnitLoader.h"
#include "ui/UnitMain.h"

#include <QApplication>
#include <QDir>
#include <QLocale>
#include <QMessageBox>
#include <QPushButton>
#include <QSocketNotifier>
#include <QTimer>

#include <cerrno>
#include <chrono>
#include <clocale>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <stdexcept>
#include <sys/stat.h>
#include <thread>
#include <utility>

namespace {

// How long a new copy waits for one that is ending (writing its settings) to give up its claim.
constexpr std::chrono::seconds kClosingCopyWait{15};

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

TProgram::TProgram(TProgramOptions Options) : FOptions(std::move(Options)) {}

TProgram::~TProgram() {
    Stop();
}

int TProgram::Run() {
    if (!Open()) {
        if (FHandedOver) {
            Stop();
            return 0;
        }
        QTimer::singleShot(0, qApp, &QCoreApplication::quit);
    }
    ShowWindows();
    QApplication::exec();
    Stop();
    return 0;
}

bool TProgram::Open() {
    if (FOpened) {
        throw std::logic_error("TProgram::Open: already open");
    }
    FOpened = true;
    auto* application = qobject_cast<QApplication*>(QCoreApplication::instance());
    if (application == nullptr) {
        throw std::logic_error("TProgram::Open: no QApplication");
    }
    application->setQuitOnLastWindowClosed(false); // the tray and the loader must not keep or end the program
    application->setWindowIcon(ProgramIcon());
    // The captions are Russian whatever the system's language, so Qt's own texts are too.
    if (InstallQtTranslations(*application) == nullptr) {
        qWarning("Kovrin: Qt's Russian translations are not installed (qt6-translations-l10n)");
    }

    if (FOptions.JobRunner) {
        TDispatcher dispatcher = FOptions.Dispatcher;
        if (!dispatcher) {
            FQtDispatcher = std::make_unique<TQtDispatcher>();
            dispatcher = FQtDispatcher->Dispatcher();
        }
        GlobalsInitialization(std::move(dispatcher));
    }

    // QApplication has set the user's locale; numbers are locale-free from here on.
    std::setlocale(LC_NUMERIC, "C");
    QLocale::setDefault(QLocale::c());

    const QString exeDir = QCoreApplication::applicationDirPath();
    QDir::setCurrent(exeDir); // a failure leaves relative names on the start folder

    SettingsFile = FOptions.SettingsFile.empty()
                       ? SettingsFilePath(std::filesystem::path(exeDir.toStdString()))
                       : FOptions.SettingsFile;
    // A copy in a folder it may not write keeps its settings in the user's folder; the first start there
    // begins with the settings that came with it, if any.
    const std::filesystem::path seed =
        FOptions.SettingsFile.empty()
            ? SettingsSeedFile(std::filesystem::path(exeDir.toStdString()), SettingsFile)
            : std::filesystem::path();
    if (FOptions.SaveSettings && !ClaimSettingsFile()) {
        return false;
    }
    bool opened = false;
    if (!seed.empty() && ConfigOpen(ConfigDoc, seed, "settings") &&
        ConfigFileState(ConfigDoc) == TConfigFileState::Loaded) {
        std::cerr << "kovrin: settings read from " << seed.string() << "; they are saved to "
                  << SettingsFile.string() << std::endl;
        opened = true;
    } else {
        if (!seed.empty()) {
            std::cerr << "kovrin: " << seed.string() << " could not be used; starting from the defaults"
                      << std::endl;
        }
        opened = ConfigOpen(ConfigDoc, SettingsFile, "settings");
    }
    // A file that could not be used is replaced at exit: its bytes are kept beside it first, or it stays.
    FSettingsReplaceable = ConfigKeepDamaged(ConfigDoc, SettingsFile, FSettingsNote);
    if (!FSettingsNote.empty()) {
        std::cerr << "kovrin: " << FSettingsNote << std::endl;
    }
    if (opened && FOptions.SaveSettings) {
        StartAutosave();
    }
    return opened;
}

bool TProgram::ClaimSettingsFile() {
    // A copy that is ending gives its claim up once it has written the file: then this one starts after it.
    const auto waitLimit = std::chrono::steady_clock::now() + kClosingCopyWait;
    for (;;) {
        FSettingsOwner = std::make_unique<TSettingsOwner>(SettingsFile);
        switch (FSettingsOwner->Claim()) {
        case TSettingsOwner::TClaim::Owned:
            return true;
        case TSettingsOwner::TClaim::Unguarded:
            std::cerr << "kovrin: cannot make sure no other copy uses " << SettingsFile.string() << " ("
                      << FSettingsOwner->Problem() << "); the copy that ends last writes the file"
                      << std::endl;
            return true;
        case TSettingsOwner::TClaim::HeldByRunningCopy:
            break;
        }
        const TSettingsOwner::TAnswer answer = FSettingsOwner->AskOwnerToShow();
        if (answer == TSettingsOwner::TAnswer::Closing && std::chrono::steady_clock::now() < waitLimit) {
            FSettingsOwner.reset();
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
            continue;
        }
        FHandedOver = true;
        const QString file = QString::fromStdString(SettingsFile.string());
        switch (answer) {
        case TSettingsOwner::TAnswer::Shown:
            std::cerr << "kovrin: a copy using " << SettingsFile.string()
                      << " already runs; its window is brought up" << std::endl;
            break;
        case TSettingsOwner::TAnswer::Closing:
            std::cerr << "kovrin: a copy using " << SettingsFile.string() << " is still ending" << std::endl;
            TellOnce(QStringLiteral(
                         "Kovrin с этими настройками (%1) ещё закрывается. Запустите его снова, когда он "
                         "закроется.")
                         .arg(file));
            break;
        case TSettingsOwner::TAnswer::None:
            std::cerr << "kovrin: a copy using " << SettingsFile.string() << " already runs, but "
                      << FSettingsOwner->Problem() << std::endl;
            TellOnce(QStringLiteral("Kovrin уже запущен с этими настройками (%1), но не отвечает.\n"
                                    "Закройте его или дождитесь ответа и запустите снова.")
                         .arg(file));
            break;
        }
        return false;
    }
}

void TProgram::TellOnce(const QString& Text) const noexcept {
    try {
        QMessageBox box(QMessageBox::Warning, QStringLiteral("Kovrin"), Text, QMessageBox::Ok);
        // A stop signal ends the box as it would end the window.
        std::unique_ptr<TQuitSignals> stops;
        if (FOptions.QuitSignals) {
            stops = std::make_unique<TQuitSignals>();
            QObject::connect(stops.get(), &TQuitSignals::Received, &box, &QMessageBox::reject);
        }
        box.exec();
    } catch (...) {
    }
}

void TProgram::StartAutosave() {
    FAutosave = std::make_unique<TSettingsAutosave>();
    FAutosave->NoteSaved(ConfigDoc);
    FAutosaveTimer = std::make_unique<QTimer>();
    QObject::connect(FAutosaveTimer.get(), &QTimer::timeout, [this] {
        if (!MayWriteSettings()) {
            return;
        }
        const bool failedBefore = FAutosaveFailed;
        FAutosaveFailed =
            FAutosave->SaveIfChanged(ConfigDoc, SettingsFile) == TSettingsAutosave::TOutcome::Failed;
        if (FAutosaveFailed && !failedBefore) {
            std::cerr << "kovrin: the settings could not be saved to " << SettingsFile.string()
                      << " while running; trying again" << std::endl;
        }
    });
    FAutosaveTimer->start(FOptions.AutosaveInterval);
}

void TProgram::TellUnusableSettings() {
    // Not modal: the window works meanwhile, and a stop signal is not held up by it.
    const QString file = QString::fromStdString(SettingsFile.string());
    auto* box = new QMessageBox(
        QMessageBox::Warning, QStringLiteral("Kovrin"),
        FSettingsReplaceable
            ? QStringLiteral(
                  "Настройки из %1 не удалось прочитать: Kovrin начал с настроек по умолчанию, и "
                  "они заменят этот файл. Прежнее содержимое файла, если его можно было прочитать, "
                  "сохранено рядом с ним (см. подробности).")
                  .arg(file)
            : QStringLiteral(
                  "Настройки из %1 не удалось прочитать: Kovrin начал с настроек по умолчанию. Файл "
                  "оставлен как есть, и настройки этого сеанса в него не запишутся.")
                  .arg(file),
        QMessageBox::Ok, FMain.get());
    box->setDetailedText(QString::fromStdString(FSettingsNote));
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::NonModal);
    box->setObjectName(QStringLiteral("UnusableSettingsBox"));
    box->show();
}

bool TProgram::MayWriteSettings() const {
    return FOptions.SaveSettings && FSettingsReplaceable && !FHandedOver &&
           !SettingsFileReadOnly(SettingsFile);
}

void TProgram::ShowWindows() {
    if (!FOpened || FMain) {
        throw std::logic_error("TProgram::ShowWindows: not open, or the windows exist");
    }
    // Watching from before the windows exist: a restoring error box shown while the main window is created
    // runs its own loop, and a stop signal must end that box too instead of waiting for a click.
    if (FOptions.QuitSignals) {
        InstallQuitSignalHandlers(); // once per process; the program's main has done it before QApplication
        FQuitSignals = std::make_unique<TQuitSignals>();
        QObject::connect(FQuitSignals.get(), &TQuitSignals::Received, qApp, [this] {
            FEndedBySignal = true;
            if (FormMain != nullptr) {
                FormMain->close();
                return;
            }
            FStopRequested = true;
            if (QWidget* modal = QApplication::activeModalWidget()) {
                modal->close();
            }
        });
    }

    FMain = std::make_unique<TFormMain>();
    FormMain = FMain.get();
    FDM = std::make_unique<TDM>(FormMain);
    DM = FDM.get();
    FLoader = std::make_unique<TFormLoader>(FormMain);
    FormLoader = FLoader.get();
    if (!FOptions.Timers) {
        FMain->Timer->stop();
        FLoader->Timer->stop();
    }
    if (!FOptions.ServiceBase.empty()) {
        FMain->SetServiceBaseUrl(FOptions.ServiceBase);
    }

    // Rate alerts reach the desktop's notification service, else the tray's balloon, else the status line.
    FMain->LivePanel().Notifier().AddSink(new TDBusNoticeSink);
    FMain->LivePanel().Notifier().AddSink(new TTrayNoticeSink(FDM->TrayIcon));
    // The last feeds that arrived whole are kept for the next start, which shows them before its first
    // refresh. Each service keeps its own; a folder given by the caller is that run's service's.
    const std::filesystem::path feedCache = FOptions.FeedCache ? *FOptions.FeedCache : FeedCacheFolder();
    std::string cacheProblem;
    if (feedCache.empty()) {
        // Kept feeds are off (tests, benchmarks).
    } else if (PreparePrivateFolder(feedCache, cacheProblem)) {
        const std::filesystem::path folder =
            FOptions.FeedCache ? feedCache : KeptFeedsFolderFor(feedCache, FMain->ServiceBaseUrl());
        if (!FOptions.FeedCache) {
            FMain->SetKeptFeedsRoot(feedCache);
        }
        FMain->SetFeedKeeper(BackgroundFeedKeeper(folder));
        FMain->ShowKeptFeeds(folder);
    } else {
        // Someone else's folder, or a link to one, could read or plant what the window shows: feeds are
        // neither kept nor shown from there.
        qWarning("Kovrin: feeds are not kept: %s", cacheProblem.c_str());
    }

    // Each refresh's rates of the followed pairs are kept for the chart and kovrin-cli history.
    FMain->History().SetHistoryFile(FOptions.HistoryFile ? *FOptions.HistoryFile : HistoryFilePath());

    QObject::connect(FMain.get(), &TFormMain::Closed, qApp, &QCoreApplication::quit, Qt::QueuedConnection);
    // Another copy started with the same settings brings this window up, from the tray too, and leaves.
    if (FSettingsOwner && FSettingsOwner->RequestDescriptor() >= 0) {
        FOtherCopies =
            std::make_unique<QSocketNotifier>(FSettingsOwner->RequestDescriptor(), QSocketNotifier::Read);
        QObject::connect(FOtherCopies.get(), &QSocketNotifier::activated, FMain.get(), [this] {
            if (FSettingsOwner->TakeRequests() > 0 && FMain) {
                if (FMain->isMinimized()) {
                    FMain->showNormal();
                } else {
                    FMain->show();
                }
                FMain->raise();
                FMain->activateWindow();
            }
        });
    }
    FMain->show();
    if (!FSettingsNote.empty()) {
        TellUnusableSettings();
    }
    if (FStopRequested) {
        FMain->close();
    }
}

void TProgram::EndLoop() noexcept {
    if (FLoopEnded || !FOpened) {
        return;
    }
    FLoopEnded = true;
    // A copy started from now on waits until the file is written, rather than bringing up a closed window.
    if (FSettingsOwner) {
        FSettingsOwner->Closing();
    }
    // No completion may run from here on; workers still waiting are released and end on their own.
    if (FQtDispatcher) {
        FQtDispatcher->Close();
    }
    FAutosaveTimer.reset();
    if (!MayWriteSettings()) {
        return;
    }
    for (;;) {
        errno = 0;
        if (ConfigSave(ConfigDoc, SettingsFile)) {
            return;
        }
        const int error = errno;
        const std::string reason = error != 0 ? std::strerror(error) : "no room or no access";
        std::fprintf(stderr,
                     "Kovrin: the settings could not be saved to %s (%s); the file keeps what it held\n",
                     SettingsFile.c_str(), reason.c_str());
        // A user who closed the window is asked, so that a full disk can be cleared and the save tried again;
        // a stop signal (the session ending) must not wait for anyone.
        if (FEndedBySignal || !FOptions.AskWhenSaveFails || !AskToRetrySave(reason)) {
            return;
        }
    }
}

bool TProgram::AskToRetrySave(const std::string& Reason) const noexcept {
    try {
        QMessageBox box(
            QMessageBox::Warning, QStringLiteral("Kovrin"),
            QStringLiteral("Не удалось сохранить настройки в %1: %2.\n"
                           "Освободите место или дайте доступ и нажмите «Повторить»; "
                           "иначе изменения этого сеанса будут потеряны.")
                .arg(QString::fromStdString(SettingsFile.string()), QString::fromStdString(Reason)));
        QPushButton* retry = box.addButton(QStringLiteral("Повторить"), QMessageBox::AcceptRole);
        box.addButton(QStringLiteral("Не сохранять"), QMessageBox::RejectRole);
        box.setDefaultButton(retry);
        // The session ending must not wait for an answer.
        if (FQuitSignals) {
            QObject::connect(FQuitSignals.get(), &TQuitSignals::Received, &box, &QMessageBox::reject);
        }
        box.exec();
        return !FEndedBySignal && box.clickedButton() == retry;
    } catch (...) {
        return false;
    }
}

void TProgram::Stop() noexcept {
    if (FStopped || !FOpened) {
        return;
    }
    EndLoop();
    FStopped = true;
    FormLoader = nullptr;
    FLoader.reset();
    DM = nullptr;
    FDM.reset();
    FormMain = nullptr;
    FMain.reset();

    GlobalsFinalization();
    FQuitSignals.reset();
    FQtDispatcher.reset();
    // Only now that the file is written may the next copy read it.
    FOtherCopies.reset();
    FSettingsOwner.reset();
}

TFormMain& TProgram::Main() const {
    if (!FMain) {
        throw std::logic_error("TProgram::Main: no windows");
    }
    return *FMain;
}

TFormLoader& TProgram::Loader() const {
    if (!FLoader) {
        throw std::logic_error("TProgram::Loader: no windows");
    }
    return *FLoader;
}
