#pragma once

#include <filesystem>

namespace bildheber::imghost {

struct CertificateFiles {
    std::filesystem::path certificate;  // PEM; also what clients trust (SSL_CERT_FILE)
    std::filesystem::path key;          // PEM, readable by the owner only
    bool created = false;               // made on this start rather than reused
};

// The host's own certificate in `folder`: localhost-cert.pem and localhost-key.pem. Made on the
// first start and reused afterwards; made anew when the pair cannot be read, does not match or
// has expired. Self-signed, EC P-256, SHA-256, valid ten years, for DNS:localhost and
// IP:127.0.0.1, and a CA (basicConstraints CA:TRUE) so that it can be trusted on its own.
// Throws std::runtime_error.
CertificateFiles localhostCertificate(const std::filesystem::path& folder);

}  // namespace bildheber::imghost
