#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>

#include "imghost/HttpRequest.h"
#include "imghost/HttpResponse.h"
#include "imghost/ShutdownSignal.h"
#include "platform/FileDescriptor.h"
#include "upload/OpenSslHandles.h"

namespace bildheber::imghost {

struct TlsServerConfig {
    std::string address = "127.0.0.1";
    std::uint16_t port = 8443;  // 0: any free port
    std::filesystem::path certificateFile;
    std::filesystem::path keyFile;
    RequestLimits limits;
    // A connection that stays silent this long is dropped...
    std::chrono::seconds idleTimeout{10};
    // ...and so is one whose request has not arrived whole in this time.
    std::chrono::seconds requestTimeout{120};
};

// An HTTPS server (TLS 1.2 and newer) that takes one connection at a time, reads one request
// (head, then Content-Length body), answers it and closes. A malformed head gets 400 here; the
// rest is the handler's.
class TlsServer {
  public:
    using Handler = std::function<HttpResponse(const RequestHead&, std::string_view body)>;
    using Log = std::function<void(const std::string&)>;

    // Loads the certificate and key, binds and listens. Throws std::runtime_error.
    TlsServer(const TlsServerConfig& config, Log log);
    TlsServer(const TlsServer&) = delete;
    TlsServer& operator=(const TlsServer&) = delete;

    // The port actually listened on.
    std::uint16_t port() const { return port_; }

    // Serves connections until `shutdown` is requested.
    void run(const Handler& handler, const ShutdownSignal& shutdown);

  private:
    void serveConnection(int fd, const Handler& handler);

    TlsServerConfig config_;
    Log log_;
    SslCtxPtr ctx_;
    FileDescriptor listenFd_;
    std::uint16_t port_ = 0;
};

}  // namespace bildheber::imghost
