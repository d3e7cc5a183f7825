#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "upload/ByteSource.h"

namespace bildheber {

struct SocketTimeouts {
    // The longest wait for the socket to take more bytes (or to be connected), or to deliver some.
    std::chrono::milliseconds send{30000};
    std::chrono::milliseconds receive{30000};
    // The whole exchange, from resolving the name to the last byte of the reply, so that a peer
    // that trickles bytes just inside the waits above cannot hold an attempt forever.
    std::chrono::milliseconds exchange{120000};
};

// One TLS client connection to host:port over IPv4 for one exchange. Offers TLS 1.0 up to the
// newest version, sends the server name and verifies the certificate chain against the system's
// trust store (OpenSSL's default paths, so SSL_CERT_FILE and SSL_CERT_DIR apply) and the host
// name. The exchange's time limit starts with the constructor and covers everything done with
// the connection; once it has passed, every call fails. Everything is released by the
// destructor. Failures throw UploadError.
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
