// Kovrin's entry. Reads nothing from the command line or the environment (Qt's own platform arguments aside);
// exits with 0. The start and stop sequence is TProgram's.
#include "app/Program.h"
#include "app/QuitSignals.h"
#include "app/SessionBusGuard.h"

#include <QApplication>

int main(int argc, char** argv) {
    // First, so that a signal arriving during start-up is kept for the loop instead of killing the process.
    InstallQuitSignalHandlers();
    // Before Qt, whose platform and accessibility code may reach the bus as the application starts.
    TurnOffSilentSessionBus();
    QApplication application(argc, argv);
    return TProgram().Run();
}
