#include "platform/TcpSocket.h"

#include <algorithm>
#include <climits>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>
#include <utility>

#include "platform/SocketSystem.h"

namespace bildheber {

namespace {

struct AddrInfoDeleter {
    void operator()(addrinfo* info) const { freeaddrinfo(info); }
};
using AddrInfoPtr = std::unique_ptr<addrinfo, AddrInfoDeleter>;

[[noreturn]] void fail(const std::string& what) {
    throw NetworkError(what);
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
        fail(exchangeTimeLimitPassed("while resolving " + host));
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
        fail("cannot resolve " + host + ": " + socket_system::lookUpErrorText(error));
    }
    return addresses;
}

// ---- Waiting for the socket ---------------------------------------------------------------------

int pollTimeout(std::chrono::milliseconds wait) {
    return static_cast<int>(std::min<std::chrono::milliseconds::rep>(wait.count(), INT_MAX));
}

// Waits until `socket` can receive or send, at most `timeout` and never past `deadline`.
SocketWait waitForSocket(socket_system::Native socket, bool receive,
                         std::chrono::milliseconds timeout, const Deadline& deadline) {
    const Deadline waitEnds = Deadline::in(timeout);
    for (;;) {
        if (deadline.passed()) {
            return SocketWait::DeadlinePassed;
        }
        if (waitEnds.passed()) {
            return SocketWait::TimedOut;
        }
        const int ready = socket_system::waitReady(
            socket, receive, pollTimeout(std::min(waitEnds.remaining(), deadline.remaining())));
        if (ready > 0) {
            return SocketWait::Ready;
        }
    }
}

// ---- Connecting ---------------------------------------------------------------------------------

// An owned socket, closed unless handed on.
class OwnedSocket {
  public:
    explicit OwnedSocket(socket_system::Native socket) : socket_(socket) {}
    ~OwnedSocket() {
        if (socket_ != socket_system::kNone) {
            socket_system::close(socket_);
        }
    }
    OwnedSocket(const OwnedSocket&) = delete;
    OwnedSocket& operator=(const OwnedSocket&) = delete;

    socket_system::Native get() const { return socket_; }
    socket_system::Native release() { return std::exchange(socket_, socket_system::kNone); }

  private:
    socket_system::Native socket_;
};

// Connects the non-blocking `socket` to one address: 0, or the reason it failed. Like a blocking
// connect, it waits as long as the system's own attempt lasts, but never past the deadline.
int connectTo(socket_system::Native socket, const addrinfo& address, const std::string& peer,
              const Deadline& deadline) {
    const int started = socket_system::startConnect(socket, address);
    if (started == 0 || !socket_system::isConnectPending(started)) {
        return started;
    }
    if (waitForSocket(socket, false, deadline.remaining(), deadline) != SocketWait::Ready) {
        fail(exchangeTimeLimitPassed("while connecting to " + peer));
    }
    return socket_system::connectResult(socket);
}

// A connected non-blocking socket: every wait on it goes through waitForSocket.
socket_system::Native connectTcp(const std::string& host, std::uint16_t port,
                                 const Deadline& deadline) {
    const std::string service = std::to_string(port);
    const std::string peer = host + ":" + service;
    const AddrInfoPtr addresses = resolveIpv4(host, service, deadline);
    int lastError = 0;
    for (const addrinfo* a = addresses.get(); a != nullptr; a = a->ai_next) {
        OwnedSocket socket(socket_system::openNonBlocking(*a));
        if (socket.get() == socket_system::kNone) {
            lastError = socket_system::lastError();
            continue;
        }
        lastError = connectTo(socket.get(), *a, peer, deadline);
        if (lastError == 0) {
            return socket.release();
        }
    }
    fail("cannot connect to " + peer + ": " + socket_system::errorText(lastError));
}

}  // namespace

bool isIpv4Literal(const std::string& host) {
    in_addr address{};
    return inet_pton(AF_INET, host.c_str(), &address) == 1;
}

TcpSocket::TcpSocket(const std::string& host, std::uint16_t port, const Deadline& deadline) {
    socket_system::start();
    handle_ = connectTcp(host, port, deadline);
}

TcpSocket::~TcpSocket() {
    if (handle_ != socket_system::kNone) {
        socket_system::close(handle_);
    }
}

SocketWait TcpSocket::waitUntilReady(SocketDirection direction, std::chrono::milliseconds timeout,
                                     const Deadline& deadline) const {
    return waitForSocket(handle_, direction == SocketDirection::Receive, timeout, deadline);
}

}  // namespace bildheber
