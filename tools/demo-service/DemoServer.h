#pragma once
// The demo feed service over HTTP: POST /callback answers the four feeds, GET /click/ID an exchanger's page,
// POST /control (form field fault=SPEC, loopback clients only) switches the fault mode of /callback while it
// runs and answers "fault=" and the plan now in force.

#include "tools/demo-service/DemoFeeds.h"
#include "tools/demo-service/DemoOptions.h"

#include <memory>
#include <string>

class TDemoServer final {
  public:
    // Prepares the answers (generates the data unless Options.FeedsDir is set). Throws std::invalid_argument
    // for a row count out of range.
    explicit TDemoServer(const TDemoOptions& Options);
    ~TDemoServer();
    TDemoServer(const TDemoServer&) = delete;
    TDemoServer& operator=(const TDemoServer&) = delete;

    // Binds the listening socket and gives the port (the chosen one when Options.Port is 0). Throws
    // std::runtime_error when the address cannot be bound or the TLS certificate and key cannot be used.
    int Bind();
    // Serves on the bound socket until Stop(); false when serving failed.
    bool Serve();
    // Makes Serve return; callable from any thread.
    void Stop();

  private:
    struct TImpl;
    std::unique_ptr<TImpl> FImpl;
};

// "http://ADDR:PORT" ("https://" when Tls), with brackets around an IPv6 address.
std::string DemoServiceUrl(const std::string& Bind, int Port, bool Tls = false);

// The page of one exchanger, HTML with the name escaped.
std::string DemoClickPage(const std::string& Id, const std::string& Name);
