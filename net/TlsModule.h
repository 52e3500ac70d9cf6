#pragma once
// The TLS module, loaded once, on the first https exchange, as a private module (net/PrivateModule.h).

#include "net/Socket.h"
#include "net/TlsStream.h"

#include <memory>
#include <mutex>
#include <string>

class TTlsModule final {
  public:
    // Name: a file name to look for, or a path (with a "/") taken as it stands.
    explicit TTlsModule(std::string Name = kTlsModuleName) : FName(std::move(Name)) {}
    TTlsModule(const TTlsModule&) = delete;
    TTlsModule& operator=(const TTlsModule&) = delete;

    // Loads the module the first time (from any thread; once, whatever the outcome). False with Error set to
    // the loader's words when it could not be loaded or is not a TLS module.
    bool Load(std::string& Error);
    // A TLS stream over Socket; Load must have succeeded. Throws only for memory.
    std::unique_ptr<TTlsStream> Open(TSocket& Socket) const;

    // The module every client uses unless it is given another one.
    static TTlsModule& Installed();

  private:
    std::string FName;
    std::once_flag FOnce;
    TTlsOpen FOpen = nullptr;
    std::string FError;
};
