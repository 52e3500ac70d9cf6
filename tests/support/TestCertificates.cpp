#include "tests/support/TestCertificates.h"

#include <cstdio>
#include <memory>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/x509v3.h>
#include <stdexcept>

namespace {

using TKey = std::unique_ptr<EVP_PKEY, decltype(&EVP_PKEY_free)>;
using TCert = std::unique_ptr<X509, decltype(&X509_free)>;

void Check(bool Ok, const char* What) {
    if (!Ok)
        throw std::runtime_error(std::string("test certificates: ") + What);
}

TKey NewKey() {
    TKey key(EVP_EC_gen("P-256"), EVP_PKEY_free);
    Check(key != nullptr, "key");
    return key;
}

void AddExtension(X509* Cert, X509* Issuer, int Nid, const char* Value) {
    X509V3_CTX context;
    X509V3_set_ctx(&context, Issuer, Cert, nullptr, nullptr, 0);
    X509_EXTENSION* extension = X509V3_EXT_conf_nid(nullptr, &context, Nid, Value);
    Check(extension != nullptr && X509_add_ext(Cert, extension, -1) == 1, "extension");
    X509_EXTENSION_free(extension);
}

// Signs a certificate for Name valid from FromSeconds to ToSeconds (relative to now); a self-signed CA when
// Issuer is null.
TCert NewCert(const std::string& Name, const char* AltNames, EVP_PKEY* Key, X509* Issuer, EVP_PKEY* IssuerKey,
              long FromSeconds, long ToSeconds, long Serial) {
    TCert cert(X509_new(), X509_free);
    Check(cert != nullptr, "certificate");
    X509_set_version(cert.get(), 2);
    ASN1_INTEGER_set(X509_get_serialNumber(cert.get()), Serial);
    X509_gmtime_adj(X509_getm_notBefore(cert.get()), FromSeconds);
    X509_gmtime_adj(X509_getm_notAfter(cert.get()), ToSeconds);
    X509_NAME* subject = X509_get_subject_name(cert.get());
    X509_NAME_add_entry_by_txt(subject, "CN", MBSTRING_ASC,
                               reinterpret_cast<const unsigned char*>(Name.c_str()), -1, -1, 0);
    X509* issuer = Issuer != nullptr ? Issuer : cert.get();
    X509_set_issuer_name(cert.get(), X509_get_subject_name(issuer));
    X509_set_pubkey(cert.get(), Key);
    if (Issuer == nullptr) {
        AddExtension(cert.get(), issuer, NID_basic_constraints, "critical,CA:TRUE");
        AddExtension(cert.get(), issuer, NID_key_usage, "critical,keyCertSign,cRLSign");
    } else {
        AddExtension(cert.get(), issuer, NID_basic_constraints, "CA:FALSE");
        AddExtension(cert.get(), issuer, NID_subject_alt_name, AltNames);
    }
    Check(X509_sign(cert.get(), IssuerKey != nullptr ? IssuerKey : Key, EVP_sha256()) > 0, "signature");
    return cert;
}

template <typename TWrite> void WritePem(const std::filesystem::path& File, TWrite Write) {
    std::FILE* out = std::fopen(File.c_str(), "w");
    Check(out != nullptr, "file");
    const bool written = Write(out);
    Check(std::fclose(out) == 0 && written, "PEM");
}

void WriteCert(const std::filesystem::path& File, X509* Cert) {
    WritePem(File, [&](std::FILE* Out) { return PEM_write_X509(Out, Cert) == 1; });
}

} // namespace

TTestCertificates MakeTestCertificates(const std::filesystem::path& Folder) {
    constexpr long kDay = 24 * 3600;
    const char* kLoopback = "IP:127.0.0.1,DNS:localhost";
    TTestCertificates files{Folder / "ca.pem",      Folder / "server.pem", Folder / "server.key",
                            Folder / "expired.pem", Folder / "other.pem",  Folder / "stranger.pem"};
    const TKey caKey = NewKey();
    const TCert ca = NewCert("Kovrin Test CA", nullptr, caKey.get(), nullptr, nullptr, -kDay, kDay, 1);
    const TKey strangerKey = NewKey();
    const TCert stranger =
        NewCert("Stranger CA", nullptr, strangerKey.get(), nullptr, nullptr, -kDay, kDay, 2);
    const TKey key = NewKey();
    WriteCert(files.CaFile, ca.get());
    WritePem(files.ServerKey, [&](std::FILE* Out) {
        return PEM_write_PrivateKey(Out, key.get(), nullptr, nullptr, 0, nullptr, nullptr) == 1;
    });
    WriteCert(files.ServerCert,
              NewCert("127.0.0.1", kLoopback, key.get(), ca.get(), caKey.get(), -kDay, kDay, 3).get());
    WriteCert(files.ExpiredCert,
              NewCert("127.0.0.1", kLoopback, key.get(), ca.get(), caKey.get(), -2 * kDay, -3600, 4).get());
    WriteCert(files.OtherNameCert,
              NewCert("other.invalid", "DNS:other.invalid", key.get(), ca.get(), caKey.get(), -kDay, kDay, 5)
                  .get());
    WriteCert(
        files.StrangerCert,
        NewCert("127.0.0.1", kLoopback, key.get(), stranger.get(), strangerKey.get(), -kDay, kDay, 6).get());
    return files;
}
