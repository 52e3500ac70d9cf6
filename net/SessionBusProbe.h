#pragma once
// Whether the D-Bus session bus speaks at all. libdbus (and Qt over it) waits without end for a bus that
// accepts a connection and never answers, on whichever thread first reaches the bus, the window's included;
// so the program asks first, within a bound, before anything reaches the bus.

#include <string>
#include <string_view>
#include <vector>

// One endpoint of a D-Bus address list.
struct TBusEndpoint {
    enum class TKind { UnixPath, UnixAbstract, Tcp, Other };
    TKind Kind = TKind::Other;
    std::string Where; // the socket's path or abstract name, or the TCP host
    std::string Port;  // TCP only
};

// The endpoints of a D-Bus address list ("unix:path=/run/user/1000/bus;tcp:host=h,port=1"), in their order,
// with %-escapes decoded. An entry of another kind (launchd:, systemd:, ...) is Other. Never throws but for
// memory.
std::vector<TBusEndpoint> ParseBusAddress(std::string_view Address);

// The address libdbus uses for the session bus: $DBUS_SESSION_BUS_ADDRESS when set, else the user's bus
// socket under $XDG_RUNTIME_DIR when it exists; empty when there is neither. Never throws but for memory.
std::string SessionBusAddress();

// True when the first endpoint of Address that accepts a connection (libdbus tries them in order) does not
// answer the opening of a handshake within TimeoutMs, neither with a reply nor by closing. False when it
// answers, when none accepts (libdbus then fails at once on its own), and when an endpoint of a kind not
// probed comes first. Never throws but for memory.
bool BusStaysSilent(std::string_view Address, int TimeoutMs);
