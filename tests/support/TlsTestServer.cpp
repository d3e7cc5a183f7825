#include "support/TlsTestServer.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <openssl/err.h>
#include <openssl/pem.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <condition_variable>
#include <csignal>
#include <cstring>
#include <deque>
#include <mutex>
#include <stdexcept>
#include <string_view>
#include <thread>
#include <utility>

#include "platform/FileDescriptor.h"
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
constexpr int kReceiveTimeoutSeconds = 10;
// After close_notify, how long to read what the client still sends, so that closing with unread
// data does not turn into a TCP reset that could destroy the reply in the client's buffers.
constexpr int kLingerMilliseconds = 500;

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

// For system calls: the reason is errno.
void checkSystem(bool ok, const char* what) {
    if (!ok) {
        fail(what, std::strerror(errno));
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

FileDescriptor listenOnLoopback() {
    FileDescriptor fd(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
    checkSystem(fd.valid(), "socket");
    const int on = 1;
    ::setsockopt(fd.get(), SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    checkSystem(::bind(fd.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0,
                "bind");
    checkSystem(::listen(fd.get(), 16) == 0, "listen");
    return fd;
}

std::uint16_t localPort(int fd) {
    sockaddr_in address{};
    socklen_t size = sizeof address;
    checkSystem(::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size) == 0,
                "getsockname");
    return ntohs(address.sin_port);
}

void setReceiveTimeout(int fd, std::chrono::milliseconds timeout) {
    timeval tv{};
    tv.tv_sec = static_cast<time_t>(timeout.count() / 1000);
    tv.tv_usec = static_cast<suseconds_t>((timeout.count() % 1000) * 1000);
    ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv);
    ::setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &tv, sizeof tv);
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
    FileDescriptor listenFd;
    FileDescriptor wakeRead;  // the destructor writes to the other end to end poll() at once
    FileDescriptor wakeWrite;
    std::uint16_t port = 0;

    mutable std::mutex mutex;
    mutable std::condition_variable changed;  // a request was recorded, or stopping was set
    bool stopping = false;
    int connectionFd = -1;  // the connection being served, so the destructor can shut it down
    std::vector<ServerStep> script;
    std::deque<std::vector<ServerStep>> queuedScripts;  // for the next connections, in order
    std::vector<std::string> requests;
    int failedHandshakes = 0;
    std::string lastProtocol;
    std::string lastServerName;

    std::thread thread;

    void run();
    void serve(FileDescriptor connection);
    // Reads one request into `received`; false if the connection ended or timed out before the
    // request was complete.
    bool readRequest(SSL* ssl, std::string& received);
    // Returns false if the script closed the connection or it broke.
    bool carryOut(SSL* ssl, FileDescriptor& connection, const std::vector<ServerStep>& steps);
    // Writes `bytes` one at a time with `pause` between them; false if a write failed.
    bool drip(SSL* ssl, const std::string& bytes, std::chrono::milliseconds pause);
    bool isStopping() {
        std::lock_guard lock(mutex);
        return stopping;
    }
    // Sleeps for `duration`; false, and at once, when the server is being stopped.
    bool pauseUnlessStopping(std::chrono::milliseconds duration) {
        std::unique_lock lock(mutex);
        return !changed.wait_for(lock, duration, [this] { return stopping; });
    }
};

void TlsTestServer::Impl::run() {
    for (;;) {
        pollfd fds[2] = {{listenFd.get(), POLLIN, 0}, {wakeRead.get(), POLLIN, 0}};
        if (::poll(fds, 2, -1) < 0) {
            if (errno == EINTR) {
                continue;
            }
            return;
        }
        if (fds[1].revents != 0 || isStopping()) {
            return;
        }
        FileDescriptor connection(::accept4(listenFd.get(), nullptr, nullptr, SOCK_CLOEXEC));
        if (connection.valid()) {
            serve(std::move(connection));
        }
    }
}

void TlsTestServer::Impl::serve(FileDescriptor connection) {
    setReceiveTimeout(connection.get(), std::chrono::seconds(kReceiveTimeoutSeconds));
    {
        std::lock_guard lock(mutex);
        if (stopping) {
            return;
        }
        connectionFd = connection.get();
    }
    // Unregisters the fd before it is closed, so the destructor never shuts down a reused number.
    struct Unregister {
        Impl& impl;
        ~Unregister() {
            std::lock_guard lock(impl.mutex);
            impl.connectionFd = -1;
        }
    } unregister{*this};

    if (handshakeDelay > std::chrono::milliseconds::zero() &&
        !pauseUnlessStopping(handshakeDelay)) {
        return;
    }
    SslPtr ssl(SSL_new(ctx.get()));
    if (ssl == nullptr || SSL_set_fd(ssl.get(), connection.get()) != 1) {
        ERR_clear_error();
        return;
    }
    if (SSL_accept(ssl.get()) != 1) {
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
    if (complete && carryOut(ssl.get(), connection, steps) && SSL_shutdown(ssl.get()) >= 0) {
        ::shutdown(connection.get(), SHUT_WR);
        setReceiveTimeout(connection.get(), std::chrono::milliseconds(kLingerMilliseconds));
        char discard[4096];
        while (::recv(connection.get(), discard, sizeof discard, 0) > 0) {
        }
    }
    ERR_clear_error();
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
        int n = SSL_read(ssl, buffer, static_cast<int>(chunk));
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

bool TlsTestServer::Impl::carryOut(SSL* ssl, FileDescriptor& connection,
                                   const std::vector<ServerStep>& steps) {
    for (const ServerStep& step : steps) {
        switch (step.kind) {
            case ServerStep::Kind::Send:
                // SSL_write of nothing reports an error; sending nothing needs no call.
                if (!step.bytes.empty() &&
                    SSL_write(ssl, step.bytes.data(), static_cast<int>(step.bytes.size())) <= 0) {
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
            case ServerStep::Kind::CloseAbruptly: {
                {
                    std::lock_guard lock(mutex);
                    connectionFd = -1;
                }
                connection.reset();  // the SSL object never touches the fd again
                return false;
            }
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
        if (SSL_write(ssl, &bytes[i], 1) <= 0) {
            return false;
        }
    }
    return true;
}

TlsTestServer::TlsTestServer(TlsTestServerOptions options) : impl_(std::make_unique<Impl>()) {
    // A peer that goes away while the server writes must not kill the test process.
    std::signal(SIGPIPE, SIG_IGN);

    impl_->ctx = makeContext(options);
    impl_->requestBytePause = options.requestBytePause;
    impl_->handshakeDelay = options.handshakeDelay;
    impl_->listenFd = listenOnLoopback();
    impl_->port = localPort(impl_->listenFd.get());
    int pipeFds[2];
    checkSystem(::pipe2(pipeFds, O_CLOEXEC) == 0, "pipe2");
    impl_->wakeRead.reset(pipeFds[0]);
    impl_->wakeWrite.reset(pipeFds[1]);
    impl_->thread = std::thread([impl = impl_.get()] { impl->run(); });
}

TlsTestServer::~TlsTestServer() {
    {
        std::lock_guard lock(impl_->mutex);
        impl_->stopping = true;
        // Ends a blocking handshake or read at once instead of after the receive timeout.
        if (impl_->connectionFd >= 0) {
            ::shutdown(impl_->connectionFd, SHUT_RDWR);
        }
    }
    impl_->changed.notify_all();
    const char wake = 0;
    [[maybe_unused]] ssize_t ignored = ::write(impl_->wakeWrite.get(), &wake, 1);
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
