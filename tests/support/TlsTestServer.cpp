#include "support/TlsTestServer.h"

#include <openssl/err.h>
#include <openssl/pem.h>

#include <algorithm>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <stdexcept>
#include <string_view>
#include <thread>
#include <tuple>
#include <utility>

#include "support/LoopbackSockets.h"
#include "support/OpenSslTestHandles.h"
#include "upload/AsciiCase.h"

namespace bildheber::test {

ServerStep ServerStep::send(std::string bytes) {
    ServerStep step;
    step.kind = Kind::Send;
    step.bytes = std::move(bytes);
    return step;
}

ServerStep ServerStep::pauseFor(std::chrono::milliseconds duration) {
    ServerStep step;
    step.kind = Kind::Pause;
    step.pause = duration;
    return step;
}

ServerStep ServerStep::closeAbruptly() {
    ServerStep step;
    step.kind = Kind::CloseAbruptly;
    return step;
}

ServerStep ServerStep::drip(std::string bytes, std::chrono::milliseconds pauseBetweenBytes) {
    ServerStep step;
    step.kind = Kind::Drip;
    step.bytes = std::move(bytes);
    step.pause = pauseBetweenBytes;
    return step;
}

namespace {

// How long a connection may stay silent before the server gives up on it; the destructor
// interrupts it sooner.
constexpr std::chrono::seconds kSilenceLimit{10};
// After close_notify, how long to read what the client still sends, so that closing with unread
// data does not turn into a TCP reset that could destroy the reply in the client's buffers.
constexpr std::chrono::milliseconds kLinger{500};

[[noreturn]] void fail(const std::string& what, const std::string& reason) {
    ERR_clear_error();
    throw std::runtime_error("TlsTestServer: " + what + (reason.empty() ? "" : ": " + reason));
}

// For OpenSSL calls: the reason comes from OpenSSL's error queue.
void check(bool ok, const char* what) {
    if (!ok) {
        char text[256] = "";
        if (unsigned long code = ERR_get_error(); code != 0) {
            ERR_error_string_n(code, text, sizeof text);
        }
        fail(what, text);
    }
}

BioPtr memoryBio(const std::string& pem) {
    BioPtr bio(BIO_new_mem_buf(pem.data(), static_cast<int>(pem.size())));
    check(bio != nullptr, "BIO_new_mem_buf");
    return bio;
}

SslCtxPtr makeContext(const TlsTestServerOptions& options) {
    SslCtxPtr ctx(SSL_CTX_new(TLS_server_method()));
    check(ctx != nullptr, "SSL_CTX_new");

    // Everything explicit: the system's openssl.cnf may raise the minimum protocol and the
    // security level, and TLS 1.0 (SHA-1 / MD5-SHA-1 signatures) only works at level 0.
    const int maxVersion = options.tls10Only ? TLS1_VERSION : TLS1_3_VERSION;
    check(SSL_CTX_set_min_proto_version(ctx.get(), TLS1_VERSION) == 1 &&
              SSL_CTX_set_max_proto_version(ctx.get(), maxVersion) == 1,
          "cannot set the protocol versions");
    SSL_CTX_set_security_level(ctx.get(), 0);
    check(SSL_CTX_set_cipher_list(ctx.get(), "ALL:@SECLEVEL=0") == 1, "SSL_CTX_set_cipher_list");

    X509Ptr cert(PEM_read_bio_X509(memoryBio(options.certificate.certificatePem).get(), nullptr,
                                   nullptr, nullptr));
    check(cert != nullptr, "cannot read the server certificate");
    PkeyPtr key(PEM_read_bio_PrivateKey(memoryBio(options.certificate.privateKeyPem).get(), nullptr,
                                        nullptr, nullptr));
    check(key != nullptr, "cannot read the server key");
    check(SSL_CTX_use_certificate(ctx.get(), cert.get()) == 1 &&
              SSL_CTX_use_PrivateKey(ctx.get(), key.get()) == 1 &&
              SSL_CTX_check_private_key(ctx.get()) == 1,
          "cannot use the server certificate and key");
    return ctx;
}

// The Content-Length of a header section (request line and headers, without the final empty
// line); 0 when there is none or it is not a plain number.
std::size_t contentLength(std::string_view headers) {
    std::size_t lineStart = headers.find("\r\n");
    while (lineStart != std::string_view::npos) {
        lineStart += 2;
        std::size_t lineEnd = headers.find("\r\n", lineStart);
        std::string_view line =
            headers.substr(lineStart, lineEnd == std::string_view::npos ? std::string_view::npos
                                                                        : lineEnd - lineStart);
        std::size_t colon = line.find(':');
        if (colon != std::string_view::npos &&
            equalsIgnoringAsciiCase(line.substr(0, colon), "content-length")) {
            std::string_view value = line.substr(colon + 1);
            while (!value.empty() && (value.front() == ' ' || value.front() == '\t')) {
                value.remove_prefix(1);
            }
            std::size_t length = 0;
            for (char c : value) {
                if (c < '0' || c > '9') {
                    break;
                }
                length = length * 10 + static_cast<std::size_t>(c - '0');
            }
            return length;
        }
        lineStart = lineEnd;
    }
    return 0;
}

}  // namespace

struct TlsTestServer::Impl {
    SslCtxPtr ctx;
    std::chrono::milliseconds requestBytePause{0};
    std::chrono::milliseconds handshakeDelay{0};
    LoopbackSocket listening;
    std::uint16_t port = 0;
    // The sockets are non-blocking and every wait for one also watches wakeReceive: the destructor
    // closes wakeSend, and each wait ends at once, on every system. (A wait cut into short slices
    // instead trips over a race in Wine's socket polls.)
    LoopbackSocket wakeSend;
    LoopbackSocket wakeReceive;

    mutable std::mutex mutex;
    mutable std::condition_variable changed;  // a request was recorded, or stopping was set
    bool stopping = false;
    std::vector<ServerStep> script;
    std::deque<std::vector<ServerStep>> queuedScripts;  // for the next connections, in order
    std::vector<std::string> requests;
    int failedHandshakes = 0;
    std::string lastProtocol;
    std::string lastServerName;

    std::thread thread;

    void run();
    void serve(LoopbackSocket connection);
    // Reads one request into `received`; false if the connection ended or timed out before the
    // request was complete.
    bool readRequest(SSL* ssl, std::string& received);
    // Returns false if the script closed the connection or it broke.
    bool carryOut(SSL* ssl, LoopbackSocket& connection, const std::vector<ServerStep>& steps);
    // Writes `bytes` one at a time with `pause` between them; false if a write failed.
    bool drip(SSL* ssl, const std::string& bytes, std::chrono::milliseconds pause);
    // Writes all `size` bytes (SSL_write makes no partial writes here); false if that failed.
    bool write(SSL* ssl, const char* bytes, int size) {
        return retry(ssl, [&] { return SSL_write(ssl, bytes, size); }) > 0;
    }
    // Sends close_notify; false if that failed.
    bool closeNotify(SSL* ssl);
    // Reads and drops what the client still sends, until it closes or stays silent for kLinger.
    void drain(SSL* ssl);

    // Makes an SSL call on the non-blocking connection again each time the socket is ready for
    // it, until it succeeds (a result above 0) or fails for good; returns the last result.
    template <typename Call>
    int retry(SSL* ssl, Call call) {
        for (;;) {
            const int result = call();
            if (result > 0 || !awaitRetry(ssl, result)) {
                return result;
            }
        }
    }
    // After an SSL call returned `result`: waits until the socket is ready to make it again; false
    // if the call failed for good, the connection stayed silent too long or the server stops.
    bool awaitRetry(SSL* ssl, int result) {
        const int error = SSL_get_error(ssl, result);
        return (error == SSL_ERROR_WANT_READ || error == SSL_ERROR_WANT_WRITE) &&
               await(SSL_get_fd(ssl), error == SSL_ERROR_WANT_READ, kSilenceLimit);
    }
    // Waits until `socket` can receive (or send); false after `patience`, or when stopping.
    bool await(int socket, bool receive, std::chrono::milliseconds patience) {
        return waitUntilReadyOrWoken(socket, receive, wakeReceive, patience) ==
               SocketReadiness::Ready;
    }
    // Sleeps for `duration`; false, and at once, when the server is being stopped.
    bool pauseUnlessStopping(std::chrono::milliseconds duration) {
        std::unique_lock lock(mutex);
        return !changed.wait_for(lock, duration, [this] { return stopping; });
    }
};

void TlsTestServer::Impl::run() {
    while (await(listening.get(), true, kWaitForever)) {
        LoopbackSocket connection = acceptConnection(listening);
        if (connection.valid()) {
            serve(std::move(connection));
        }
    }
}

void TlsTestServer::Impl::serve(LoopbackSocket connection) {
    if (handshakeDelay > std::chrono::milliseconds::zero() &&
        !pauseUnlessStopping(handshakeDelay)) {
        return;
    }
    SslPtr ssl(SSL_new(ctx.get()));
    if (ssl == nullptr || SSL_set_fd(ssl.get(), connection.get()) != 1) {
        ERR_clear_error();
        return;
    }
    if (retry(ssl.get(), [&] { return SSL_accept(ssl.get()); }) != 1) {
        ERR_clear_error();
        std::lock_guard lock(mutex);
        ++failedHandshakes;
        return;
    }
    std::vector<ServerStep> steps;
    {
        std::lock_guard lock(mutex);
        lastProtocol = SSL_get_version(ssl.get());
        const char* serverName = SSL_get_servername(ssl.get(), TLSEXT_NAMETYPE_host_name);
        lastServerName = serverName != nullptr ? serverName : "";
        if (queuedScripts.empty()) {
            steps = script;
        } else {
            steps = std::move(queuedScripts.front());
            queuedScripts.pop_front();
        }
    }

    std::string received;
    const bool complete = readRequest(ssl.get(), received);
    {
        // Recorded even when incomplete, so that entries match connections.
        std::lock_guard lock(mutex);
        requests.push_back(std::move(received));
    }
    changed.notify_all();

    // A client that left before its request was complete gets no reply and no close_notify.
    if (complete && carryOut(ssl.get(), connection, steps) && closeNotify(ssl.get())) {
        stopSending(connection.get());
        drain(ssl.get());
    }
    ERR_clear_error();
}

bool TlsTestServer::Impl::closeNotify(SSL* ssl) {
    // 0 is success here too: close_notify is sent, the client's own is not awaited.
    int result = 0;
    while ((result = SSL_shutdown(ssl)) < 0) {
        if (!awaitRetry(ssl, result)) {
            return false;
        }
    }
    return true;
}

void TlsTestServer::Impl::drain(SSL* ssl) {
    BIO* socket = SSL_get_rbio(ssl);  // the connection's own socket BIO, below TLS
    char discard[4096];
    while (await(SSL_get_fd(ssl), true, kLinger)) {
        if (BIO_read(socket, discard, sizeof discard) <= 0 && !BIO_should_retry(socket)) {
            return;
        }
    }
}

bool TlsTestServer::Impl::readRequest(SSL* ssl, std::string& received) {
    std::size_t wanted = std::string::npos;  // known once the header section is complete
    char buffer[16 * 1024];
    while (received.size() < wanted) {
        // Never read past the request's end, so that its bytes are recorded exactly.
        std::size_t chunk = sizeof buffer;
        if (wanted != std::string::npos) {
            chunk = std::min(chunk, wanted - received.size());
        }
        if (requestBytePause > std::chrono::milliseconds::zero()) {
            if (!pauseUnlessStopping(requestBytePause)) {
                return false;
            }
            chunk = 1;
        }
        const int n = retry(ssl, [&] { return SSL_read(ssl, buffer, static_cast<int>(chunk)); });
        if (n <= 0) {
            return false;
        }
        received.append(buffer, static_cast<std::size_t>(n));
        if (wanted == std::string::npos) {
            std::size_t end = received.find("\r\n\r\n");
            if (end != std::string::npos) {
                wanted = end + 4 + contentLength(std::string_view(received).substr(0, end));
            }
        }
    }
    return true;
}

bool TlsTestServer::Impl::carryOut(SSL* ssl, LoopbackSocket& connection,
                                   const std::vector<ServerStep>& steps) {
    for (const ServerStep& step : steps) {
        switch (step.kind) {
            case ServerStep::Kind::Send:
                // SSL_write of nothing reports an error; sending nothing needs no call.
                if (!step.bytes.empty() &&
                    !write(ssl, step.bytes.data(), static_cast<int>(step.bytes.size()))) {
                    return false;
                }
                break;
            case ServerStep::Kind::Pause:
                if (!pauseUnlessStopping(step.pause)) {
                    return true;  // still closed cleanly, but without the rest of the script
                }
                break;
            case ServerStep::Kind::Drip:
                if (!drip(ssl, step.bytes, step.pause)) {
                    return false;
                }
                break;
            case ServerStep::Kind::CloseAbruptly:
                connection.reset();  // the SSL object never touches the socket again
                return false;
        }
    }
    return true;
}

bool TlsTestServer::Impl::drip(SSL* ssl, const std::string& bytes,
                               std::chrono::milliseconds pause) {
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (i > 0 && !pauseUnlessStopping(pause)) {
            return true;  // stopping: the rest is left out, as after a pause
        }
        if (!write(ssl, &bytes[i], 1)) {
            return false;
        }
    }
    return true;
}

TlsTestServer::TlsTestServer(TlsTestServerOptions options) : impl_(std::make_unique<Impl>()) {
    impl_->ctx = makeContext(options);
    impl_->requestBytePause = options.requestBytePause;
    impl_->handshakeDelay = options.handshakeDelay;
    impl_->listening = listenOnLoopback();  // a peer that goes away can no longer kill us (SIGPIPE)
    impl_->port = localPort(impl_->listening);
    std::tie(impl_->wakeSend, impl_->wakeReceive) = connectedPair();
    impl_->thread = std::thread([impl = impl_.get()] { impl->run(); });
}

TlsTestServer::~TlsTestServer() {
    {
        std::lock_guard lock(impl_->mutex);
        impl_->stopping = true;
    }
    impl_->changed.notify_all();  // ends a pause
    impl_->wakeSend.reset();      // ends a wait for a socket
    impl_->thread.join();
}

std::uint16_t TlsTestServer::port() const {
    return impl_->port;
}

void TlsTestServer::setScript(std::vector<ServerStep> steps) {
    std::lock_guard lock(impl_->mutex);
    impl_->script = std::move(steps);
    impl_->queuedScripts.clear();
}

void TlsTestServer::setReply(std::string reply) {
    setScript({ServerStep::send(std::move(reply))});
}

std::vector<std::string> TlsTestServer::requests(std::size_t atLeast,
                                                 std::chrono::milliseconds wait) const {
    std::unique_lock lock(impl_->mutex);
    impl_->changed.wait_for(lock, wait, [&] { return impl_->requests.size() >= atLeast; });
    return impl_->requests;
}

int TlsTestServer::failedHandshakes() const {
    std::lock_guard lock(impl_->mutex);
    return impl_->failedHandshakes;
}

std::string TlsTestServer::lastProtocol() const {
    std::lock_guard lock(impl_->mutex);
    return impl_->lastProtocol;
}

void TlsTestServer::queueReply(std::string reply) {
    queueScript({ServerStep::send(std::move(reply))});
}

void TlsTestServer::queueScript(std::vector<ServerStep> steps) {
    std::lock_guard lock(impl_->mutex);
    impl_->queuedScripts.push_back(std::move(steps));
}

std::string TlsTestServer::lastServerName() const {
    std::lock_guard lock(impl_->mutex);
    return impl_->lastServerName;
}

}  // namespace bildheber::test
