#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace bildheber::test {

// A certificate and its private key, both PEM.
struct IssuedCertificate {
    std::string certificatePem;
    std::string privateKeyPem;
};

// A certificate authority made at run time (EC P-256 keys), for servers that the tests start.
class TestCa {
  public:
    explicit TestCa(const std::string& commonName = "Bildheber Test CA");
    ~TestCa();
    TestCa(const TestCa&) = delete;
    TestCa& operator=(const TestCa&) = delete;

    // A server certificate valid now, signed by this CA, whose subject alternative names are the
    // given DNS names (and 127.0.0.1 as an IP address).
    IssuedCertificate issueServerCertificate(const std::vector<std::string>& dnsNames = {
                                                 "localhost"}) const;

    const std::string& certificatePem() const { return certificatePem_; }

    // Writes the CA certificate to `file` (for SSL_CERT_FILE) and returns the path.
    std::filesystem::path writeCertificate(const std::filesystem::path& file) const;

  private:
    struct Key;
    Key* key_;  // owned; EVP_PKEY kept out of this header
    std::string certificatePem_;
};

}  // namespace bildheber::test
