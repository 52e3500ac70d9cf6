#pragma once
// The program-wide objects several parts of Kovrin share: the settings document, the job runner and the three
// feed tables. Plain globals of the UI thread; nothing locks them.

#include "engine/Functions.h"
#include "net/ThreadCtrl.h"
#include "settings/XMLConf.h"

#include <filesystem>
#include <memory>

// The open settings document; empty until the start sequence opens it.
extern TConfigDoc ConfigDoc;
// The one job runner of the program; exists between GlobalsInitialization and GlobalsFinalization.
extern std::unique_ptr<TThreadCtrl> JobControl;
// The feed tables: empty until their feed arrives, then replaced whole by the feed's completion handler.
extern TStringMatrix NamesTable;
extern TStringMatrix RatesTable;
extern TStringMatrix ExchangersTable;
// Where settings.xml is read from and written to (chosen at start by SettingsFilePath).
extern std::filesystem::path SettingsFile;

// Creates JobControl with Dispatcher; nothing else. Throws std::logic_error when called twice without a
// finalisation in between.
void GlobalsInitialization(TDispatcher Dispatcher);

// Frees JobControl (running jobs are not waited for), releases ConfigDoc and empties the three tables, in
// this order. Safe to call more than once. Never throws.
void GlobalsFinalization() noexcept;
