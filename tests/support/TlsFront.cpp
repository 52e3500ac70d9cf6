#include "tests/support/TlsFront.h"

#include <openssl/ssl.h>
#include <stdexcept>
#include <sys/socket.h>
#include <unistd.h>

TTlsFront::TTlsFront(const std::filesystem::path& Cert, const std::filesystem::path& Key,
                     std::uint16_t BackendPort)
    : FContext(SSL_CTX_new(TLS_server_method())), FBackendPort(BackendPort) {
    if (FContext == nullptr || SSL_CTX_use_certificate_chain_file(FContext, Cert.c_str()) != 1 ||
        SSL_CTX_use_PrivateKey_file(FContext, Key.c_str(), SSL_FILETYPE_PEM) != 1) {
        SSL_CTX_free(FContext);
        throw std::runtime_error("TLS front: cannot load " + Cert.string());
    }
    Start();
}

TTlsFront::~TTlsFront() {
    Stop();
    SSL_CTX_free(FContext);
}

std::string TTlsFront::Url(const std::string& Path) const {
    return "https://127.0.0.1:" + std::to_string(Port()) + Path;
}

void TTlsFront::Serve(int Client) {
    // Bounded, so that a client that never finishes its handshake cannot hold the front's destructor.
    const timeval wait{5, 0};
    ::setsockopt(Client, SOL_SOCKET, SO_RCVTIMEO, &wait, sizeof wait);
    SSL* ssl = SSL_new(FContext);
    SSL_set_fd(ssl, Client);
    if (SSL_accept(ssl) == 1) {
        const int backend = ConnectTo("127.0.0.1", std::to_string(FBackendPort));
        if (backend >= 0) {
            Relay(Client, ssl, backend);
            ::close(backend);
        }
    }
    SSL_free(ssl);
}
