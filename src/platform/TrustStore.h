#pragma once

#include <string>
#include <vector>

namespace bildheber {

// Root certificates (DER) the system trusts beyond the files OpenSSL reads by itself: on Windows
// the certificate store's, on POSIX none (OpenSSL's default paths are the system's store). Empty
// when SSL_CERT_FILE names a file of trusted certificates, which then replaces the system's.
std::vector<std::string> systemRootCertificates();

}  // namespace bildheber
