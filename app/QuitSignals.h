#pragma once
// SIGTERM, SIGINT and SIGHUP turned into a Qt signal on the GUI thread (self-pipe and QSocketNotifier), so
// that a logout or Ctrl+C closes the main window the ordinary way and the settings are written.

#include <QObject>
#include <QSocketNotifier>

#include <memory>

// Installs the handlers of the three signals at once. Signals that arrive before the event loop runs are kept
// in the pipe and reported on its first turn. Throws std::runtime_error when the pipe cannot be made.
void InstallQuitSignalHandlers();

class TQuitSignals final : public QObject {
    Q_OBJECT
  public:
    // Watches the pipe of InstallQuitSignalHandlers (which must have run). Never throws.
    explicit TQuitSignals(QObject* Parent = nullptr);

  signals:
    // One of the signals arrived; emitted once, later ones are drained and ignored.
    void Received();

  private:
    void PipeReadable();

    std::unique_ptr<QSocketNotifier> FNotifier;
    bool FReported = false;
};
