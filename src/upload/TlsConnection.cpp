#include "upload/TlsConnection.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <openssl/err.h>
#include <openssl/ssl.h>
#include <openssl/x509v3.h>
#include <sys/socket.h>
#include <sys/time.h>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <mutex>

#include "platform/FileDescriptor.h"
#include "upload/OpenSslHandles.h"
#include "upload/UploadError.h"

namespace bildheber {

namespace {

// The image host has always been offered this preference for TLS 1.2 and below.
constexpr const char* kCipherList = "AES:ALL:!aNULL:!eNULL:+RC4:@STRENGTH";

struct AddrInfoDeleter {
    void operator()(addrinfo* info) const { freeaddrinfo(info); }
};
using AddrInfoPtr = std::unique_ptr<addrinfo, AddrInfoDeleter>;

[[noreturn]] void fail(const std::string& what) {
    throw UploadError(what);
}

// A peer that closes while we write must end the attempt, not the program.
void ignoreBrokenPipeSignal() {
    static std::once_flag once;
    std::call_once(once, [] {
        struct sigaction current {};
        if (sigaction(SIGPIPE, nullptr, &current) == 0 && current.sa_handler == SIG_DFL) {
            std::signal(SIGPIPE, SIG_IGN);
        }
    });
}

// OpenSSL's own security check at the context's level, so that ours can delegate to it.
using SecurityCallback = int (*)(const SSL*, const SSL_CTX*, int, int, int, void*, void*);
SecurityCallback defaultSecurityCallback() {
    static const SecurityCallback callback = [] {
        const SslCtxPtr probe(SSL_CTX_new(TLS_client_method()));
        return probe ? SSL_CTX_get_security_callback(probe.get()) : nullptr;
    }();
    return callback;
}

// TLS 1.0 and 1.1 sign the key exchange with SHA-1 or MD5+SHA-1, which the default security
// level refuses. Accept exactly those signatures, and only on such a connection, so that an old
// image host still works while everything else keeps the default level.
int allowLegacySignaturesBelowTls12(const SSL* ssl, const SSL_CTX* ctx, int op, int bits, int nid,
                                    void* other, void* ex) {
    if (defaultSecurityCallback()(ssl, ctx, op, bits, nid, other, ex)) {
        return 1;
    }
    const bool legacyDigest = nid == NID_sha1 || nid == NID_md5_sha1;
    const bool signatureCheck = (op & SSL_SECOP_OTHER_TYPE) == SSL_SECOP_OTHER_SIGALG;
    return signatureCheck && legacyDigest && ssl != nullptr && SSL_version(ssl) < TLS1_2_VERSION;
}

SslCtxPtr makeClientContext() {
    SslCtxPtr ctx(SSL_CTX_new(TLS_client_method()));
    if (!ctx) {
        fail("TLS context: " + openSslErrors());
    }
    // Explicit versions override the system configuration, which may forbid TLS 1.0.
    SSL_CTX_set_min_proto_version(ctx.get(), TLS1_VERSION);
    SSL_CTX_set_max_proto_version(ctx.get(), 0);
    if (SSL_CTX_set_cipher_list(ctx.get(), kCipherList) != 1) {
        fail("TLS cipher list: " + openSslErrors());
    }
    if (defaultSecurityCallback() == nullptr) {
        fail("TLS security callback: " + openSslErrors());
    }
    SSL_CTX_set_security_callback(ctx.get(), &allowLegacySignaturesBelowTls12);
    // Servers that drop the connection without close_notify are common; their data is complete
    // as far as HTTP framing says, so such a close is an ordinary end of stream.
    SSL_CTX_set_options(ctx.get(), SSL_OP_IGNORE_UNEXPECTED_EOF);
    if (SSL_CTX_set_default_verify_paths(ctx.get()) != 1) {
        fail("TLS trust store: " + openSslErrors());
    }
    SSL_CTX_set_verify(ctx.get(), SSL_VERIFY_PEER, nullptr);
    return ctx;
}

bool isIpv4Literal(const std::string& host) {
    in_addr address{};
    return inet_pton(AF_INET, host.c_str(), &address) == 1;
}

FileDescriptor connectTcp(const std::string& host, std::uint16_t port) {
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    const std::string service = std::to_string(port);
    if (const int error = getaddrinfo(host.c_str(), service.c_str(), &hints, &found); error != 0) {
        fail("cannot resolve " + host + ": " + gai_strerror(error));
    }
    AddrInfoPtr addresses(found);
    int lastError = 0;
    for (const addrinfo* a = addresses.get(); a != nullptr; a = a->ai_next) {
        FileDescriptor socket(
            ::socket(a->ai_family, a->ai_socktype | SOCK_CLOEXEC, a->ai_protocol));
        if (!socket.valid()) {
            lastError = errno;
            continue;
        }
        if (::connect(socket.get(), a->ai_addr, a->ai_addrlen) == 0) {
            return socket;
        }
        lastError = errno;
    }
    fail("cannot connect to " + host + ":" + service + ": " + std::strerror(lastError));
}

void setTimeout(int fd, int option, std::chrono::milliseconds timeout) {
    timeval value{};
    value.tv_sec = static_cast<time_t>(timeout.count() / 1000);
    value.tv_usec = static_cast<suseconds_t>((timeout.count() % 1000) * 1000);
    setsockopt(fd, SOL_SOCKET, option, &value, sizeof value);
}

void expectHostName(SSL* ssl, const std::string& host) {
    if (isIpv4Literal(host)) {
        X509_VERIFY_PARAM_set1_ip_asc(SSL_get0_param(ssl), host.c_str());
        return;  // no server name indication for an address
    }
    SSL_set_tlsext_host_name(ssl, host.c_str());
    SSL_set1_host(ssl, host.c_str());
}

}  // namespace

struct TlsConnection::Impl {
    FileDescriptor socket;
    SslCtxPtr ctx;
    SslPtr ssl;
    bool broken = false;  // after a fatal error OpenSSL must not send close_notify

    [[noreturn]] void failAndMarkBroken(const std::string& what) {
        broken = true;
        fail(what);
    }
};

TlsConnection::TlsConnection(const std::string& host, std::uint16_t port,
                             const SocketTimeouts& timeouts)
    : impl_(std::make_unique<Impl>()) {
    ignoreBrokenPipeSignal();
    ERR_clear_error();
    impl_->socket = connectTcp(host, port);
    impl_->ctx = makeClientContext();
    impl_->ssl.reset(SSL_new(impl_->ctx.get()));
    if (!impl_->ssl) {
        fail("TLS session: " + openSslErrors());
    }
    SSL* ssl = impl_->ssl.get();
    expectHostName(ssl, host);
    SSL_set_fd(ssl, impl_->socket.get());
    setTimeout(impl_->socket.get(), SO_SNDTIMEO, timeouts.send);
    setTimeout(impl_->socket.get(), SO_RCVTIMEO, timeouts.receive);
    if (SSL_connect(ssl) != 1) {
        const long verify = SSL_get_verify_result(ssl);
        std::string reason = openSslErrors();
        if (verify != X509_V_OK) {
            reason = X509_verify_cert_error_string(verify);
        }
        fail("TLS handshake with " + host + " failed: " + reason);
    }
}

TlsConnection::~TlsConnection() {
    if (impl_ && impl_->ssl && !impl_->broken) {
        SSL_shutdown(impl_->ssl.get());  // best effort: the reply is complete by now
    }
}

void TlsConnection::writeAll(std::string_view bytes) {
    while (!bytes.empty()) {
        std::size_t written = 0;
        if (SSL_write_ex(impl_->ssl.get(), bytes.data(), bytes.size(), &written) != 1) {
            const bool timedOut = errno == EAGAIN || errno == EWOULDBLOCK;
            impl_->failAndMarkBroken(timedOut ? std::string("send time-out")
                                              : "send failed: " + openSslErrors());
        }
        bytes.remove_prefix(written);
    }
}

std::size_t TlsConnection::read(char* buffer, std::size_t size) {
    std::size_t got = 0;
    errno = 0;
    if (SSL_read_ex(impl_->ssl.get(), buffer, size, &got) == 1) {
        return got;
    }
    const int error = SSL_get_error(impl_->ssl.get(), 0);
    if (error == SSL_ERROR_ZERO_RETURN) {
        return 0;
    }
    if (errno == EAGAIN || errno == EWOULDBLOCK) {
        impl_->failAndMarkBroken("receive time-out");
    }
    impl_->failAndMarkBroken("receive failed: " + openSslErrors());
}

std::string TlsConnection::protocolVersion() const {
    return SSL_get_version(impl_->ssl.get());
}

}  // namespace bildheber
