#include "upload/TlsConnection.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <openssl/err.h>
#include <openssl/ssl.h>
#include <openssl/x509v3.h>
#include <poll.h>
#include <sys/socket.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <condition_variable>
#include <csignal>
#include <cstring>
#include <mutex>
#include <system_error>
#include <thread>

#include "platform/FileDescriptor.h"
#include "upload/Deadline.h"
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

// `activity` says where the exchange was, such as "while sending the request".
std::string deadlineFailure(const std::string& activity) {
    return "time limit of the exchange passed " + activity;
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

// ---- Name resolution ----------------------------------------------------------------------------

// getaddrinfo's error code; `found` holds the addresses on success.
int lookUpIpv4(const std::string& host, const std::string& service, int flags, AddrInfoPtr& found) {
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = flags;
    addrinfo* list = nullptr;
    const int error = getaddrinfo(host.c_str(), service.c_str(), &hints, &list);
    if (error == 0) {
        found.reset(list);
    }
    return error;
}

// A look-up running on a helper thread. The thread holds its own share of it, so it may finish
// after the waiting attempt has given up and gone.
struct PendingLookUp {
    std::string host;
    std::string service;
    std::mutex mutex;
    std::condition_variable finished;
    bool done = false;
    int error = 0;
    AddrInfoPtr addresses;
};

// getaddrinfo cannot be interrupted, so the name is looked up on a helper thread and the wait
// for it ends at the deadline.
int lookUpBefore(const Deadline& deadline, const std::string& host, const std::string& service,
                 AddrInfoPtr& found) {
    auto pending = std::make_shared<PendingLookUp>();
    pending->host = host;
    pending->service = service;
    try {
        std::thread([pending] {
            AddrInfoPtr addresses;
            const int error = lookUpIpv4(pending->host, pending->service, 0, addresses);
            const std::lock_guard lock(pending->mutex);
            pending->error = error;
            pending->addresses = std::move(addresses);
            pending->done = true;
            pending->finished.notify_all();
        }).detach();
    } catch (const std::system_error& failure) {
        fail("cannot resolve " + host + ": " + failure.what());
    }
    std::unique_lock lock(pending->mutex);
    if (!pending->finished.wait_until(lock, deadline.at(), [&] { return pending->done; })) {
        fail(deadlineFailure("while resolving " + host));
    }
    found = std::move(pending->addresses);
    return pending->error;
}

// An address needs no look-up, and so no thread.
AddrInfoPtr resolveIpv4(const std::string& host, const std::string& service,
                        const Deadline& deadline) {
    AddrInfoPtr addresses;
    const int error = isIpv4Literal(host) ? lookUpIpv4(host, service, AI_NUMERICHOST, addresses)
                                          : lookUpBefore(deadline, host, service, addresses);
    if (error != 0) {
        fail("cannot resolve " + host + ": " + gai_strerror(error));
    }
    return addresses;
}

// ---- Waiting for the socket ---------------------------------------------------------------------

enum class SocketWait { Ready, TimedOut, DeadlinePassed };

int pollTimeout(std::chrono::milliseconds wait) {
    return static_cast<int>(std::min<std::chrono::milliseconds::rep>(wait.count(), INT_MAX));
}

// Waits until `fd` is ready for `events` (POLLIN or POLLOUT), at most `timeout` and never past
// `deadline`. An error or hang-up counts as ready: the next call on the socket reports it.
SocketWait waitForSocket(int fd, short events, std::chrono::milliseconds timeout,
                         const Deadline& deadline) {
    const Deadline waitEnds = Deadline::in(timeout);
    for (;;) {
        if (deadline.passed()) {
            return SocketWait::DeadlinePassed;
        }
        if (waitEnds.passed()) {
            return SocketWait::TimedOut;
        }
        pollfd entry{fd, events, 0};
        const int ready =
            ::poll(&entry, 1, pollTimeout(std::min(waitEnds.remaining(), deadline.remaining())));
        if (ready > 0) {
            return SocketWait::Ready;
        }
        if (ready < 0 && errno != EINTR) {
            fail(std::string("cannot wait for the connection: ") + std::strerror(errno));
        }
    }
}

// ---- Connecting ---------------------------------------------------------------------------------

// Connects the non-blocking `socket` to one address: 0, or the reason it failed. Like a blocking
// connect, it waits as long as the system's own attempt lasts, but never past the deadline.
int connectTo(const FileDescriptor& socket, const addrinfo& address, const std::string& peer,
              const Deadline& deadline) {
    if (::connect(socket.get(), address.ai_addr, address.ai_addrlen) == 0) {
        return 0;
    }
    if (errno != EINPROGRESS) {
        return errno;
    }
    if (waitForSocket(socket.get(), POLLOUT, deadline.remaining(), deadline) != SocketWait::Ready) {
        fail(deadlineFailure("while connecting to " + peer));
    }
    int error = 0;
    socklen_t size = sizeof error;
    if (getsockopt(socket.get(), SOL_SOCKET, SO_ERROR, &error, &size) != 0) {
        return errno;
    }
    return error;
}

// A connected non-blocking socket: every wait on it goes through waitForSocket.
FileDescriptor connectTcp(const std::string& host, std::uint16_t port, const Deadline& deadline) {
    const std::string service = std::to_string(port);
    const std::string peer = host + ":" + service;
    const AddrInfoPtr addresses = resolveIpv4(host, service, deadline);
    int lastError = 0;
    for (const addrinfo* a = addresses.get(); a != nullptr; a = a->ai_next) {
        FileDescriptor socket(
            ::socket(a->ai_family, a->ai_socktype | SOCK_CLOEXEC | SOCK_NONBLOCK, a->ai_protocol));
        if (!socket.valid()) {
            lastError = errno;
            continue;
        }
        lastError = connectTo(socket, *a, peer, deadline);
        if (lastError == 0) {
            return socket;
        }
    }
    fail("cannot connect to " + peer + ": " + std::strerror(lastError));
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
    FileDescriptor socket;
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
            failAndMarkBroken(deadlineFailure(activity));
        }
    }

    // Waits until the socket can do what the last OpenSSL call wanted (`sslError` is
    // SSL_ERROR_WANT_READ or SSL_ERROR_WANT_WRITE). After the wait's own time-out the failure is
    // `failurePrefix` followed by "receive time-out" or "send time-out".
    void awaitSocket(int sslError, const std::string& activity,
                     const std::string& failurePrefix = "") {
        const bool receiving = sslError == SSL_ERROR_WANT_READ;
        switch (waitForSocket(socket.get(), receiving ? POLLIN : POLLOUT,
                              receiving ? timeouts.receive : timeouts.send, deadline)) {
            case SocketWait::Ready:
                return;
            case SocketWait::TimedOut:
                failAndMarkBroken(failurePrefix +
                                  (receiving ? "receive time-out" : "send time-out"));
            case SocketWait::DeadlinePassed:
                failAndMarkBroken(deadlineFailure(activity));
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
    ignoreBrokenPipeSignal();
    ERR_clear_error();
    impl_->socket = connectTcp(host, port, impl_->deadline);
    impl_->ctx = makeClientContext();
    impl_->ssl.reset(SSL_new(impl_->ctx.get()));
    if (!impl_->ssl) {
        fail("TLS session: " + openSslErrors());
    }
    SSL* ssl = impl_->ssl.get();
    expectHostName(ssl, host);
    SSL_set_fd(ssl, impl_->socket.get());
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
