#pragma once
// A session bus that accepts a connection and never answers would hold whichever thread first reaches it
// (the window's, for an alert or the tray, or Qt's own look-ups) for good, and with it the stop signals.

// Asks the session bus, within a second, whether it speaks; when it does not, D-Bus is off for this run (the
// bus address names none, so every later call fails at once), and a line on stderr says so: alerts then go
// to the tray's balloon or the status line. Call before the QApplication exists. Never throws.
void TurnOffSilentSessionBus() noexcept;
