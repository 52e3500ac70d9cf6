#pragma once
// Certificates made at test time: a CA of the test's own and server certificates it signs (good, expired,
// for another name), written as PEM files into a folder.

#include <filesystem>
#include <string>

struct TTestCertificates {
    std::filesystem::path CaFile;        // the CA's certificate
    std::filesystem::path ServerCert;    // for 127.0.0.1 and localhost, signed by the CA, valid now
    std::filesystem::path ServerKey;     // its key (every server certificate here shares it)
    std::filesystem::path ExpiredCert;   // same names, expired an hour ago
    std::filesystem::path OtherNameCert; // for "other.invalid" only
    std::filesystem::path StrangerCert;  // for 127.0.0.1, signed by a CA nobody trusts
};

// Makes the files in Folder. Throws std::runtime_error when OpenSSL fails.
TTestCertificates MakeTestCertificates(const std::filesystem::path& Folder);
