#pragma once
// A small HTTP proxy on loopback: CONNECT tunnels and absolute-form requests, each relayed to the loopback
// server it names. It keeps every request head it was sent, and can be told to want credentials (407).

#include "tests/support/RelayServer.h"

#include <string>
#include <vector>

class TStubProxy final : public TRelayServer {
  public:
    // With RequireAuthorization set, a request without exactly that Proxy-Authorization value gets 407.
    explicit TStubProxy(std::string RequireAuthorization = "");
    ~TStubProxy() override;
    // "http://127.0.0.1:PORT".
    std::string Url() const;
    // The request heads received so far, in order of arrival.
    std::vector<std::string> Heads() const;

  private:
    void Serve(int Client) override;
    std::string FAuthorization;
    mutable std::mutex FHeadsLock;
    std::vector<std::string> FHeads;
};
