#include "globals/Globals.h"

#include <stdexcept>
#include <utility>

TConfigDoc ConfigDoc;
std::unique_ptr<TThreadCtrl> JobControl;
TStringMatrix NamesTable;
TStringMatrix RatesTable;
TStringMatrix ExchangersTable;
std::filesystem::path SettingsFile;

void GlobalsInitialization(TDispatcher Dispatcher) {
    if (JobControl) {
        throw std::logic_error("GlobalsInitialization: the job runner already exists");
    }
    JobControl = std::make_unique<TThreadCtrl>(std::move(Dispatcher));
}

void GlobalsFinalization() noexcept {
    JobControl.reset();
    ConfigDoc.reset();
    // Assigning fresh matrices (rather than clear()) gives the memory back as the process winds down.
    NamesTable = TStringMatrix();
    RatesTable = TStringMatrix();
    ExchangersTable = TStringMatrix();
}
