#pragma once
// The command line of kovrin-demo-service.

#include "tools/demo-service/DemoFaults.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

// What the command line asks for.
struct TDemoOptions {
    std::string Bind = "127.0.0.1";
    int Port = 8765;                     // 0: any free port
    std::uint64_t Seed = 0;              // set to kDefaultDemoSeed by ParseDemoOptions
    std::size_t RatesRows = 0;           // set to kDefaultRatesRows by ParseDemoOptions
    int LatencyMs = 0;                   // delay before each feed answer
    std::optional<std::string> FeedsDir; // serve the four files from here instead of generated data
    std::optional<std::string> WriteDir; // write the generated files here and exit
    TDemoFaultPlan Faults;               // how POST /callback misbehaves at start (see DemoFaults.h)
    int TrickleMs = 200;                 // pause before each byte in the trickle mode
    bool Drift = false;                  // quotes move a little with every rates request
    std::string TlsCert;                 // with TlsKey: serve https with this certificate chain (PEM)
    std::string TlsKey;                  // the certificate's private key (PEM)
    bool Help = false;
    bool Version = false;
};

// A command line that cannot be obeyed; the message names the offending argument.
class EDemoUsage : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// The usage text, several lines ending in a line feed.
std::string DemoUsage();

// Reads the arguments after the program name. Throws EDemoUsage for an unknown option, a missing or malformed
// value, or a number out of range.
TDemoOptions ParseDemoOptions(const std::vector<std::string_view>& Args);
