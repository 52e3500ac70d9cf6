#pragma once
// The TLS module, loaded once, on the first https exchange. A bare name is looked for along the program's own
// library search path (LD_LIBRARY_PATH, then its RUNPATH: the build tree's tls/ folder, or the package's
// private folder beside the programs' bin/), read from the program itself rather than left to dlopen, which
// would search the path of whichever object called it (a sanitizer's runtime, for one).

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
    void LoadOnce();

    std::string FName;
    std::once_flag FOnce;
    TTlsOpen FOpen = nullptr;
    std::string FError;
};
