#include "app/SessionBusGuard.h"

#include "net/SessionBusProbe.h"

#include <cstdio>
#include <cstdlib>

namespace {

// A bus on the same machine answers within milliseconds; a bus started on demand is started by then too.
constexpr int kBusAnswerMs = 1000;

} // namespace

void TurnOffSilentSessionBus() noexcept {
    try {
        const std::string address = SessionBusAddress();
        if (address.empty() || !BusStaysSilent(address, kBusAnswerMs)) {
            return;
        }
        // An address of a kind libdbus does not know: it refuses it at once, without a connection.
        ::setenv("DBUS_SESSION_BUS_ADDRESS", "disabled:", 1);
        std::fprintf(stderr,
                     "Kovrin: the session bus (%s) does not answer; desktop notifications and the "
                     "D-Bus tray are off for this run\n",
                     address.c_str());
    } catch (...) {
        // Out of memory this early: the start fails soon enough on its own.
    }
}
