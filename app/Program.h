#pragma once
// Kovrin's start and stop sequence, once: the program's main, the benchmarks and the window and end-to-end
// tests all go through it, so the order in which the program-wide objects come and go is written in one
// place.
//
//   Open         application settings, the job runner's hand-off and the globals, numbers locale-free, the
//                executable's folder as the current one, settings.xml claimed for this copy and opened (a
//                damaged file kept beside it)
//   ShowWindows  stop signals watched, the three windows made, alerts' sinks, kept feeds shown, the main
//                window shown
//   EndLoop      no completion runs any more; settings.xml written (and while the loop runs, every few
//                seconds when it changed)
//   Stop         the windows released, then the globals, in a fixed order
//
// Needs the QApplication to exist; the caller owns it (and runs its loop between ShowWindows and Stop).

#include "net/ThreadCtrl.h"

#include <chrono>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>

class TDM;
class TFormLoader;
class TFormMain;
class TQtDispatcher;
class TQuitSignals;
class TSettingsOwner;
class QSocketNotifier;
class QString;
class QTimer;
class TSettingsAutosave;

// What a test or benchmark varies; the defaults are the program's own.
struct TProgramOptions {
    // Where settings.xml is read and written; empty: chosen by SettingsFilePath beside the executable.
    std::filesystem::path SettingsFile;
    // The rates service's scheme and host; empty: the build's.
    std::string ServiceBase;
    // The folder the feeds are kept in for the next start; unset: FeedCacheFolder(); an empty path: no feed
    // is kept and none is shown at start.
    std::optional<std::filesystem::path> FeedCache;
    // The rate history's file; unset: HistoryFilePath(); an empty path: no history is recorded or shown.
    std::optional<std::filesystem::path> HistoryFile;
    // The job runner's hand-off; empty: the Qt hand-off of this thread, closed by EndLoop.
    TDispatcher Dispatcher;
    // False: no job runner at all (window tests that hand the feeds in themselves).
    bool JobRunner = true;
    // False: both windows' timers stand still (a test ticks them by hand).
    bool Timers = true;
    // False: settings.xml is only read, never written, nor claimed for this copy (a benchmark starting from
    // the user's own file).
    bool SaveSettings = true;
    // False: SIGTERM, SIGINT and SIGHUP keep their handlers (a test process).
    bool QuitSignals = true;
    // How soon a change to the settings document reaches settings.xml while the loop runs.
    std::chrono::milliseconds AutosaveInterval{10'000};
    // False: a save at exit that fails is only told on stderr; else a user who closed the window is asked
    // whether to try again (a stop signal never waits for an answer).
    bool AskWhenSaveFails = true;
};

class TProgram final {
  public:
    explicit TProgram(TProgramOptions Options = {});
    // Stops when that has not been done. Never throws.
    ~TProgram();
    TProgram(const TProgram&) = delete;
    TProgram& operator=(const TProgram&) = delete;

    // The program's whole run: Open, ShowWindows, the event loop, Stop. Returns the exit code (0).
    int Run();

    // The first part of the start. False when settings.xml could not be opened at all (the program then
    // quits on the loop's first turn), or when another copy already runs with the same settings.xml (that
    // copy is asked to bring its window up; this one shows nothing and writes nothing). Throws
    // std::logic_error when called twice.
    bool Open();
    // The second part: the windows, up to the main window shown. Throws std::logic_error before Open or when
    // called twice.
    void ShowWindows();
    // After the loop: refuses every later completion of the own hand-off and writes settings.xml (unless the
    // options say not to, or it could not be used, or the user made it read-only). Safe to call more than
    // once. Never throws.
    void EndLoop() noexcept;
    // EndLoop, then the windows and the globals released in a fixed order. Safe to call more than once.
    // Never throws.
    void Stop() noexcept;

    // The windows between ShowWindows and Stop; std::logic_error otherwise.
    TFormMain& Main() const;
    TFormLoader& Loader() const;

  private:
    // Claims settings.xml for this copy; false when another copy owns it (asked to show its window).
    bool ClaimSettingsFile();
    // Writes settings.xml every few seconds while it holds changes not yet in the file.
    void StartAutosave();
    // Whether this copy writes settings.xml: the options allow it, the file is usable and not made read-only
    // by the user, and no other copy owns it.
    bool MayWriteSettings() const;
    // Tells, in a box beside the window, that settings.xml could not be used and what became of it.
    void TellUnusableSettings();
    // Shows Text in a box until the user or a stop signal closes it. Never throws.
    void TellOnce(const QString& Text) const noexcept;
    // Asks the user whether to try a failed save again. Never throws.
    bool AskToRetrySave(const std::string& Reason) const noexcept;

    TProgramOptions FOptions;
    std::unique_ptr<TQtDispatcher> FQtDispatcher;
    std::unique_ptr<TQuitSignals> FQuitSignals;
    std::unique_ptr<TSettingsOwner> FSettingsOwner; // held from before the file is read until it is written
    std::unique_ptr<QSocketNotifier> FOtherCopies;
    std::unique_ptr<TSettingsAutosave> FAutosave;
    std::unique_ptr<QTimer> FAutosaveTimer;
    std::unique_ptr<TFormMain> FMain;
    std::unique_ptr<TDM> FDM;
    std::unique_ptr<TFormLoader> FLoader;
    bool FOpened = false;
    bool FSettingsReplaceable = false;
    std::string FSettingsNote; // why settings.xml could not be used, and where its bytes went
    bool FHandedOver = false;  // another copy owns settings.xml
    bool FEndedBySignal = false;
    bool FAutosaveFailed = false;
    bool FStopRequested = false;
    bool FLoopEnded = false;
    bool FStopped = false;
};
