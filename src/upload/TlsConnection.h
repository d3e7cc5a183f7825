#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "upload/ByteSource.h"

namespace bildheber {

struct SocketTimeouts {
    std::chrono::milliseconds send{30000};
    std::chrono::milliseconds receive{30000};
};

// One TLS client connection to host:port over IPv4. Offers TLS 1.0 up to the newest version,
// sends the server name and verifies the certificate chain against the system's trust store
// (OpenSSL's default paths, so SSL_CERT_FILE and SSL_CERT_DIR apply) and the host name.
// Everything is released by the destructor. Failures throw UploadError.
class TlsConnection : public ByteSource {
  public:
    TlsConnection(const std::string& host, std::uint16_t port, const SocketTimeouts& timeouts);
    ~TlsConnection() override;
    TlsConnection(const TlsConnection&) = delete;
    TlsConnection& operator=(const TlsConnection&) = delete;

    void writeAll(std::string_view bytes);
    std::size_t read(char* buffer, std::size_t size) override;

    // The negotiated protocol, such as "TLSv1" or "TLSv1.3".
    std::string protocolVersion() const;

  private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace bildheber
