#include "net/TlsModule.h"

#include "net/PrivateModule.h"

bool TTlsModule::Load(std::string& Error) {
    // Once, whatever the outcome; the module stays loaded, as OpenSSL's per-thread state and its clean-up at
    // exit live in it.
    std::call_once(FOnce, [this] {
        FOpen = reinterpret_cast<TTlsOpen>(PrivateModuleEntry(FName, kTlsOpenSymbol, FError));
    });
    if (FOpen == nullptr)
        Error = FError;
    return FOpen != nullptr;
}

std::unique_ptr<TTlsStream> TTlsModule::Open(TSocket& Socket) const {
    return std::unique_ptr<TTlsStream>(FOpen(Socket.Handle(), &WaitReady));
}

TTlsModule& TTlsModule::Installed() {
    static TTlsModule module;
    return module;
}
