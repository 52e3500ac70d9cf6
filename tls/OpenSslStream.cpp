// The TLS module: the one part of Kovrin that links OpenSSL, loaded by net/TlsModule on the first https
// exchange.

#include "net/TlsStream.h"

#include <arpa/inet.h>
#include <cerrno>
#include <map>
#include <memory>
#include <mutex>
#include <openssl/bio.h>
#include <openssl/crypto.h>
#include <openssl/err.h>
#include <openssl/ssl.h>
#include <openssl/x509v3.h>
#include <poll.h>
#include <sys/socket.h>
#include <type_traits>

namespace {

struct TContextFree {
    void operator()(SSL_CTX* Context) const { SSL_CTX_free(Context); }
};

// One client context per CA file ("" for the system's store), made once: loading a store costs more than a
// handshake. A context is safe to share between threads once made. The contexts are never freed, as the BIO
// method of QuietSocketMethod is not: an exchange may still use one while the program exits.
SSL_CTX* ClientContext(const std::string& CaFile, std::string& Error) {
    static std::mutex lock;
    static auto& contexts = *new std::map<std::string, std::unique_ptr<SSL_CTX, TContextFree>>();
    const std::lock_guard<std::mutex> guard(lock);
    if (const auto found = contexts.find(CaFile); found != contexts.end())
        return found->second.get();
    std::unique_ptr<SSL_CTX, TContextFree> context(SSL_CTX_new(TLS_client_method()));
    if (!context) {
        Error = "no TLS context";
        return nullptr;
    }
    SSL_CTX_set_min_proto_version(context.get(), TLS1_2_VERSION);
    SSL_CTX_set_verify(context.get(), SSL_VERIFY_PEER, nullptr);
    // A close without close_notify is judged by the body's framing, as over plain HTTP.
    SSL_CTX_set_options(context.get(), SSL_OP_IGNORE_UNEXPECTED_EOF);
    SSL_CTX_set_mode(context.get(), SSL_MODE_ENABLE_PARTIAL_WRITE | SSL_MODE_ACCEPT_MOVING_WRITE_BUFFER);
    const int loaded = CaFile.empty() ? SSL_CTX_set_default_verify_paths(context.get())
                                      : SSL_CTX_load_verify_locations(context.get(), CaFile.c_str(), nullptr);
    if (loaded != 1) {
        ERR_clear_error();
        // Not kept: the file may be put right before the next exchange.
        Error = CaFile.empty() ? "the system's CA store cannot be read" : "CA file cannot be read: " + CaFile;
        return nullptr;
    }
    return contexts.emplace(CaFile, std::move(context)).first->second.get();
}

// The socket BIO's write, but with MSG_NOSIGNAL: OpenSSL's own one uses write(2), so a peer that has gone
// away would raise SIGPIPE, whose default action ends whatever program loaded this module. The failure is the
// write's instead, and travels as the exchange's.
int SendQuietly(BIO* Bio, const char* Data, int Size) {
    errno = 0;
    const auto sent = ::send(static_cast<int>(BIO_get_fd(Bio, nullptr)), Data, static_cast<std::size_t>(Size),
                             MSG_NOSIGNAL);
    BIO_clear_retry_flags(Bio);
    // EAGAIN and EINTR ask for another try, as the socket BIO's do (SSL_ERROR_WANT_WRITE).
    if (sent <= 0 && BIO_sock_should_retry(static_cast<int>(sent)) != 0)
        BIO_set_retry_write(Bio);
    return static_cast<int>(sent);
}

struct TMethodFree {
    void operator()(BIO_METHOD* Method) const { BIO_meth_free(Method); }
};

// The method of QuietSocketBio, made at the first handshake and then kept. It is never freed: a worker
// thread's exchange may still run while the program exits, and a method freed by a static destructor would be
// used after it. The static pointer keeps it reachable, so a leak checker does not count it. A method that
// could not be made (no memory) is tried again at the next handshake. Null when it cannot be made now.
const BIO_METHOD* QuietSocketMethod() {
    static std::mutex lock;
    static BIO_METHOD* method = nullptr;
    static int index = -1; // kept across tries: there are few indexes to give
    const std::lock_guard<std::mutex> guard(lock);
    if (method != nullptr)
        return method;
    if (index == -1)
        index = BIO_get_new_index();
    if (index == -1)
        return nullptr;
    const BIO_METHOD* socket = BIO_s_socket();
    std::unique_ptr<BIO_METHOD, TMethodFree> made(
        BIO_meth_new(index | BIO_TYPE_SOURCE_SINK | BIO_TYPE_DESCRIPTOR, "socket without SIGPIPE"));
    // The int-sized read and write: the socket BIO's size_t ones are adapters that call these.
    if (!made || BIO_meth_set_write(made.get(), SendQuietly) != 1 ||
        BIO_meth_set_read(made.get(), BIO_meth_get_read(socket)) != 1 ||
        BIO_meth_set_ctrl(made.get(), BIO_meth_get_ctrl(socket)) != 1 ||
        BIO_meth_set_create(made.get(), BIO_meth_get_create(socket)) != 1 ||
        BIO_meth_set_destroy(made.get(), BIO_meth_get_destroy(socket)) != 1)
        return nullptr;
    method = made.release();
    return method;
}

// A socket BIO over Handle (left open when the BIO goes) that writes with SendQuietly; its other methods are
// the socket BIO's own. Null when it cannot be made.
BIO* QuietSocketBio(int Handle) {
    const BIO_METHOD* method = QuietSocketMethod();
    BIO* bio = method != nullptr ? BIO_new(method) : nullptr;
    if (bio != nullptr)
        BIO_set_fd(bio, Handle, BIO_NOCLOSE);
    return bio;
}

std::string VerifyReason(long Result) {
    switch (Result) {
    case X509_V_ERR_UNABLE_TO_GET_ISSUER_CERT:
    case X509_V_ERR_UNABLE_TO_GET_ISSUER_CERT_LOCALLY:
    case X509_V_ERR_DEPTH_ZERO_SELF_SIGNED_CERT:
    case X509_V_ERR_SELF_SIGNED_CERT_IN_CHAIN:
    case X509_V_ERR_UNABLE_TO_VERIFY_LEAF_SIGNATURE:
        return "unknown issuer";
    case X509_V_ERR_HOSTNAME_MISMATCH:
    case X509_V_ERR_IP_ADDRESS_MISMATCH:
        return "name mismatch";
    case X509_V_ERR_CERT_HAS_EXPIRED:
        return "expired";
    case X509_V_ERR_CERT_NOT_YET_VALID:
        return "not yet valid";
    default:
        return X509_verify_cert_error_string(Result);
    }
}

bool IsIpLiteral(const std::string& Host) {
    unsigned char address[16];
    return inet_pton(AF_INET, Host.c_str(), address) == 1 || inet_pton(AF_INET6, Host.c_str(), address) == 1;
}

// TLS 1.2 or later over a connected descriptor, every step under the exchange's time-out and deadline.
class TOpenSslStream final : public TTlsStream {
  public:
    TOpenSslStream(int Handle, TTlsWait Wait) : FHandle(Handle), FWait(Wait) {}
    ~TOpenSslStream() override;
    TOpenSslStream(const TOpenSslStream&) = delete;
    TOpenSslStream& operator=(const TOpenSslStream&) = delete;

    bool Handshake(const std::string& Host, const std::string& CaFile, int TimeoutMs,
                   TClock::time_point Deadline) override;
    bool SendAll(std::string_view Data, int TimeoutMs, TClock::time_point Deadline) override;
    // A server that closes without close_notify reads as a close: the body's framing judges what came.
    std::ptrdiff_t Receive(char* Buffer, std::size_t Size, int TimeoutMs,
                           TClock::time_point Deadline) override;
    TExchangeFailure LastFailure() const override { return FLastFailure; }
    const std::string& FailureReason() const override { return FReason; }

  private:
    // Waits for what OpenSSL asked for after a call that returned Result; false (LastFailure set) when the
    // call failed for good or the wait expired.
    bool WaitAfter(int Result, int TimeoutMs, TClock::time_point Deadline);

    int FHandle;
    TTlsWait FWait;
    ssl_st* FSsl = nullptr;
    TExchangeFailure FLastFailure = TExchangeFailure::None;
    std::string FReason;
};

} // namespace

extern "C" __attribute__((visibility("default"))) TTlsStream* KovrinTlsOpenV1(int Handle, TTlsWait Wait) {
    return new TOpenSslStream(Handle, Wait);
}
static_assert(std::is_same_v<decltype(&KovrinTlsOpenV1), TTlsOpen>, "the entry is what the loader calls");

TOpenSslStream::~TOpenSslStream() {
    if (FSsl != nullptr)
        SSL_free(FSsl);
    // The worker's thread may still be ending when a short-lived program exits; its share of OpenSSL (random
    // generators, error queue) is given back now rather than at the thread's end, which may come too late.
    OPENSSL_thread_stop();
}

bool TOpenSslStream::WaitAfter(int Result, int TimeoutMs, TClock::time_point Deadline) {
    const int error = SSL_get_error(FSsl, Result);
    short events = 0;
    if (error == SSL_ERROR_WANT_READ)
        events = POLLIN;
    else if (error == SSL_ERROR_WANT_WRITE)
        events = POLLOUT;
    if (events == 0) {
        FLastFailure = TExchangeFailure::Closed;
        ERR_clear_error();
        return false;
    }
    if (!FWait(FHandle, events, TimeoutMs, Deadline)) {
        FLastFailure = TExchangeFailure::Timeout;
        return false;
    }
    return true;
}

bool TOpenSslStream::Handshake(const std::string& Host, const std::string& CaFile, int TimeoutMs,
                               TClock::time_point Deadline) {
    FReason.clear();
    FLastFailure = TExchangeFailure::Certificate;
    SSL_CTX* context = ClientContext(CaFile, FReason);
    if (context == nullptr)
        return false;
    FSsl = SSL_new(context);
    FLastFailure = TExchangeFailure::Handshake;
    BIO* socket = FSsl != nullptr ? QuietSocketBio(FHandle) : nullptr;
    if (socket == nullptr) {
        FReason = "handshake failed";
        return false;
    }
    SSL_set_bio(FSsl, socket, socket);
    // An address is checked against the certificate's IP entries and is never sent as a server name.
    const bool named =
        IsIpLiteral(Host)
            ? X509_VERIFY_PARAM_set1_ip_asc(SSL_get0_param(FSsl), Host.c_str()) == 1
            : SSL_set_tlsext_host_name(FSsl, Host.c_str()) == 1 && SSL_set1_host(FSsl, Host.c_str()) == 1;
    if (!named) {
        FReason = "handshake failed";
        return false;
    }
    SSL_set_connect_state(FSsl);
    for (;;) {
        ERR_clear_error();
        const int result = SSL_do_handshake(FSsl);
        if (result == 1)
            break;
        const long verified = SSL_get_verify_result(FSsl);
        if (verified != X509_V_OK) {
            FLastFailure = TExchangeFailure::Certificate;
            FReason = VerifyReason(verified);
            ERR_clear_error();
            return false;
        }
        const int error = SSL_get_error(FSsl, result);
        if (error != SSL_ERROR_WANT_READ && error != SSL_ERROR_WANT_WRITE) {
            const unsigned long code = ERR_peek_error();
            const char* reason = code != 0 ? ERR_reason_error_string(code) : nullptr;
            FReason = reason != nullptr ? std::string("handshake failed: ") + reason : "handshake failed";
            FLastFailure = TExchangeFailure::Handshake;
            ERR_clear_error();
            return false;
        }
        if (!WaitAfter(result, TimeoutMs, Deadline))
            return false;
    }
    FLastFailure = TExchangeFailure::None;
    return true;
}

bool TOpenSslStream::SendAll(std::string_view Data, int TimeoutMs, TClock::time_point Deadline) {
    FLastFailure = TExchangeFailure::SendFailed;
    while (!Data.empty()) {
        if (FSsl == nullptr || TClock::now() >= Deadline)
            return false;
        std::size_t sent = 0;
        ERR_clear_error();
        const int result = SSL_write_ex(FSsl, Data.data(), Data.size(), &sent);
        if (result == 1) {
            Data.remove_prefix(sent);
            continue;
        }
        if (!WaitAfter(result, TimeoutMs, Deadline)) {
            if (FLastFailure == TExchangeFailure::Closed)
                FLastFailure = TExchangeFailure::SendFailed;
            return false;
        }
    }
    FLastFailure = TExchangeFailure::None;
    return true;
}

std::ptrdiff_t TOpenSslStream::Receive(char* Buffer, std::size_t Size, int TimeoutMs,
                                       TClock::time_point Deadline) {
    FLastFailure = TExchangeFailure::Timeout;
    if (FSsl == nullptr || TClock::now() >= Deadline)
        return kReadFailed;
    for (;;) {
        std::size_t got = 0;
        ERR_clear_error();
        const int result = SSL_read_ex(FSsl, Buffer, Size, &got);
        if (result == 1) {
            FLastFailure = TExchangeFailure::None;
            return static_cast<std::ptrdiff_t>(got);
        }
        if (SSL_get_error(FSsl, result) == SSL_ERROR_ZERO_RETURN) {
            FLastFailure = TExchangeFailure::Closed;
            return 0;
        }
        if (!WaitAfter(result, TimeoutMs, Deadline))
            return kReadFailed;
    }
}
