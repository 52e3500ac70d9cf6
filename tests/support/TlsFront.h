#pragma once
// A TLS front for a plain loopback server: it shakes hands with the certificate it is given and relays the
// bytes to the server behind it and back, so that a scripted server can answer over https. When the server
// behind closes, the front closes too, without close_notify.

#include "tests/support/RelayServer.h"

#include <filesystem>
#include <string>

struct ssl_ctx_st;

class TTlsFront final : public TRelayServer {
  public:
    // Throws std::runtime_error when the certificate or key cannot be loaded.
    TTlsFront(const std::filesystem::path& Cert, const std::filesystem::path& Key, std::uint16_t BackendPort);
    ~TTlsFront() override;
    // "https://127.0.0.1:PORT" + Path.
    std::string Url(const std::string& Path = "/") const;

  private:
    void Serve(int Client) override;
    ssl_ctx_st* FContext = nullptr;
    std::uint16_t FBackendPort;
};
