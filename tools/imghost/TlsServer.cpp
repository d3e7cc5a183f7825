#include "imghost/TlsServer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <openssl/err.h>
#include <poll.h>
#include <sys/socket.h>

#include <cerrno>
#include <cstring>
#include <optional>
#include <stdexcept>

#include "imghost/BadRequest.h"

namespace bildheber::imghost {

namespace {

using Clock = std::chrono::steady_clock;

constexpr std::size_t kReadChunk = 64 * 1024;
// After answering, how long and how much to read of what the client still sends, so that
// closing with unread data does not turn into a reset that destroys the answer in transit.
constexpr std::chrono::milliseconds kDrainTime{500};
constexpr std::size_t kMaxDrainBytes = std::size_t{64} << 20;

class ConnectionError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

[[noreturn]] void failSystem(const std::string& what) {
    throw std::runtime_error(what + ": " + std::strerror(errno));
}

void setSocketTimeouts(int fd, std::chrono::milliseconds timeout) {
    timeval value{};
    value.tv_sec = static_cast<time_t>(timeout.count() / 1000);
    value.tv_usec = static_cast<suseconds_t>((timeout.count() % 1000) * 1000);
    ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &value, sizeof value);
    ::setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &value, sizeof value);
}

SslCtxPtr makeServerContext(const TlsServerConfig& config) {
    SslCtxPtr ctx(SSL_CTX_new(TLS_server_method()));
    const auto check = [](bool ok, const std::string& what) {
        if (!ok) {
            throw std::runtime_error(what + ": " + openSslErrors());
        }
    };
    check(ctx != nullptr, "TLS context");
    check(SSL_CTX_set_min_proto_version(ctx.get(), TLS1_2_VERSION) == 1, "TLS versions");
    // Clients that close without close_notify after reading the answer are no error of ours.
    SSL_CTX_set_options(ctx.get(), SSL_OP_IGNORE_UNEXPECTED_EOF | SSL_OP_NO_RENEGOTIATION);
    check(SSL_CTX_use_certificate_chain_file(ctx.get(), config.certificateFile.c_str()) == 1,
          "cannot use the certificate " + config.certificateFile.string());
    check(SSL_CTX_use_PrivateKey_file(ctx.get(), config.keyFile.c_str(), SSL_FILETYPE_PEM) == 1,
          "cannot use the key " + config.keyFile.string());
    check(SSL_CTX_check_private_key(ctx.get()) == 1, "certificate and key do not match");
    return ctx;
}

FileDescriptor listenOn(const std::string& address, std::uint16_t port) {
    FileDescriptor fd(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
    if (!fd.valid()) {
        failSystem("socket");
    }
    const int on = 1;
    ::setsockopt(fd.get(), SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    sockaddr_in socketAddress{};
    socketAddress.sin_family = AF_INET;
    socketAddress.sin_port = htons(port);
    if (inet_pton(AF_INET, address.c_str(), &socketAddress.sin_addr) != 1) {
        throw std::runtime_error("not an IPv4 address: " + address);
    }
    if (::bind(fd.get(), reinterpret_cast<const sockaddr*>(&socketAddress), sizeof socketAddress) !=
        0) {
        failSystem("cannot listen on " + address + ":" + std::to_string(port));
    }
    if (::listen(fd.get(), 16) != 0) {
        failSystem("listen");
    }
    return fd;
}

std::uint16_t boundPort(int fd) {
    sockaddr_in address{};
    socklen_t size = sizeof address;
    if (::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size) != 0) {
        failSystem("getsockname");
    }
    return ntohs(address.sin_port);
}

// One accepted TLS connection; reads fail with ConnectionError after the idle time-out, a
// broken connection, or once the request deadline has passed.
class Connection {
  public:
    Connection(SSL* ssl, int fd, Clock::time_point deadline)
        : ssl_(ssl), fd_(fd), deadline_(deadline) {}

    // Appends what arrives next; false once the client has closed.
    bool readMore(std::string& received) {
        if (Clock::now() > deadline_) {
            throw ConnectionError("request not complete in time");
        }
        const std::size_t old = received.size();
        received.resize(old + kReadChunk);
        std::size_t got = 0;
        errno = 0;
        const int ok = SSL_read_ex(ssl_, received.data() + old, kReadChunk, &got);
        received.resize(old + got);
        if (ok == 1) {
            return true;
        }
        if (SSL_get_error(ssl_, 0) == SSL_ERROR_ZERO_RETURN) {
            return false;
        }
        broken_ = true;
        throw ConnectionError(errno == EAGAIN || errno == EWOULDBLOCK ? "idle time-out"
                              : errno == EINTR                        ? "interrupted"
                                               : "read failed: " + openSslErrors());
    }

    void writeAll(std::string_view bytes) {
        while (!bytes.empty()) {
            std::size_t written = 0;
            if (SSL_write_ex(ssl_, bytes.data(), bytes.size(), &written) != 1) {
                broken_ = true;
                throw ConnectionError("write failed: " + openSslErrors());
            }
            bytes.remove_prefix(written);
        }
    }

    // Sends close_notify and reads away what the client may still be sending.
    void finish() {
        if (broken_) {
            return;
        }
        SSL_shutdown(ssl_);
        ::shutdown(fd_, SHUT_WR);
        setSocketTimeouts(fd_, std::chrono::duration_cast<std::chrono::milliseconds>(kDrainTime));
        const auto drainEnd = Clock::now() + kDrainTime;
        char buffer[16 * 1024];
        std::size_t drained = 0;
        while (drained < kMaxDrainBytes && Clock::now() < drainEnd) {
            const ssize_t n = ::recv(fd_, buffer, sizeof buffer, 0);
            if (n <= 0) {
                break;
            }
            drained += static_cast<std::size_t>(n);
        }
    }

  private:
    SSL* ssl_;
    int fd_;
    Clock::time_point deadline_;
    bool broken_ = false;
};

// Reads one request and lets the handler answer it; a malformed head gets 400.
HttpResponse respond(Connection& connection, const TlsServer::Handler& handler,
                     const RequestLimits& limits, const TlsServer::Log& log) {
    std::string received;
    try {
        std::optional<std::size_t> bodyStart;
        while (!(bodyStart = findBodyStart(received, limits))) {
            if (!connection.readMore(received)) {
                throw ConnectionError("closed before the request head was complete");
            }
        }
        const RequestHead head = parseRequestHead(std::string_view(received).substr(0, *bodyStart));
        const std::size_t length = bodyLength(head, limits);
        received.reserve(*bodyStart + length);
        while (received.size() - *bodyStart < length) {
            if (!connection.readMore(received)) {
                throw ConnectionError("closed before the body was complete");
            }
        }
        return handler(head, std::string_view(received).substr(*bodyStart, length));
    } catch (const BadRequest& error) {
        log(std::string("bad request: ") + error.what());
        return textResponse(400, std::string("bad request: ") + error.what());
    }
}

}  // namespace

TlsServer::TlsServer(const TlsServerConfig& config, Log log)
    : config_(config),
      log_(std::move(log)),
      ctx_(makeServerContext(config)),
      listenFd_(listenOn(config.address, config.port)),
      port_(boundPort(listenFd_.get())) {}

void TlsServer::run(const Handler& handler, const ShutdownSignal& shutdown) {
    while (!shutdown.requested()) {
        pollfd watched[2] = {{listenFd_.get(), POLLIN, 0}, {shutdown.fd(), POLLIN, 0}};
        if (::poll(watched, 2, -1) < 0) {
            if (errno == EINTR) {
                continue;
            }
            failSystem("poll");
        }
        if (watched[1].revents != 0) {
            break;
        }
        const int fd = ::accept4(listenFd_.get(), nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0) {
            if (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR &&
                errno != ECONNABORTED) {
                log_(std::string("accept failed: ") + std::strerror(errno));
            }
            continue;
        }
        serveConnection(fd, handler);
    }
}

void TlsServer::serveConnection(int fd, const Handler& handler) {
    const FileDescriptor socket(fd);
    setSocketTimeouts(fd, config_.idleTimeout);
    SslPtr ssl(SSL_new(ctx_.get()));
    if (!ssl || SSL_set_fd(ssl.get(), fd) != 1) {
        log_("cannot set up TLS: " + openSslErrors());
        return;
    }
    ERR_clear_error();
    if (SSL_accept(ssl.get()) != 1) {
        log_("TLS handshake failed: " + openSslErrors());
        return;
    }
    Connection connection(ssl.get(), fd, Clock::now() + config_.requestTimeout);
    try {
        const HttpResponse response = respond(connection, handler, config_.limits, log_);
        connection.writeAll(serializeResponse(response));
        connection.finish();
    } catch (const ConnectionError& error) {
        log_(std::string("connection dropped: ") + error.what());
    } catch (const std::exception& error) {
        log_(std::string("connection dropped after an error: ") + error.what());
    }
}

}  // namespace bildheber::imghost
