#include "upload/TlsConnection.h"

#include <openssl/err.h>
#include <openssl/ssl.h>
#include <openssl/x509v3.h>

#include <optional>

#include "platform/TcpSocket.h"
#include "platform/TrustStore.h"
#include "upload/OpenSslHandles.h"
#include "upload/UploadError.h"

namespace bildheber {

namespace {

// The image host has always been offered this preference for TLS 1.2 and below.
constexpr const char* kCipherList = "AES:ALL:!aNULL:!eNULL:+RC4:@STRENGTH";

[[noreturn]] void fail(const std::string& what) {
    throw UploadError(what);
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

// Adds the system's own root certificates where OpenSSL does not read them by itself.
void trustSystemRoots(X509_STORE* store) {
    for (const std::string& der : systemRootCertificates()) {
        const auto* bytes = reinterpret_cast<const unsigned char*>(der.data());
        const X509Ptr certificate(d2i_X509(nullptr, &bytes, static_cast<long>(der.size())));
        if (certificate) {
            X509_STORE_add_cert(store, certificate.get());  // a duplicate is no failure
        }
    }
    ERR_clear_error();
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
    trustSystemRoots(SSL_CTX_get_cert_store(ctx.get()));
    SSL_CTX_set_verify(ctx.get(), SSL_VERIFY_PEER, nullptr);
    return ctx;
}

void expectHostName(SSL* ssl, const std::string& host) {
    if (isIpv4Literal(host)) {
        X509_VERIFY_PARAM_set1_ip_asc(SSL_get0_param(ssl), host.c_str());
        return;  // no server name indication for an address
    }
    SSL_set_tlsext_host_name(ssl, host.c_str());
    SSL_set1_host(ssl, host.c_str());
}

// Why a handshake failed: the certificate check's verdict if that failed, else OpenSSL's errors.
std::string handshakeFailureReason(SSL* ssl) {
    const long verify = SSL_get_verify_result(ssl);
    std::string reason = openSslErrors();
    if (verify != X509_V_OK) {
        reason = X509_verify_cert_error_string(verify);
    }
    return reason;
}

// Whether an OpenSSL call could not go on only because the socket was not ready.
bool wantsSocket(int sslError) {
    return sslError == SSL_ERROR_WANT_READ || sslError == SSL_ERROR_WANT_WRITE;
}

constexpr const char* kSending = "while sending the request";
constexpr const char* kReceiving = "while receiving the reply";

}  // namespace

struct TlsConnection::Impl {
    explicit Impl(const SocketTimeouts& timeouts)
        : timeouts(timeouts), deadline(Deadline::in(timeouts.exchange)) {}

    SocketTimeouts timeouts;
    Deadline deadline;
    std::optional<TcpSocket> socket;
    SslCtxPtr ctx;
    SslPtr ssl;
    bool broken = false;  // after a fatal error OpenSSL must not send close_notify

    [[noreturn]] void failAndMarkBroken(const std::string& what) {
        broken = true;
        fail(what);
    }

    // Checked before every call, so that a peer that never makes us wait is bounded as well.
    void checkDeadline(const std::string& activity) {
        if (deadline.passed()) {
            failAndMarkBroken(exchangeTimeLimitPassed(activity));
        }
    }

    // Waits until the socket can do what the last OpenSSL call wanted (`sslError` is
    // SSL_ERROR_WANT_READ or SSL_ERROR_WANT_WRITE). After the wait's own time-out the failure is
    // `failurePrefix` followed by "receive time-out" or "send time-out".
    void awaitSocket(int sslError, const std::string& activity,
                     const std::string& failurePrefix = "") {
        const bool receiving = sslError == SSL_ERROR_WANT_READ;
        SocketWait waited = SocketWait::Ready;
        try {
            waited =
                socket->waitUntilReady(receiving ? SocketDirection::Receive : SocketDirection::Send,
                                       receiving ? timeouts.receive : timeouts.send, deadline);
        } catch (const NetworkError& failure) {
            failAndMarkBroken(failure.what());
        }
        switch (waited) {
            case SocketWait::Ready:
                return;
            case SocketWait::TimedOut:
                failAndMarkBroken(failurePrefix +
                                  (receiving ? "receive time-out" : "send time-out"));
            case SocketWait::DeadlinePassed:
                failAndMarkBroken(exchangeTimeLimitPassed(activity));
        }
    }

    void handshake(const std::string& host) {
        const std::string activity = "in the TLS handshake with " + host;
        const std::string failure = "TLS handshake with " + host + " failed: ";
        for (;;) {
            checkDeadline(activity);
            const int result = SSL_connect(ssl.get());
            if (result == 1) {
                return;
            }
            const int error = SSL_get_error(ssl.get(), result);
            if (!wantsSocket(error)) {
                fail(failure + handshakeFailureReason(ssl.get()));
            }
            awaitSocket(error, activity, failure);
        }
    }
};

TlsConnection::TlsConnection(const std::string& host, std::uint16_t port,
                             const SocketTimeouts& timeouts)
    : impl_(std::make_unique<Impl>(timeouts)) {
    ERR_clear_error();
    try {
        impl_->socket.emplace(host, port, impl_->deadline);
    } catch (const NetworkError& failure) {
        fail(failure.what());
    }
    impl_->ctx = makeClientContext();
    impl_->ssl.reset(SSL_new(impl_->ctx.get()));
    if (!impl_->ssl) {
        fail("TLS session: " + openSslErrors());
    }
    SSL* ssl = impl_->ssl.get();
    expectHostName(ssl, host);
    SSL_set_fd(ssl, impl_->socket->nativeHandle());
    impl_->handshake(host);
}

TlsConnection::~TlsConnection() {
    if (impl_ && impl_->ssl && !impl_->broken) {
        SSL_shutdown(impl_->ssl.get());  // best effort: the reply is complete by now
    }
}

void TlsConnection::writeAll(std::string_view bytes) {
    SSL* ssl = impl_->ssl.get();
    while (!bytes.empty()) {
        impl_->checkDeadline(kSending);
        std::size_t written = 0;
        if (SSL_write_ex(ssl, bytes.data(), bytes.size(), &written) == 1) {
            bytes.remove_prefix(written);
            continue;
        }
        // A call that wanted the socket is repeated with the same bytes, as OpenSSL requires.
        const int error = SSL_get_error(ssl, 0);
        if (!wantsSocket(error)) {
            impl_->failAndMarkBroken("send failed: " + openSslErrors());
        }
        impl_->awaitSocket(error, kSending);
    }
}

std::size_t TlsConnection::read(char* buffer, std::size_t size) {
    SSL* ssl = impl_->ssl.get();
    for (;;) {
        impl_->checkDeadline(kReceiving);
        std::size_t got = 0;
        if (SSL_read_ex(ssl, buffer, size, &got) == 1) {
            return got;
        }
        const int error = SSL_get_error(ssl, 0);
        if (error == SSL_ERROR_ZERO_RETURN) {
            return 0;
        }
        if (!wantsSocket(error)) {
            impl_->failAndMarkBroken("receive failed: " + openSslErrors());
        }
        impl_->awaitSocket(error, kReceiving);
    }
}

std::string TlsConnection::protocolVersion() const {
    return SSL_get_version(impl_->ssl.get());
}

}  // namespace bildheber
