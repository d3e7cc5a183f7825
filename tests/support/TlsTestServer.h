#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "support/TestCa.h"

namespace bildheber::test {

// One thing the server does after it has read a request.
struct ServerStep {
    enum class Kind {
        Send,           // write `bytes` over TLS
        Pause,          // sleep for `pause`
        CloseAbruptly,  // close the TCP socket at once, without a TLS close_notify
        Drip            // write `bytes` one at a time (a TLS record each), `pause` between them
    };
    Kind kind = Kind::Send;
    std::string bytes;
    std::chrono::milliseconds pause{0};

    static ServerStep send(std::string bytes);
    static ServerStep pauseFor(std::chrono::milliseconds duration);
    static ServerStep closeAbruptly();
    static ServerStep drip(std::string bytes, std::chrono::milliseconds pauseBetweenBytes);
};

struct TlsTestServerOptions {
    IssuedCertificate certificate;
    // Accept TLS 1.0 only (security level 0), like an old server; otherwise TLS 1.0 to 1.3.
    bool tls10Only = false;
    // When not zero, the request is read one byte at a time with this pause before each byte,
    // like a server that keeps the client sending for a long time.
    std::chrono::milliseconds requestBytePause{0};
    // When not zero, each connection waits this long before the TLS handshake.
    std::chrono::milliseconds handshakeDelay{0};
};

// A TLS server on 127.0.0.1 (an ephemeral port) for tests. It serves connections one after the
// other on its own thread: for each it completes the handshake, reads one HTTP request (the
// header section, then as many body bytes as its Content-Length says), records the raw request
// bytes, carries out the script and closes the connection cleanly (close_notify, then close)
// unless the script closed it. Handshake failures are recorded, not thrown.
class TlsTestServer {
  public:
    explicit TlsTestServer(TlsTestServerOptions options);
    ~TlsTestServer();  // stops the thread and closes the listening socket
    TlsTestServer(const TlsTestServer&) = delete;
    TlsTestServer& operator=(const TlsTestServer&) = delete;

    std::uint16_t port() const;

    // The script for every following connection; the default script sends nothing.
    void setScript(std::vector<ServerStep> steps);
    // Convenience: a script that sends `reply` as it stands.
    void setReply(std::string reply);
    // The next connection not yet served by a queued reply gets this one; after the queued
    // replies are used up, connections get the script again. setScript clears the queue.
    void queueReply(std::string reply);
    // The same for a whole script.
    void queueScript(std::vector<ServerStep> steps);

    // Raw bytes of every request received so far, one entry per connection, in order.
    // Waits up to `wait` for at least `atLeast` entries.
    std::vector<std::string> requests(
        std::size_t atLeast = 0, std::chrono::milliseconds wait = std::chrono::seconds(5)) const;
    // Number of connections whose TLS handshake failed.
    int failedHandshakes() const;
    // The protocol negotiated on the last connection ("TLSv1", "TLSv1.3", ...), or empty.
    std::string lastProtocol() const;
    // The server name (SNI) the client sent on the last connection, or empty.
    std::string lastServerName() const;

  private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace bildheber::test
